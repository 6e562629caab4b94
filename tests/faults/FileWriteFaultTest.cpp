// Files written by the libraries when the disk fills half way: the file that was there before
// survives whole (saved answers are replaced by rename; logs only ever grow).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "TempDir.h"
#include "TestServer.h"
#include "kokit/Error.h"
#include "kokit/KoToolsApp.h"
#include "quarlolink/HttpItem.h"
#include "term/LineEditor.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// No file of this process may grow past `bytes` while it lives: the disk is full.
class DiskFull {
 public:
  explicit DiskFull(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = signal(SIGXFSZ, SIG_IGN);
    rlimit r{bytes, saved_.rlim_max};
    setrlimit(RLIMIT_FSIZE, &r);
  }
  ~DiskFull() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, previous_);
  }
  DiskFull(const DiskFull&) = delete;
  DiskFull& operator=(const DiskFull&) = delete;

 private:
  rlimit saved_{};
  sighandler_t previous_;
};

class FileWrites : public ::testing::Test {
 protected:
  void SetUp() override {
    server_.server().Get("/answer", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(std::string(64 * 1024, 'a'), "text/plain");
    });
    server_.Start();
    item_.OpenUrl(server_.Url("/answer"), 0);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (item_.Status() == 1 && std::chrono::steady_clock::now() < until) item_.Pump(10);
    ASSERT_EQ(item_.ResponseString().size(), 64u * 1024);
  }

  size_t FilesIn(const fs::path& dir) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {}));
  }

  quarlo::testing::TestServer server_;
  quarlo::testing::TempDir dir_;
  quarlolink::HttpItem item_;
};

// A save that fails half way leaves the previous file and no temporary one; the next save
// replaces the file whole and keeps its permissions.
TEST_F(FileWrites, SavedAnswerFailingHalfWayLeavesThePreviousFileThenReplacesItWhole) {
  const auto path = dir_ / "answer.txt";
  const std::string previous(1000, 'p');
  const auto perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  WriteFile(path, previous);
  fs::permissions(path, perms);
  {
    DiskFull full(16 * 1024);
    item_.SaveResponseString(path.string());
  }
  EXPECT_NE(item_.OptStatus(), 0) << item_.OptString();
  EXPECT_EQ(ReadFile(path), previous);
  EXPECT_EQ(FilesIn(dir_.path()), 1u) << "the temporary file was left behind";

  item_.SaveResponseString(path.string());
  EXPECT_EQ(item_.OptStatus(), 0) << item_.OptString();
  EXPECT_EQ(ReadFile(path), std::string(64 * 1024, 'a'));
  EXPECT_EQ(fs::status(path).permissions(), perms);
  EXPECT_EQ(FilesIn(dir_.path()), 1u);
}

TEST_F(FileWrites, LogRecordThatFailsHalfWayKeepsEveryEarlierRecord) {
  const auto log = dir_ / "opt.log";
  const std::string earlier = "2026-12-06 10:00:00\r\nearlier record\r\n";
  WriteFile(log, earlier);
  kokit::KoToolsApp tools;
  {
    DiskFull full(earlier.size() + 10);
    EXPECT_THROW(tools.OptLogInf(std::string(200, 'r'), log.string()), kokit::Error);
  }
  EXPECT_EQ(ReadFile(log).substr(0, earlier.size()), earlier);
  tools.OptLogInf("after", log.string());
  EXPECT_NE(ReadFile(log).find("after\r\n"), std::string::npos);
}

TEST(HistoryWrites, HistorySaveThatFailsHalfWayLeavesThePreviousHistory) {
  quarlo::testing::TempDir dir;
  const auto file = dir / "history";
  { quarlocli::LineEditor(file).AddHistory("select 1"); }
  const std::string previous = ReadFile(file);
  ASSERT_NE(previous.find("select"), std::string::npos) << previous;
  {
    DiskFull full(previous.size() + 100);
    quarlocli::LineEditor editor(file);
    editor.AddHistory(std::string(64 * 1024, 'x'));
  }
  EXPECT_EQ(ReadFile(file), previous);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
  { quarlocli::LineEditor(file).AddHistory("select 2"); }
  EXPECT_NE(ReadFile(file).find("2"), std::string::npos);
}

}  // namespace
