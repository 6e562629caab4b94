#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "kokit/Codepage.h"
#include "kokit/Error.h"
#include "kokit/EventPump.h"
#include "kokit/KoToolsApp.h"

namespace {

kokit::KoToolsApp tools;

bool IsValidUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

// Mixed ASCII, Chinese, emoji and stray bytes.
std::string RandomText(std::mt19937& gen) {
  static const char* pieces[] = {"a",    " ",    "<",    ">",  "中", "文", "丂", "😀", "\xFF",
                                 "\xD6", "\r\n", "&lt;", "\\", "/",  ":",  ".",  ""};
  std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1), len(0, 12);
  std::string s;
  for (size_t i = len(gen); i > 0; --i) s += pieces[pick(gen)];
  return s;
}

class BadInput : public ::testing::Test {
 protected:
  void SetUp() override { kokit::SetLegacyCodepage("GBK"); }
  void TearDown() override { kokit::SetLegacyCodepage(saved_); }

 private:
  std::string saved_ = kokit::LegacyCodepage();
};

TEST_F(BadInput, ByteCutsAlwaysGiveValidUtf8) {
  std::mt19937 gen(20240310);
  std::uniform_int_distribution<int32_t> n(0, 30);
  for (int round = 0; round < 300; ++round) {
    const std::string text = RandomText(gen);
    const int32_t a = n(gen), b = n(gen);
    for (const std::string& out : {tools.LeftA(text, a), tools.RightA(text, a),
                                   tools.MidA(text, a + 1, b), tools.StrAlign(text, a, b % 2),
                                   tools.HexStrToUniCodeStr(tools.UnicodeStrToHexStr(text))}) {
      ASSERT_TRUE(IsValidUtf8(out)) << text << " " << a << " " << b;
    }
    EXPECT_EQ(tools.LenA(tools.StrAlign(text, a, b % 2)), a) << text;
    // Centring refuses a text two or more bytes too wide; whatever it returns fits exactly.
    try {
      const std::string centred = tools.StrAlign(text, a, 2);
      EXPECT_TRUE(IsValidUtf8(centred));
      EXPECT_EQ(tools.LenA(centred), a) << text;
    } catch (const kokit::Error&) {
      EXPECT_GE(tools.LenA(text), a + 2) << text;
    }
  }
}

TEST_F(BadInput, NoMemberCrashesOnStrayBytes) {
  std::mt19937 gen(7);
  for (int round = 0; round < 300; ++round) {
    std::string text = RandomText(gen), marker = RandomText(gen), end = RandomText(gen);
    tools.GetStr(text, marker, end);
    tools.GetStrB(text, marker, end, false);
    for (int part = 0; part <= 5; ++part) tools.GetFilePart(text, part);
    tools.InStrA(text, marker);
    tools.UnicodeStrToWapStr(text);
    for (int opt = 0; opt <= 5; ++opt) tools.ChangeHTML(text, opt);
    tools.HexStrToUniCodeStr(text);
  }
}

TEST_F(BadInput, HexWithNonAsciiIsEmpty) {
  EXPECT_EQ(tools.HexStrToUniCodeStr("中"), "");
  EXPECT_EQ(tools.HexStrToUniCodeStr("4\xFF"), "");
  EXPECT_EQ(tools.HexStrToUniCodeStr(""), "");
}

TEST(EventPumpThreads, InstallAndRunFromSeveralThreads) {
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
