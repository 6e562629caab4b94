#include "kokit/Codepage.h"

#include <gtest/gtest.h>

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
}

TEST(Codepage, UnknownNameIsRefusedAndNothingChanges) {
  CodepageGuard guard;
  EXPECT_THROW(kokit::SetLegacyCodepage("NO-SUCH-CODEPAGE"), kokit::Error);
  EXPECT_EQ(kokit::LegacyCodepage(), guard.saved);
  EXPECT_EQ(kokit::ToLegacy("中"), "\xD6\xD0");
}

}  // namespace
