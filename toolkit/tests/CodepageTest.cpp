#include "kokit/Codepage.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <vector>

#include "KokitTest.h"
#include "kokit/Error.h"

namespace {

using quarlo::testing::CodepageGuard;

struct Conversion {
  const char* name;
  const char* codepage;
  bool toLegacy;
  std::string input;
  std::string output;
};

TEST(Codepage, ConvertsBothWays) {
  CodepageGuard guard;
  // The test environment does not set KOKIT_CODEPAGE.
  EXPECT_EQ(kokit::LegacyCodepage(), "GB18030");
  std::string longText;
  for (int i = 0; i < 5000; ++i) longText += "中文abc";
  const Conversion rows[] = {
      {"Chinese keeps its GBK bytes", "GB18030", true, "a中b",
       "a\xD6\xD0"
       "b"},
      {"euro is 0x80 as in GBK", "GB18030", true, "€", "\x80"},
      {"Korean", "GB18030", true, "한국어", "\x83\x36\x84\x33\x82\x37\xF4\x30\x83\x32\xEB\x35"},
      {"emoji", "GB18030", true, "😀", "\x94\x39\xFC\x36"},
      {"CJK extension B", "GB18030", true, "𠀀", "\x95\x32\x82\x36"},
      {"four-byte form back", "GB18030", false, "\x95\x32\x82\x36", "𠀀"},
      {"euro as GB18030 writes it", "GB18030", false, "\xA2\xE3", "€"},
      {"long text", "GB18030", false, kokit::ToLegacy(longText), longText},
      {"broken double byte", "GB18030", false, "ab\xD6", "ab?"},
      {"lone lead byte", "GB18030", false, "\xD6", "?"},
      {"NUL passes", "GB18030", false, std::string("a\0b", 3), std::string("a\0b", 3)},
      {"stray byte before ASCII", "GB18030", false,
       "\xFF"
       "A\xD6\xD0",
       "?A中"},
      {"broken UTF-8 input", "GB18030", true,
       "a\xE4\xB8"
       "b中",
       "a??b\xD6\xD0"},
      {"GBK cannot hold emoji", "GBK", true, "a😀b", "a?b"},
      {"GBK euro", "GBK", true, "€", "\x80"},
      {"not UTF-8 at all", "GBK", true, "x\xFFy", "x?y"},
      {"UTF-8 passes", "UTF-8", true, "中", "中"},
      {"UTF-8 cut short", "UTF-8", false, "\xE4\xB8", "??"},
      {"UTF-8 above Unicode", "UTF-8", false, "L\xF4\x96\x87\xAD!", "L?!"},
      {"UTF-8 five-byte form", "UTF-8", false, "\xF8\x88\x80\x80\x80x\xF4\x8F\xBF\xBF",
       "?x\xF4\x8F\xBF\xBF"},
      // Found after whole words of other text too, and across a word's end.
      {"UTF-8 above Unicode after words", "UTF-8", false, "abcdefgh\xC3\xA9xyzw\xF4\x96\x87\xAD!",
       "abcdefgh\xC3\xA9xyzw?!"},
      {"ASCII-incompatible code page", "UTF-16LE", true, "A中", std::string("A\0\x2D\x4E", 4)},
      {"ASCII-incompatible back", "UTF-16LE", false, std::string("A\0\x2D\x4E", 4), "A中"},
  };
  for (const Conversion& row : rows) {
    kokit::SetLegacyCodepage(row.codepage);
    std::string got = row.toLegacy ? kokit::ToLegacy(row.input) : kokit::FromLegacy(row.input);
    EXPECT_EQ(got, row.output) << row.name;
  }
  EXPECT_THROW(kokit::SetLegacyCodepage("NO-SUCH-CODEPAGE"), kokit::Error);
  EXPECT_EQ(kokit::LegacyCodepage(), "UTF-16LE");
}

TEST(Codepage, FirstLossIsReported) {
  CodepageGuard guard;
  constexpr size_t kNone = std::string::npos;
  struct Row {
    const char* name;
    const char* codepage;
    bool toLegacy;
    std::string input;
    size_t firstLost;
  };
  const Row rows[] = {
      {"nothing lost", "GB18030", true, "a한😀€", kNone},
      {"Korean under GBK", "GBK", true, "ab한", 2},
      {"byte that is not UTF-8", "GB18030", true,
       "ab\xFF"
       "c",
       2},
      {"lone 0x80 is the euro", "GB18030", false, "a\x80", kNone},
      {"lead byte without its trail", "GB18030", false, "ab\x81'", 2},
      {"four-byte form cut short", "GB18030", false, "a\x95\x32\x82", 1},
      {"beyond U+10FFFF in UTF-8", "UTF-8", false, "ab\xF4\x90\x80\x80", 2},
      {"beyond U+10FFFF in UTF-32", "UTF-32BE", false, std::string("\0\0\0a\0\x11\0\0", 8), 4},
  };
  for (const Row& row : rows) {
    kokit::SetLegacyCodepage(row.codepage);
    size_t lost = 0;
    if (row.toLegacy) {
      kokit::ToLegacy(row.input, &lost);
    } else {
      kokit::FromLegacy(row.input, &lost);
    }
    EXPECT_EQ(lost, row.firstLost) << row.name;
  }
}

// The conversions copy ASCII runs and convert only what lies between them; on valid text the
// result must be exactly what one iconv call over the whole text gives.
std::string WholeIconv(const char* to, const char* from, const std::string& in) {
  iconv_t cd = iconv_open(to, from);
  std::string out(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  EXPECT_NE(rc, static_cast<size_t>(-1));
  out.resize(out.size() - dstLeft);
  return out;
}

// Random GBK text, "€" as 0x80 included, has the same bytes under the default GB18030 as under
// GBK; and random GB18030 text (four-byte characters too) converts like one whole conversion,
// although ASCII runs are copied and only what lies between them goes through iconv.
TEST(Codepage, GbkTextKeepsItsBytesAndRunsConvertLikeOneWholeConversion) {
  std::mt19937 gen(20261206);
  // Every mapped GBK pair, trail bytes in the ASCII range (0x40..0x7E) included.
  std::vector<std::string> pairs;
  iconv_t probe = iconv_open("UTF-8", "GBK");
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      char out[8];
      char* src = in;
      size_t srcLeft = 2;
      char* dst = out;
      size_t dstLeft = sizeof out;
      iconv(probe, nullptr, nullptr, nullptr, nullptr);
      if (iconv(probe, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1)) {
        pairs.emplace_back(in, 2);
      }
    }
  }
  iconv_close(probe);
  ASSERT_EQ(pairs.size(), 21791u);
  auto below = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(gen); };
  for (int round = 0; round < 300; ++round) {
    std::string gbk, gb18030;
    for (int p = below(41); p > 0; --p) {
      switch (below(4)) {
        case 0:
          gbk += pairs[gen() % pairs.size()];
          gb18030 += gbk.substr(gbk.size() - 2);
          break;
        case 1: {
          // A four-byte character of the BMP: 0x81-0x83, a digit, 0x81-0xFE, a digit.
          const char four[] = {
              static_cast<char>(0x81 + below(3)), static_cast<char>('0' + below(10)),
              static_cast<char>(0x81 + below(126)), static_cast<char>('0' + below(10))};
          gb18030.append(four, 4);
          break;
        }
        case 2:
          gbk += '\x80';
          break;
        default:
          gbk.push_back(static_cast<char>(below(0x80)));
          gb18030.push_back(gbk.back());
      }
    }
    std::string gbkText = WholeIconv("UTF-8", "GBK", gbk);
    ASSERT_EQ(kokit::ToLegacy(gbkText), gbk) << "round " << round;
    ASSERT_EQ(kokit::FromLegacy(gbk), gbkText) << "round " << round;
    std::string text = WholeIconv("UTF-8", "GB18030", gb18030);
    ASSERT_EQ(kokit::FromLegacy(gb18030), text) << "round " << round;
    ASSERT_EQ(kokit::ToLegacy(text), gb18030) << "round " << round;
  }
}

}  // namespace
