#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <iterator>
#include <set>

#include "TempDir.h"
#include "kokit/Codepage.h"
#include "kokit/DateTime.h"
#include "kokit/Error.h"
#include "kokit/EventPump.h"
#include "kokit/KoToolsApp.h"

namespace {

kokit::KoToolsApp tools;

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

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
  int32_t wide = tools.GetRandNum(INT32_MIN, INT32_MAX);
  (void)wide;  // the full range must not overflow
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
  EXPECT_EQ(tools.GetRandString(0), "");
  EXPECT_EQ(tools.GetRandString(-5), "");
  EXPECT_EQ(tools.GetRandString(5, 9), "");
}

TEST(SystemNames, ComputerAndUser) {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  EXPECT_EQ(tools.GetComputerName(), host);
  EXPECT_FALSE(tools.GetUserName().empty());
}

TEST(Version, TitleAndMajorMinor) {
  const std::string v = tools.Version();
  EXPECT_EQ(v.rfind("kokit ", 0), 0u) << v;
  EXPECT_EQ(std::count(v.begin(), v.end(), '.'), 1) << v;
}

TEST(OptLogInf, AppendsTimeAndTextWithCrLf) {
  quarlo::testing::TempDir tmp;
  const std::string saved = kokit::LegacyCodepage();
  kokit::SetLegacyCodepage("GBK");
  const auto log = tmp / "opt.log";
  tools.OptLogInf("first 中", log.string());
  tools.OptLogInf("second", log.string());
  kokit::SetLegacyCodepage(saved);

  const std::string text = ReadFile(log);
  // "yyyy-mm-dd hh:mm:ss" CR LF text CR LF, twice.
  ASSERT_EQ(text.size(), 2 * (19 + 2) + std::string("first \xD6\xD0\r\nsecond\r\n").size());
  EXPECT_TRUE(kokit::DateTime::Parse(text.substr(0, 19)));
  EXPECT_EQ(text.substr(19, 12), "\r\nfirst \xD6\xD0\r\n");
  EXPECT_TRUE(kokit::DateTime::Parse(text.substr(31, 19)));
  EXPECT_EQ(text.substr(50), "\r\nsecond\r\n");
}

TEST(OptLogInf, MissingFolderIsRaised) {
  quarlo::testing::TempDir tmp;
  try {
    tools.OptLogInf("x", (tmp / "no/such/opt.log").string());
    FAIL() << "no error raised";
  } catch (const kokit::Error& e) {
    EXPECT_EQ(e.Number(), ENOENT);
  }
  EXPECT_THROW(tools.OptLogInf("x", ""), kokit::Error);
}

struct PumpGuard {
  ~PumpGuard() { kokit::SetEventPump({}); }
};

TEST(Delay, WaitsAndRunsThePumpBetweenSleeps) {
  PumpGuard guard;
  int pumped = 0;
  kokit::SetEventPump([&] { ++pumped; });
  const auto start = std::chrono::steady_clock::now();
  tools.Delay(100);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(100));
  // Steps of at least 10 ms each, so at most ten turns; more than one unless the machine
  // stalls for most of the wait.
  EXPECT_GE(pumped, 2);
  EXPECT_LE(pumped, 10);
}

TEST(Delay, NothingToWaitForOrNoPump) {
  PumpGuard guard;
  int pumped = 0;
  kokit::SetEventPump([&] { ++pumped; });
  tools.Delay(0);
  tools.Delay(-5);
  tools.Delay(std::nan(""));
  EXPECT_EQ(pumped, 0);
  EXPECT_THROW(tools.Delay(INFINITY), kokit::Error);
  kokit::SetEventPump({});
  tools.Delay(15);
}

TEST(EventPump, PumpMayReplaceItselfWhileRunning) {
  PumpGuard guard;
  int second = 0;
  kokit::SetEventPump([&] { kokit::SetEventPump([&] { ++second; }); });
  kokit::PumpEvents();
  kokit::PumpEvents();
  EXPECT_EQ(second, 1);
}

TEST(EventPump, PumpMayWaitAgain) {
  PumpGuard guard;
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

}  // namespace
