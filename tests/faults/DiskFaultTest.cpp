// Saving when the disk fills half way, the store folder is read-only or two processes save at
// once: the values in memory stay, and what was stored before stays readable and whole (saved
// answers and the history are replaced by rename; logs only ever grow).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "TempDir.h"
#include "TestServer.h"
#include "kokit/Error.h"
#include "kokit/IniItems.h"
#include "kokit/KoToolsApp.h"
#include "quarlolink/HttpItem.h"
#include "term/LineEditor.h"

namespace {

namespace fs = std::filesystem;
using kokit::IniItems;
using quarlo::testing::TempDir;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// No file of this process may grow past `bytes` while it lives: the disk is full.
class DiskFull {
 public:
  explicit DiskFull(rlim_t bytes) : previous_(signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit r{bytes, saved_.rlim_max};
    setrlimit(RLIMIT_FSIZE, &r);
  }
  ~DiskFull() { setrlimit(RLIMIT_FSIZE, &saved_), signal(SIGXFSZ, previous_); }
  DiskFull(const DiskFull&) = delete;
  DiskFull& operator=(const DiskFull&) = delete;

 private:
  sighandler_t previous_;
  rlimit saved_{};
};

// Runs `body` in a forked child; ExitCode gives its return value (99 when it threw).
pid_t Spawn(const std::function<int()>& body) {
  pid_t pid = fork();
  if (pid != 0) return pid;
  int code = 99;
  try {
    code = body();
  } catch (...) {
  }
  _exit(code);
}

int ExitCode(pid_t pid) {
  int st = 0;
  return pid > 0 && waitpid(pid, &st, 0) == pid && WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

constexpr const char* kApp = "FaultApp";

class StoreFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::permissions(dir_.path(), fs::perms(0755));  // others may read, not write
    IniItems items = Items("old-a", "old-b");
    ASSERT_EQ(tools_.LoadIniItems(kApp, items), 0) << tools_.OptString();
  }
  static IniItems Items(const std::string& a, const std::string& b) {
    IniItems items;
    items.Add("A", a, "", kokit::xpIniItemDataType_TextValue);
    items.Add("B", b, "", kokit::xpIniItemDataType_TextValue);
    return items;
  }
  // What a fresh reader finds in the store (it must still open and read).
  std::pair<std::string, std::string> Stored() {
    IniItems items = Items("missing", "missing");
    EXPECT_EQ(tools_.LoadIniItems(kApp, items), 0) << tools_.OptString();
    return {items.Item("A")->TextValue(), items.Item("B")->TextValue()};
  }

  TempDir dir_;
  quarlo::testing::ScopedEnv env_{"KOKIT_REGISTRY_DIR", dir_.path().string()};
  kokit::KoToolsApp tools_;
};

