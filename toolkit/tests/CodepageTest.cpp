#include "kokit/Codepage.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <vector>

#include "kokit/Error.h"

namespace {

struct CodepageGuard {
  std::string saved = kokit::LegacyCodepage();
  ~CodepageGuard() { kokit::SetLegacyCodepage(saved); }
};

TEST(Codepage, Gb18030IsTheDefaultAndCarriesEveryCharacter) {
  // The test environment does not set KOKIT_CODEPAGE.
  EXPECT_EQ(kokit::LegacyCodepage(), "GB18030");
  struct Row {
    const char* name;
    std::string utf8;
    std::string legacy;
  };
  const Row rows[] = {
      {"Chinese keeps its GBK bytes", "a中b",
       "a\xD6\xD0"
       "b"},
      {"euro is 0x80 as in GBK", "€", "\x80"},
      {"Korean", "한국어", "\x83\x36\x84\x33\x82\x37\xF4\x30\x83\x32\xEB\x35"},
      {"emoji", "😀", "\x94\x39\xFC\x36"},
      {"CJK extension B", "𠀀", "\x95\x32\x82\x36"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(kokit::ToLegacy(row.utf8), row.legacy) << row.name;
    EXPECT_EQ(kokit::FromLegacy(row.legacy), row.utf8) << row.name;
  }
  // Writers that follow GB18030 to the letter put the euro at A2 E3.
  EXPECT_EQ(kokit::FromLegacy("\xA2\xE3"), "€");
}

TEST(Codepage, NarrowerCodePageKeepsQuestionMarks) {
  CodepageGuard guard;
  kokit::SetLegacyCodepage("GBK");
  EXPECT_EQ(kokit::ToLegacy("a😀b"), "a?b");
  EXPECT_EQ(kokit::ToLegacy("€"), "\x80");
  EXPECT_EQ(kokit::ToLegacy("x\xFFy"), "x?y");  // not UTF-8 at all
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

TEST(Codepage, BrokenDoubleByteCharacterBecomesQuestionMark) {
  EXPECT_EQ(kokit::FromLegacy("ab\xD6"), "ab?");
  EXPECT_EQ(kokit::FromLegacy("\xD6"), "?");
  EXPECT_EQ(kokit::FromLegacy(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Codepage, LongTextsConvertWhole) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "中文abc";
  std::string legacy = kokit::ToLegacy(text);
  EXPECT_EQ(legacy.size(), 5000u * 7);
  EXPECT_EQ(kokit::FromLegacy(legacy), text);
}

TEST(Codepage, SwitchingToUtf8AndBack) {
  CodepageGuard guard;
  kokit::SetLegacyCodepage("UTF-8");
  EXPECT_EQ(kokit::ToLegacy("中"), "中");
  EXPECT_EQ(kokit::FromLegacy("\xE4\xB8"), "??");
  kokit::SetLegacyCodepage("GBK");
  EXPECT_EQ(kokit::ToLegacy("中"), "\xD6\xD0");
}

TEST(Codepage, Utf8CodepageNeverPassesFormsAboveUnicode) {
  CodepageGuard guard;
  kokit::SetLegacyCodepage("UTF-8");
  EXPECT_EQ(kokit::FromLegacy("L\xF4\x96\x87\xAD!"), "L?!");
  EXPECT_EQ(kokit::FromLegacy("\xF8\x88\x80\x80\x80x\xF4\x8F\xBF\xBF"), "?x\xF4\x8F\xBF\xBF");
  // Found after whole words of other text too, and across a word's end.
  EXPECT_EQ(kokit::FromLegacy("abcdefgh\xC3\xA9xyzw\xF4\x96\x87\xAD!"), "abcdefgh\xC3\xA9xyzw?!");
}

TEST(Codepage, UnknownNameIsRefusedAndNothingChanges) {
  CodepageGuard guard;
  EXPECT_THROW(kokit::SetLegacyCodepage("NO-SUCH-CODEPAGE"), kokit::Error);
  EXPECT_EQ(kokit::LegacyCodepage(), guard.saved);
  EXPECT_EQ(kokit::ToLegacy("中"), "\xD6\xD0");
}

}  // namespace

namespace {

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

TEST(Codepage, StrayBytesAroundAsciiStayQuestionMarks) {
  EXPECT_EQ(kokit::FromLegacy("\xFF"
                              "\xB0"
                              "A"),
            "?" + kokit::FromLegacy("\xB0"
                                    "A"));
  EXPECT_EQ(kokit::FromLegacy(std::string("\xFF") + "A\xD6\xD0"), "?A中");
  EXPECT_EQ(kokit::FromLegacy("ab\xD6"), "ab?");
  EXPECT_EQ(kokit::ToLegacy("a\xE4\xB8"
                            "b中"),
            "a??b\xD6\xD0");
}

TEST(Codepage, AsciiIncompatibleCodePagesStillConvert) {
  CodepageGuard guard;
  kokit::SetLegacyCodepage("UTF-16LE");
  EXPECT_EQ(kokit::ToLegacy("A中"), std::string("A\0\x2D\x4E", 4));
  EXPECT_EQ(kokit::FromLegacy(std::string("A\0\x2D\x4E", 4)), "A中");
}

}  // namespace
