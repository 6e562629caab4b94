#include <gtest/gtest.h>

#include "kokit/Codepage.h"
#include "kokit/Error.h"
#include "kokit/KoToolsApp.h"

namespace {

kokit::KoToolsApp tools;

// These cases count GBK bytes: a Chinese character two, ASCII one.
class ByteText : public ::testing::Test {
 protected:
  void SetUp() override { kokit::SetLegacyCodepage("GBK"); }
  void TearDown() override { kokit::SetLegacyCodepage(saved_); }

 private:
  std::string saved_ = kokit::LegacyCodepage();
};

TEST_F(ByteText, LenACountsCodePageBytes) {
  EXPECT_EQ(tools.LenA("1中"), 3);
  EXPECT_EQ(tools.LenA(""), 0);
  EXPECT_EQ(tools.LenA("a😀"), 2);  // not in the code page: one "?"
}

TEST_F(ByteText, CutThroughChineseCharacterGivesQuestionMark) {
  EXPECT_EQ(tools.LeftA("中文", 1), "?");
  EXPECT_EQ(tools.LeftA("中文", 3), "中?");
  EXPECT_EQ(tools.RightA("中文", 1), "?");
  EXPECT_EQ(tools.RightA("中文", 3), "?文");
  EXPECT_EQ(tools.MidA("中文字", 2, 1), "?");
  EXPECT_EQ(tools.LeftA("中文", 4), "中文");
  EXPECT_EQ(tools.LeftA("中文", 100), "中文");
  EXPECT_EQ(tools.RightA("中文", 100), "中文");
  EXPECT_EQ(tools.LeftA("中文", 0), "");
}

TEST_F(ByteText, CutCharacterDoesNotPairWithItsNeighbour) {
  // The tail of 中 and the head of 文 would read as 形 in GBK.
  EXPECT_EQ(tools.MidA("中文字", 2, 3), "?文");
  EXPECT_EQ(tools.MidA("中文字", 2, 4), "?文?");
  EXPECT_EQ(tools.MidA("中文字", 2), "?文字");
  EXPECT_EQ(tools.RightA("a中文", 3), "?文");
  EXPECT_EQ(tools.MidA("中", 1, 1) + tools.MidA("中", 2, 1), "??");
}

TEST_F(ByteText, MidAWithoutLengthOrZeroTakesTheRest) {
  EXPECT_EQ(tools.MidA("abcdef", 3), "cdef");
  EXPECT_EQ(tools.MidA("abcdef", 3, 0), "cdef");
  EXPECT_EQ(tools.MidA("abcdef", 3, 2), "cd");
  EXPECT_EQ(tools.MidA("abcdef", 7), "");
  EXPECT_EQ(tools.MidA("a中b", 2, 2), "中");
}

TEST_F(ByteText, InStrAGivesBytePositionAsText) {
  EXPECT_EQ(tools.InStrA("中文abc", "abc"), "5");
  EXPECT_EQ(tools.InStrA("abc", "x"), "0");
  EXPECT_EQ(tools.InStrA("abc", "a"), "1");
  EXPECT_EQ(tools.InStrA("", "a"), "0");
  EXPECT_EQ(tools.InStrA("abc", ""), "1");
  EXPECT_EQ(tools.InStrA("abc", "A"), "0");
  // Bytes inside a character are not a match: D0 CE (形) straddles 中文, 40 is the tail of 丂.
  EXPECT_EQ(tools.InStrA("中文", "形"), "0");
  EXPECT_EQ(tools.InStrA("丂@", "@"), "3");
}

TEST_F(ByteText, NegativeCountsAreRefused) {
  EXPECT_THROW(tools.LeftA("abc", -1), kokit::Error);
  EXPECT_THROW(tools.RightA("abc", -1), kokit::Error);
  EXPECT_THROW(tools.MidA("abc", 0), kokit::Error);
  EXPECT_THROW(tools.MidA("abc", 1, -1), kokit::Error);
  EXPECT_THROW(tools.StrAlign("abc", -1), kokit::Error);
}

TEST_F(ByteText, StrAlignStyles) {
  EXPECT_EQ(tools.StrAlign("ab", 5, 1), "   ab");
  EXPECT_EQ(tools.StrAlign("ab", 5, 2), "  ab ");  // 3 / 2 = 1.5 rounds to 2
  EXPECT_EQ(tools.StrAlign("ab", 5), "ab   ");
  EXPECT_EQ(tools.StrAlign("ab", 5, 7), "ab   ");
  EXPECT_EQ(tools.StrAlign("ab", 7, 2), "  ab   ");  // 2.5 rounds to 2
  EXPECT_EQ(tools.StrAlign("ab", 6, 2), "  ab  ");
  EXPECT_EQ(tools.StrAlign("ab", 0, 1), "");
}

TEST_F(ByteText, StrAlignCountsChineseAsTwoBytes) {
  EXPECT_EQ(tools.StrAlign("中", 4, 1), "  中");
  EXPECT_EQ(tools.StrAlign("中文", 3), "中?");
  EXPECT_EQ(tools.StrAlign("中文", 3, 1), "?文");
}

TEST_F(ByteText, StrAlignCentreOfTooWideText) {
  EXPECT_EQ(tools.StrAlign("abc", 2, 2), "ab");  // one byte wider: cut
  EXPECT_THROW(tools.StrAlign("abcd", 2, 2), kokit::Error);
  EXPECT_EQ(tools.StrAlign("abcd", 2, 1), "cd");
  EXPECT_EQ(tools.StrAlign("abcd", 2), "ab");
}

TEST_F(ByteText, Utf8CodePageCutsGiveQuestionMarks) {
  kokit::SetLegacyCodepage("UTF-8");
  EXPECT_EQ(tools.LenA("中"), 3);
  EXPECT_EQ(tools.LeftA("中文", 4), "中?");
}

}  // namespace

namespace {

// Under GB18030 a character outside GBK counts four bytes, and a cut through one gives a "?" for
// each of its bytes in the range, as with two-byte characters.
TEST_F(ByteText, Gb18030FourByteCharactersCountAndCutWhole) {
  kokit::SetLegacyCodepage("GB18030");
  EXPECT_EQ(tools.LenA("a😀"), 5);
  EXPECT_EQ(tools.LenA("€中"), 3);
  EXPECT_EQ(tools.LeftA("a😀b", 3), "a??");
  EXPECT_EQ(tools.LeftA("a😀b", 5), "a😀");
  EXPECT_EQ(tools.RightA("a😀b", 2), "?b");
  EXPECT_EQ(tools.MidA("𠀀한", 3, 4), "????");
  EXPECT_EQ(tools.MidA("𠀀한", 5), "한");
  // The second byte of 𠀀 (95 32 82 36) is "2", but no character starts there.
  EXPECT_EQ(tools.InStrA("𠀀2", "2"), "5");
  EXPECT_EQ(tools.StrAlign("😀", 6, 1), "  😀");
}

}  // namespace