// The save reports the failure, memory keeps the new values and the store the old ones. On a
// full disk A may have gone through before B failed.
TEST_F(StoreFaults, FailedSaveKeepsMemoryAndTheStoredValues) {
  const std::string big(256 * 1024, 'n');
  rlim_t largest = 0;
  for (const auto& e : fs::recursive_directory_iterator(dir_.path()))
    if (e.is_regular_file()) largest = std::max<rlim_t>(largest, e.file_size());
  struct Row {
    const char* name;
    std::function<bool()> fault;  // in the child, before it saves
    bool otherUser;
  };
  const Row rows[] = {
      {"disk full: no file may grow past the store's present size",
       [largest] {
         static std::optional<DiskFull> full;  // for the rest of the child's life
         return full.emplace(largest), true;
       },
       false},
      // Root would write regardless.
      {"read-only store folder, as another user",
       [] { return setgid(65534) == 0 && setuid(65534) == 0; }, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto before = Stored();
    int code = ExitCode(Spawn([&] {
      if (!row.fault()) return 10;
      kokit::KoToolsApp tools;
      IniItems items = Items("new-a", big);
      for (const auto& item : items) item->SetIsSaveToReg(true);
      if (tools.SaveIniItems(kApp, items) == 0) return 11;  // must report the failure
      if (tools.OptString().empty() || tools.OptString() == "OK") return 12;
      return items.Item("B")->TextValue() == big ? 0 : 13;  // memory keeps the new value
    }));
    if (code == 10 && row.otherUser) GTEST_SKIP() << "cannot change to another user here";
    ASSERT_EQ(code, 0);
    auto [a, b] = Stored();
    EXPECT_TRUE(a == before.first || (!row.otherUser && a == "new-a")) << a;
    EXPECT_EQ(b, "old-b");
  }
}

TEST_F(StoreFaults, TwoProcessesSavingAtOnceLoseNothing) {
  constexpr int kRounds = 40;
  auto saver = [&](char who) {
    return [&, who] {
      kokit::KoToolsApp tools;
      for (int n = 0; n < kRounds; ++n) {
        IniItems items;
        // Each value names its writer and round all along, so a mixed value shows.
        items.Add("Shared", std::string(2000, who) + std::to_string(n), "",
                  kokit::xpIniItemDataType_TextValue);
        items.Add(std::string("Own") + who, n, "", kokit::xpIniItemDataType_NumberValue);
        for (const auto& item : items) item->SetIsSaveToReg(true);
        if (tools.SaveIniItems(kApp, items) != 0) return 20;
      }
      return 0;
    };
  };
  pid_t x = Spawn(saver('x')), y = Spawn(saver('y'));
  EXPECT_EQ(ExitCode(x), 0) << "a save of the first process failed";
  EXPECT_EQ(ExitCode(y), 0) << "a save of the second process failed";
  IniItems items;
  items.Add("Shared", "", "", kokit::xpIniItemDataType_TextValue);
  items.Add("Ownx", -1, "", kokit::xpIniItemDataType_NumberValue);
  items.Add("Owny", -1, "", kokit::xpIniItemDataType_NumberValue);
  ASSERT_EQ(tools_.LoadIniItems(kApp, items), 0) << tools_.OptString();
  EXPECT_EQ(items.Item("Ownx")->LongValue(), kRounds - 1);
  EXPECT_EQ(items.Item("Owny")->LongValue(), kRounds - 1);
  const std::string shared = items.Item("Shared")->TextValue();
  ASSERT_GE(shared.size(), 2001u);
  EXPECT_EQ(shared, std::string(2000, shared[0]) + std::to_string(kRounds - 1));
}

// A save that fails half way leaves the previous file and no temporary one; the next save
// replaces the file whole and keeps its permissions.
TEST(FileWrites, SavedAnswerFailingHalfWayLeavesThePreviousFileThenReplacesItWhole) {
  quarlo::testing::TestServer server;
  server.server().Get("/answer", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::string(64 * 1024, 'a'), "text/plain");
  });
  server.Start();
  quarlolink::HttpItem item;
  item.OpenUrl(server.Url("/answer"), 0);
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (item.Status() == 1 && std::chrono::steady_clock::now() < until) item.Pump(10);
  ASSERT_EQ(item.ResponseString().size(), 64u * 1024);
  TempDir dir;
  const auto path = dir / "answer.txt";
  const auto perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  std::ofstream(path) << std::string(1000, 'p');
  fs::permissions(path, perms);
  {
    DiskFull full(16 * 1024);
    item.SaveResponseString(path.string());
  }
  EXPECT_NE(item.OptStatus(), 0) << item.OptString();
  EXPECT_EQ(ReadFile(path), std::string(1000, 'p'));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1)
      << "the temporary file was left behind";
  item.SaveResponseString(path.string());
  EXPECT_EQ(item.OptStatus(), 0) << item.OptString();
  EXPECT_EQ(ReadFile(path), std::string(64 * 1024, 'a'));
  EXPECT_EQ(fs::status(path).permissions(), perms);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
}

TEST(FileWrites, LogRecordThatFailsHalfWayKeepsEveryEarlierRecord) {
  TempDir dir;
  const auto log = dir / "opt.log";
  const std::string earlier = "2026-12-06 10:00:00\r\nearlier record\r\n";
  std::ofstream(log, std::ios::binary) << earlier;
  kokit::KoToolsApp tools;
  {
    DiskFull full(earlier.size() + 10);
    EXPECT_THROW(tools.OptLogInf(std::string(200, 'r'), log.string()), kokit::Error);
  }
  EXPECT_EQ(ReadFile(log).substr(0, earlier.size()), earlier);
  tools.OptLogInf("after", log.string());
  EXPECT_NE(ReadFile(log).find("after\r\n"), std::string::npos);
}

TEST(FileWrites, HistorySaveThatFailsHalfWayLeavesThePreviousHistory) {
  TempDir dir;
  const auto file = dir / "history";
  { quarlocli::LineEditor(file).AddHistory("select 1"); }
  const std::string previous = ReadFile(file);
  ASSERT_NE(previous.find("select"), std::string::npos) << previous;
  {
    DiskFull full(previous.size() + 100);
    quarlocli::LineEditor(file).AddHistory(std::string(64 * 1024, 'x'));
  }
  EXPECT_EQ(ReadFile(file), previous);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
  { quarlocli::LineEditor(file).AddHistory("select 2"); }
  EXPECT_NE(ReadFile(file).find("2"), std::string::npos);
}

}  // namespace
