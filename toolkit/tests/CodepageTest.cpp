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

TEST(Codepage, GbkIsTheDefault) {
  // The test environment does not set KOKIT_CODEPAGE.
  EXPECT_EQ(kokit::LegacyCodepage(), "GBK");
  EXPECT_EQ(kokit::ToLegacy("中"), "\xD6\xD0");
  EXPECT_EQ(kokit::FromLegacy("\xD6\xD0"), "中");
  EXPECT_EQ(kokit::ToLegacy("a中b"),
            "a\xD6\xD0"
            "b");
}

TEST(Codepage, UnrepresentableCharacterBecomesQuestionMark) {
  EXPECT_EQ(kokit::ToLegacy("a😀b"), "a?b");
  EXPECT_EQ(kokit::ToLegacy("x\xFFy"), "x?y");  // not UTF-8 at all
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

TEST(Codepage, AsciiRunsConvertLikeOneWholeConversion) {
  std::mt19937 gen(20261206);
  // Every mapped GBK pair, trail bytes in the ASCII range (0x40..0x7E) included.
  std::vector<std::string> pairs;
  iconv_t probe = iconv_open("UTF-8", "GBK");
  for (int lead = 0x81; lead <= 0xFE; lead += 7) {
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
  ASSERT_GT(pairs.size(), 1000u);
  for (int round = 0; round < 300; ++round) {
    std::string legacy;
    int pieces = std::uniform_int_distribution<int>(0, 40)(gen);
    for (int p = 0; p < pieces; ++p) {
      if (gen() % 2) {
        legacy += pairs[gen() % pairs.size()];
      } else {
        legacy.push_back(static_cast<char>(std::uniform_int_distribution<int>(0, 0x7F)(gen)));
      }
    }
    std::string utf8 = WholeIconv("UTF-8", "GBK", legacy);
    ASSERT_EQ(kokit::FromLegacy(legacy), utf8) << "round " << round;
    ASSERT_EQ(kokit::ToLegacy(utf8), legacy) << "round " << round;
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
