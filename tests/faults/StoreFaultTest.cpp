// The settings store when saving goes wrong: the disk full, the store folder read-only, two
// processes saving at once. The values in memory stay, the stored ones stay readable and whole.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "ChildProcess.h"
#include "TempDir.h"
#include "kokit/IniItems.h"
#include "kokit/KoToolsApp.h"

namespace {

namespace fs = std::filesystem;
using kokit::IniItems;
using quarlo::testing::InChild;

constexpr const char* kApp = "FaultApp";

class StoreFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::permissions(dir_.path(), fs::perms::owner_all | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read |
                                     fs::perms::others_exec);
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

  uintmax_t LargestStoreFile() {
    uintmax_t largest = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir_.path()))
      if (e.is_regular_file()) largest = std::max(largest, e.file_size());
    return largest;
  }

  quarlo::testing::TempDir dir_;
  quarlo::testing::ScopedEnv env_{"KOKIT_REGISTRY_DIR", dir_.path().string()};
  kokit::KoToolsApp tools_;
};

// The save reports the failure, memory keeps the new values and the store the old ones. On a
// full disk A may have gone through before B failed.
TEST_F(StoreFaults, FailedSaveKeepsMemoryAndTheStoredValues) {
  const std::string big(256 * 1024, 'n');
  const auto limit = static_cast<rlim_t>(LargestStoreFile());
  struct Row {
    const char* name;
    std::function<bool()> fault;  // in the child, before it saves
    bool otherUser;
  };
  const Row rows[] = {
      {"disk full: no file of the process may grow past the store's present size",
       [limit] {
         signal(SIGXFSZ, SIG_IGN);
         rlimit r{limit, limit};
         return setrlimit(RLIMIT_FSIZE, &r) == 0;
       },
       false},
      // Root would write regardless.
      {"read-only store folder, as another user",
       [] { return setgid(65534) == 0 && setuid(65534) == 0; }, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto before = Stored();
    int code = InChild([&] {
      if (!row.fault()) return 10;
      kokit::KoToolsApp tools;
      IniItems items = Items("new-a", big);
      for (const auto& item : items) item->SetIsSaveToReg(true);
      if (tools.SaveIniItems(kApp, items) == 0) return 11;  // must report the failure
      if (tools.OptString().empty() || tools.OptString() == "OK") return 12;
      if (items.Item("B")->TextValue() != big) return 13;  // memory keeps the new value
      return 0;
    });
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
  pid_t first = fork();
  if (first == 0) _exit(saver('x')());
  int second = InChild(saver('y'));
  int status = 0;
  waitpid(first, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "a save of the first process failed";
  EXPECT_EQ(second, 0) << "a save of the second process failed";

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

}  // namespace
