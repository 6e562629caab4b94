#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <set>
#include <thread>

#include "KokitTest.h"
#include "kokit/DateTime.h"
#include "kokit/Error.h"
#include "kokit/EventPump.h"

namespace fs = std::filesystem;
using quarlo::testing::KokitTest;
using quarlo::testing::ReadFile;

namespace {

kokit::KoToolsApp tools;

struct PumpGuard {
  ~PumpGuard() { kokit::SetEventPump({}); }
};

TEST(GetRandNum, StaysInsideBoundsGivenEitherWay) {
  std::set<int32_t> seen;
  for (int i = 0; i < 2000; ++i) {
    int32_t n = tools.GetRandNum(7, 3);
    ASSERT_GE(n, 3);
    ASSERT_LE(n, 7);
    seen.insert(n);
  }
  EXPECT_EQ(seen.size(), 5u);  // both ends are drawn
  EXPECT_EQ(tools.GetRandNum(4, 4), 4);
  (void)tools.GetRandNum(INT32_MIN, INT32_MAX);  // the full range must not overflow
}

TEST(GetRandString, KindsAndLengths) {
  struct Row {
    const char* name;
    int32_t kind;
    size_t length;
    bool (*allowed)(char);
  };
  const Row rows[] = {
      {"digits", kokit::xpGetRandString_NumberOnly, 50,
       [](char c) { return c >= '0' && c <= '9'; }},
      {"letters and digits", kokit::xpGetRandString_NumberAndLetter, 50,
       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }},
      {"shown characters", kokit::xpGetRandString_DisplayChar, 50,
       [](char c) { return c >= 33 && c <= 126; }},
      {"any byte as upper-case hex", kokit::xpGetRandString_AllAsciiChar, 100,
       [](char c) { return std::isxdigit(c) && !std::islower(c); }},
  };
  for (const Row& row : rows) {
    std::string s = tools.GetRandString(50, row.kind);
    EXPECT_EQ(s.size(), row.length) << row.name;
    EXPECT_TRUE(std::all_of(s.begin(), s.end(), row.allowed)) << row.name << ": " << s;
  }
  EXPECT_EQ(tools.GetRandString(0) + tools.GetRandString(-5) + tools.GetRandString(5, 9), "");
}

TEST(SystemNames, ComputerUserAndVersion) {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  EXPECT_EQ(tools.GetComputerName(), host);
  EXPECT_FALSE(tools.GetUserName().empty());
  const std::string v = tools.Version();
  EXPECT_EQ(v.rfind("kokit ", 0), 0u) << v;
  EXPECT_EQ(std::count(v.begin(), v.end(), '.'), 1) << v;
}

using Files = KokitTest;

TEST_F(Files, OptLogInfAppendsTimeAndTextWithCrLf) {
  const auto log = dir / "opt.log";
  tools.OptLogInf("first 中", log.string());
  tools.OptLogInf("second", log.string());
  const std::string text = ReadFile(log);
  // "yyyy-mm-dd hh:mm:ss" CR LF text CR LF, twice.
  ASSERT_EQ(text.size(), 2 * (19 + 2) + std::string("first \xD6\xD0\r\nsecond\r\n").size());
  EXPECT_TRUE(kokit::DateTime::Parse(text.substr(0, 19)));
  EXPECT_EQ(text.substr(19, 12), "\r\nfirst \xD6\xD0\r\n");
  EXPECT_TRUE(kokit::DateTime::Parse(text.substr(31, 19)));
  EXPECT_EQ(text.substr(50), "\r\nsecond\r\n");
  try {
    tools.OptLogInf("x", (dir / "no/such/opt.log").string());
    ADD_FAILURE() << "no error raised";
  } catch (const kokit::Error& e) {
    EXPECT_EQ(e.Number(), ENOENT);
  }
  EXPECT_THROW(tools.OptLogInf("x", ""), kokit::Error);
}

TEST_F(Files, KoMkDirMakesEveryMissingFolderOrSaysWhyNot) {
  std::ofstream(dir / "file") << "x";
  fs::create_directory(dir / "ro");
  chmod((dir / "ro").c_str(), 0555);
  const std::string base = dir.path().string();
  const fs::path saved = fs::current_path();
  fs::current_path(dir.path());
  struct Row {
    const char* name;
    std::string folder;
    std::string want;
    const char* made;  // below dir, or nullptr
  };
  const Row rows[] = {
      {"every missing level", base + "/a/b/c", "OK", "a/b/c"},
      {"already there", base + "/a/b/c/", "OK", "a/b/c"},
      {"backslash separators", base + "\\x\\y\\", "OK", "x/y"},
      {"relative to the current folder", "r1/r2", "OK", "r1/r2"},
      {"leading backslash is the root", "\\" + base.substr(1) + "/abs", "OK", "abs"},
      {"colon inside a name is no drive", base + "/a:b/c", "OK", "a:b/c"},
      {"file in the way", base + "/file/sub", "Not a directory", nullptr},
      {"drive letter names no folder here", "Q:\\nowhere\\x", "No such file or directory", nullptr},
      // Root may write anywhere.
      {"unwritable parent", base + "/ro/x", geteuid() == 0 ? "OK" : "Permission denied", nullptr},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(tools.KoMkDir(row.folder), row.want) << row.name;
    if (row.made) {
      EXPECT_TRUE(fs::is_directory(dir / row.made)) << row.name;
    }
  }
  fs::current_path(saved);
  chmod((dir / "ro").c_str(), 0755);
}

TEST(Delay, WaitsAndRunsThePumpBetweenSleeps) {
  PumpGuard guard;
  int pumped = 0;
  kokit::SetEventPump([&] { ++pumped; });
  tools.Delay(0);
  tools.Delay(-5);
  tools.Delay(std::nan(""));
  EXPECT_EQ(pumped, 0);  // nothing to wait for
  EXPECT_THROW(tools.Delay(INFINITY), kokit::Error);
  const auto start = std::chrono::steady_clock::now();
  tools.Delay(100);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  // Steps of at least 10 ms each, so at most ten turns.
  EXPECT_GE(pumped, 1);
  EXPECT_LE(pumped, 10);
  kokit::SetEventPump({});
  tools.Delay(15);
}

TEST(EventPump, PumpMayReplaceItselfOrWaitAgain) {
  PumpGuard guard;
  int second = 0;
  kokit::SetEventPump([&] { kokit::SetEventPump([&] { ++second; }); });
  kokit::PumpEvents();
  kokit::PumpEvents();
  EXPECT_EQ(second, 1);

  int depth = 0, maxDepth = 0;
  kokit::SetEventPump([&] {
    ++depth;
    maxDepth = std::max(maxDepth, depth);
    if (depth == 1) tools.Delay(12);
    --depth;
  });
  tools.Delay(12);
  EXPECT_EQ(maxDepth, 2);
}

TEST(EventPump, InstallAndRunFromSeveralThreads) {
  PumpGuard guard;
  std::atomic<int> runs{0};
  std::atomic<bool> stop{false};
  std::thread installer([&] {
    for (int i = 0; i < 2000; ++i) {
      if (i % 3 == 0) {
        kokit::SetEventPump({});
      } else {
        kokit::SetEventPump([&] { ++runs; });
      }
    }
    stop = true;
  });
  int calls = 0;
  while (!stop || calls < 100) {
    kokit::PumpEvents();
    ++calls;
  }
  installer.join();
  kokit::SetEventPump({});
  EXPECT_LE(runs.load(), calls);
}

}  // namespace
