#include <gtest/gtest.h>

#include "kokit/Codepage.h"
#include "kokit/KoToolsApp.h"

namespace {

kokit::KoToolsApp tools;

class Encodings : public ::testing::Test {
 protected:
  void SetUp() override { kokit::SetLegacyCodepage("GBK"); }
  void TearDown() override { kokit::SetLegacyCodepage(saved_); }

 private:
  std::string saved_ = kokit::LegacyCodepage();
};

TEST_F(Encodings, HexOfCodePageBytes) {
  EXPECT_EQ(tools.UnicodeStrToHexStr("1中"), "31D6D0");
  EXPECT_EQ(tools.UnicodeStrToHexStr(""), "");
  EXPECT_EQ(tools.HexStrToUniCodeStr("31D6D0"), "1中");
  EXPECT_EQ(tools.HexStrToUniCodeStr("31d6d0"), "1中");
}

TEST_F(Encodings, HexWithOddLengthOrBadDigits) {
  EXPECT_EQ(tools.HexStrToUniCodeStr("414"), std::string("A\x04", 2));
  EXPECT_EQ(tools.HexStrToUniCodeStr("3G"), "");
  EXPECT_EQ(tools.HexStrToUniCodeStr("41 42"), "");
  EXPECT_EQ(tools.HexStrToUniCodeStr("D6"), "?");  // half a character
}

TEST_F(Encodings, WapStrWritesSignedSixteenBitCodes) {
  EXPECT_EQ(tools.UnicodeStrToWapStr("1中"), "&#x31;&#x4E2D;");
  EXPECT_EQ(tools.UnicodeStrToWapStr("高"), "&#xFFFF9AD8;");
  EXPECT_EQ(tools.UnicodeStrToWapStr("\x7F"), "&#x7F;");
  EXPECT_EQ(tools.UnicodeStrToWapStr("\xE7\xBF\xBF"), "&#x7FFF;");  // U+7FFF
  EXPECT_EQ(tools.UnicodeStrToWapStr(""), "");
}

TEST_F(Encodings, WapStrSplitsSurrogatePairsAndMarksBadBytes) {
  EXPECT_EQ(tools.UnicodeStrToWapStr("😀"), "&#xFFFFD83D;&#xFFFFDE00;");
  EXPECT_EQ(tools.UnicodeStrToWapStr("a\xFF"), "&#x61;&#x3F;");
}

TEST(ChangeHTML, DisableEscapesAndKeepsLineBreakTags) {
  EXPECT_EQ(tools.ChangeHTML("a <b>\r\nc"), "a&nbsp;&lt;b&gt;<br>c");
  EXPECT_EQ(tools.ChangeHTML("x<br>y", kokit::xpChangeHTML_DisableHTML), "x<br>y");
  EXPECT_EQ(tools.ChangeHTML("\t", kokit::xpChangeHTML_DisableHTML), "&nbsp;&nbsp;&nbsp;&nbsp;");
}

TEST(ChangeHTML, EnableUnescapesButKeepsBreakTags) {
  EXPECT_EQ(tools.ChangeHTML("a&nbsp;&lt;b&gt;<br>c", kokit::xpChangeHTML_EnableHTML),
            "a <b><br>c");
  EXPECT_EQ(tools.ChangeHTML("&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;", kokit::xpChangeHTML_EnableHTML),
            "\t ");
}

TEST(ChangeHTML, SymbolModesAndUnknownMode) {
  EXPECT_EQ(tools.ChangeHTML("<a b>", kokit::xpChangeHTML_DisableHTMLOnlySymbol), "&lt;a b&gt;");
  EXPECT_EQ(tools.ChangeHTML("&lt;a&nbsp;b&gt;", kokit::xpChangeHTML_EnableHTMLOnlySymbol),
            "<a&nbsp;b>");
  EXPECT_EQ(tools.ChangeHTML("<a b>", 0), "<a b>");
  EXPECT_EQ(tools.ChangeHTML("<a b>", 5), "<a b>");
}

}  // namespace
