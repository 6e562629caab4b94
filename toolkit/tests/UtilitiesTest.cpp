#include <algorithm>
#include <atomic>
#include <cmath>
#include <regex>
#include <set>
#include <thread>
#include <tuple>

#include "KokitTest.h"
#include "kokit/EventPump.h"

namespace fs = std::filesystem;
using namespace quarlo::testing;

namespace {

kokit::KoToolsApp tools;

struct PumpGuard {
  ~PumpGuard() { kokit::SetEventPump({}); }
};

TEST(Utilities, RandomDrawsSystemNamesAndVersion) {
  std::set<int32_t> seen;
  for (int i = 0; i < 2000; ++i) seen.insert(tools.GetRandNum(7, 3));
  EXPECT_EQ(seen, (std::set<int32_t>{3, 4, 5, 6, 7}));  // bounds either way, both ends drawn
  (void)tools.GetRandNum(INT32_MIN, INT32_MAX);         // the full range must not overflow
  const std::pair<int32_t, const char*> kinds[] = {
      {kokit::xpGetRandString_NumberOnly, "[0-9]{50}"},
      {kokit::xpGetRandString_NumberAndLetter, "[0-9A-Za-z]{50}"},
      {kokit::xpGetRandString_DisplayChar, "[!-~]{50}"},
      {kokit::xpGetRandString_AllAsciiChar, "[0-9A-F]{100}"}};  // each byte as hex
  for (const auto& [kind, allowed] : kinds) {
    const std::string s = tools.GetRandString(50, kind);
    EXPECT_TRUE(std::regex_match(s, std::regex(allowed))) << kind << ": " << s;
  }
  EXPECT_EQ(tools.GetRandString(5, 9), "");
  EXPECT_FALSE(tools.GetComputerName().empty() || tools.GetUserName().empty());
  EXPECT_TRUE(std::regex_match(tools.Version(), std::regex(R"(kokit \d+\.\d+)")));
}

using Files = KokitTest;

// OptLogInf appends time and text as CR LF lines; KoMkDir makes every missing folder or says
// why not.
TEST_F(Files, OptLogInfAndKoMkDir) {
  const auto log = dir / "opt.log";
  tools.OptLogInf("first 中", log.string());
  tools.OptLogInf("second", log.string());
  const std::string date = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\r\n)";
  EXPECT_TRUE(std::regex_match(ReadFile(log),
                               std::regex(date + "first \xD6\xD0\r\n" + date + "second\r\n")));
  EXPECT_EQ(ErrorNumberOf([&] { tools.OptLogInf("x", (dir / "no/such/opt.log").string()); }),
            ENOENT);

  std::ofstream(dir / "file") << "x";
  const std::string base = dir.path().string();
  const fs::path saved = fs::current_path();
  fs::current_path(dir.path());
  const std::tuple<std::string, std::string, const char*> rows[] = {
      {base + "\\x\\y\\", "OK", "x/y"},  // folder, answer, what is made below dir
      {"r1/r2", "OK", "r1/r2"},          // relative to the current folder
      {base + "/a:b/c", "OK", "a:b/c"},  // a colon inside a name is no drive
      {base + "/file/sub", "Not a directory", nullptr},
      {"Q:\\nowhere\\x", "No such file or directory", nullptr},  // no drives here
  };
  for (const auto& [folder, want, made] : rows) {
    EXPECT_EQ(tools.KoMkDir(folder), want) << folder;
    EXPECT_TRUE(!made || fs::is_directory(dir / made)) << folder;
  }
  fs::current_path(saved);
}

// Delay pumps between its sleeps; a pump may replace itself, wait again, or be replaced from
// another thread.
TEST(EventPump, DelayRunsThePumpWhichMayBeReplacedAnywhere) {
  PumpGuard guard;
  int pumped = 0;
  kokit::SetEventPump([&] { ++pumped; });
  tools.Delay(std::nan(""));
  EXPECT_EQ(pumped, 0);  // nothing to wait for
  EXPECT_THROW(tools.Delay(INFINITY), kokit::Error);
  tools.Delay(30);
  EXPECT_GE(pumped, 1);

  // A pump that waits again inside itself, then replaces itself.
  int depth = 0, maxDepth = 0, second = 0;
  kokit::SetEventPump([&] {
    maxDepth = std::max(maxDepth, ++depth);
    if (depth == 1) tools.Delay(12);
    if (--depth == 0) kokit::SetEventPump([&] { ++second; });
  });
  kokit::PumpEvents();
  kokit::PumpEvents();
  EXPECT_EQ(maxDepth, 2);
  EXPECT_EQ(second, 1);
  // Installed and run from several threads at once.
  std::atomic<int> runs{0};
  std::atomic<bool> stop{false};
  std::thread installer([&] {
    for (int i = 0; i < 2000; ++i) {
      kokit::SetEventPump(i % 3 == 0 ? std::function<void()>() : [&] { ++runs; });
    }
    stop = true;
  });
  int calls = 0;
  for (; !stop || calls < 100; ++calls) kokit::PumpEvents();
  installer.join();
  EXPECT_LE(runs.load(), calls);
}

}  // namespace
