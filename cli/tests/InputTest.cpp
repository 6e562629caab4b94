#include <gtest/gtest.h>

#include "input/Decode.h"
#include "output/Width.h"

using namespace quarlocli;

TEST(Decode, LegacyCodePageAndUtf8) {
  EXPECT_EQ(DecodeToUtf8("\xD6\xD0\xCE\xC4 ok", "GBK"), "中文 ok");
  EXPECT_EQ(DecodeToUtf8("\xEF\xBB\xBFselect '中'", "utf-8"), "select '中'");
  EXPECT_THROW(DecodeToUtf8("abc\xFF", "GBK"), DecodeError);
  EXPECT_THROW(DecodeToUtf8("\xD6", "GBK"), DecodeError);  // cut in the middle of a character
  EXPECT_THROW(DecodeToUtf8("\xC3\x28", "UTF-8"), DecodeError);
  EXPECT_THROW(DecodeToUtf8("x", "NO-SUCH-ENCODING"), DecodeError);
}

TEST(Decode, Utf8Validation) {
  EXPECT_TRUE(IsValidUtf8("中文 \xF0\x9F\x98\x80"));
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
}

TEST(DisplayWidth, WideCharactersTakeTwoColumns) {
  EXPECT_EQ(DisplayWidth("abc"), 3u);
  EXPECT_EQ(DisplayWidth("中文"), 4u);
  EXPECT_EQ(DisplayWidth("ＡＢ"), 4u);       // fullwidth forms
  EXPECT_EQ(DisplayWidth("e\xCC\x81"), 1u);  // e + combining acute
  EXPECT_EQ(DisplayWidth("한"), 2u);
  EXPECT_EQ(DisplayWidth("\xFF"), 1u);  // not UTF-8
}
