#include <random>

#include "KokitTest.h"
#include "kokit/Currency.h"
#include "kokit/DateTime.h"
#include "text/Utf8.h"

using kokit::Currency;
using kokit::DateTime;

namespace {

kokit::KoToolsApp tools;

struct Row {
  const char* name;
  std::string got;
  std::string want;
};

void Check(std::initializer_list<Row> rows) {
  for (const Row& row : rows) EXPECT_EQ(row.got, row.want) << row.name;
}

// The result of a GetStr call and what it left of the source, as "result|rest".
std::string Cut(std::string s, const std::string& begin, const std::string& end, bool cut = true) {
  std::string got = tools.GetStr(s, begin, end, cut);
  return got + "|" + s;
}

std::string Amount(const char* text, bool financial = true) {
  return tools.ChnCurrency(*Currency::Parse(text), financial);
}
std::string Tenths(const char* text) {
  auto c = Currency::Parse(text);
  return c ? std::to_string(c->TenThousandths()) : "unparsed";
}

bool IsValidUtf8(std::string_view s) {
  for (size_t i = 0, n; i < s.size(); i += n) {
    n = kokit::detail::Utf8CharLength(s, i);
    if (n == 1 && static_cast<unsigned char>(s[i]) >= 0x80) return false;
  }
  return true;
}

// Byte counts are of GBK bytes: a Chinese character two, ASCII one.
using TextRules = quarlo::testing::KokitTest;

TEST_F(TextRules, ByteCountedCuts) {
  Check({
      {"LenA counts code-page bytes", std::to_string(tools.LenA("1中")), "3"},
      {"LeftA through a character", tools.LeftA("中文", 3), "中?"},
      {"RightA through a character", tools.RightA("中文", 3), "?文"},
      // The tail of 中 and the head of 文 would read as 形 in GBK.
      {"cut half does not pair with its neighbour", tools.MidA("中文字", 2, 4), "?文?"},
      {"MidA without length takes the rest", tools.MidA("中文字", 2), "?文字"},
      {"InStrA gives a byte position", tools.InStrA("中文abc", "abc"), "5"},
      {"InStrA in an empty text", tools.InStrA("", "a"), "0"},
      {"InStrA matches only at a character start", tools.InStrA("中文", "形"), "0"},
      {"InStrA skips a trail byte", tools.InStrA("丂@", "@"), "3"},
      {"StrAlign left by default", tools.StrAlign("ab", 5), "ab   "},
      {"StrAlign right", tools.StrAlign("ab", 5, 1), "   ab"},
      {"StrAlign centre rounds 1.5 up", tools.StrAlign("ab", 5, 2), "  ab "},
      {"StrAlign centre rounds 2.5 to even", tools.StrAlign("ab", 7, 2), "  ab   "},
      {"StrAlign centre one byte too wide", tools.StrAlign("abc", 2, 2), "ab"},
  });
  EXPECT_THROW(tools.LeftA("abc", -1), kokit::Error);
  EXPECT_THROW(tools.MidA("abc", 0), kokit::Error);
  EXPECT_THROW(tools.StrAlign("abcd", 2, 2), kokit::Error);  // two bytes too wide to centre
  // Under GB18030 a character outside GBK counts four bytes; a cut gives a "?" per byte.
  kokit::SetLegacyCodepage("GB18030");
  Check({
      {"cut inside one character", tools.MidA("𠀀한", 3, 4), "????"},
      // The second byte of 𠀀 (95 32 82 36) is "2", but no character starts there.
      {"no match inside a four-byte character", tools.InStrA("𠀀2", "2"), "5"},
  });
}

TEST_F(TextRules, EncodingsAndTaggedText) {
  std::string raw("\x01<a>\xD6\xD0</a>\xFF", 11);
  std::string got = tools.GetStrB(raw, "<a>", "</a>");
  Check({
      {"hex of code-page bytes", tools.UnicodeStrToHexStr("1中"), "31D6D0"},
      {"hex back", tools.HexStrToUniCodeStr("31d6d0"), "1中"},
      {"hex of odd length", tools.HexStrToUniCodeStr("414"), std::string("A\x04", 2)},
      {"hex with a bad digit", tools.HexStrToUniCodeStr("3G"), ""},
      {"wap codes", tools.UnicodeStrToWapStr("1中"), "&#x31;&#x4E2D;"},
      {"wap codes are signed 16 bits", tools.UnicodeStrToWapStr("高"), "&#xFFFF9AD8;"},
      {"wap surrogate pair", tools.UnicodeStrToWapStr("😀"), "&#xFFFFD83D;&#xFFFFDE00;"},
      {"wap stray byte", tools.UnicodeStrToWapStr("a\xFF"), "&#x61;&#x3F;"},
      {"disable HTML", tools.ChangeHTML("a <b>\r\n\t"),
       "a&nbsp;&lt;b&gt;<br>&nbsp;&nbsp;&nbsp;&nbsp;"},
      {"enable HTML", tools.ChangeHTML("a&nbsp;&lt;b&gt;<br>&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;", 2),
       "a <b><br>\t "},
      {"disable symbols only", tools.ChangeHTML("<a b>", 3), "&lt;a b&gt;"},
      {"enable symbols only", tools.ChangeHTML("&lt;a&nbsp;b&gt;", 4), "<a&nbsp;b>"},
      {"unknown mode changes nothing", tools.ChangeHTML("<a b>", 5), "<a b>"},
      {"read without cutting", Cut("<a>x</a>", "<a>", "</a>", false), "x|<a>x</a>"},
      {"cut removes markers and content", Cut("pre<a>x</a>post", "<a>", "</a>"), "x|prepost"},
      // An empty element is not found, so the next end marker is taken.
      {"empty element", Cut("<a></a><a>y</a>", "<a>", "</a>"), "</a><a>y|"},
      {"missing begin", Cut("<a>x</a>", "<b>", "</b>"), "|<a>x</a>"},
      {"missing end", Cut("<a>x</a>", "<a>", "</b>"), "|<a>x</a>"},
      {"empty end takes the rest", Cut("key=value", "key=", ""), "value|"},
      {"skip passes a whole character", Cut("<a>中x</a>", "<a>", "x"), "中|</a>"},
      {"raw bytes", got + "|" + raw, "\xD6\xD0|\x01\xFF"},
  });
}

TEST_F(TextRules, AmountsAndDates) {
  Check({
      {"amount text", Currency::Parse("-1.2500")->ToText(), "-1.25"},
      {"lowest amount", Currency::FromTenThousandths(INT64_MIN).ToText(), "-922337203685477.5808"},
      {"half rounds to even down", Tenths("0.00005"), "0"},
      {"half rounds to even up", Tenths("0.00015"), "2"},
      {"above half rounds up", Tenths("0.000050001"), "1"},
      {"lowest amount parsed", Tenths("-922337203685477.5808"), std::to_string(INT64_MIN)},
      {"above the range", Tenths("922337203685477.5808"), "unparsed"},
      {"rounds above the range", Tenths("922337203685477.58075"), "unparsed"},
      {"far above the range", Tenths("99999999999999999999"), "unparsed"},
      {"financial numerals", Amount("50020.34"), "伍万零贰拾元叁角肆分"},
      {"fraction only", Amount("0.5"), "元伍角"},
      {"zero before cents", Amount("100.07"), "壹佰元零柒分"},
      {"zero", Amount("0"), "零元整"},
      {"zero between groups", Amount("100000001"), "壹亿零壹元整"},
      {"ordinary numerals", Amount("1.32", false), "一元三角二分"},
      {"ten-thousands", Amount("12000000", false), "一千二百万元整"},
      {"ten-thousand hundred-millions", Amount("1000000000000", false), "一万亿元整"},
      {"negative", Amount("-5"), "Error"},
      {"highest amount in numerals",
       tools.ChnCurrency(Currency::FromTenThousandths(INT64_MAX), false),
       "九百二十二万三千三百七十二亿零三百六十八万五千四百七十七元五角八分零七毫"},
      {"Sunday", tools.ChnWeekName({2024, 3, 10, 0, 0, 0}), "星期日"},
      {"Saturday short", tools.ChnWeekName({2024, 3, 16, 23, 59, 59}, false), "六"},
      {"date round trip", DateTime::Parse("0001-02-28 23:59:58")->ToText(), "0001-02-28 23:59:58"},
  });
  for (const char* bad : {"", ".", "1e3", " 1"}) EXPECT_FALSE(Currency::Parse(bad)) << bad;
  for (const char* bad : {"", "2024-02-30 00:00:00", "2024-01-01 24:00:00", "2024-01-01 0a:00:00"})
    EXPECT_FALSE(DateTime::Parse(bad)) << bad;
  EXPECT_THROW(tools.ChnWeekName({2023, 2, 29, 0, 0, 0}), kokit::Error);
}

TEST_F(TextRules, FileNameParts) {
  auto part = [&](const std::string& name, int which) { return tools.GetFilePart(name, which); };
  const int path = kokit::xpFilePart_Path, title = kokit::xpFilePart_FileTitle;
  const int ext = kokit::xpFilePart_ExtName, drive = kokit::xpFilePart_DriveNo;
  Check({
      {"path", part("C:\\dir\\sub/f.txt", path), "C:\\dir\\sub"},
      {"title", part("C:\\dir\\sub/f.txt", title), "f.txt"},
      {"drive", part("C:\\dir\\sub\\f.txt", drive), "C"},
      {"drive root keeps its separator", part("C:\\f.txt", path), "C:\\"},
      {"leading separator is the root", part("\\f.txt", path), "\\"},
      {"extension from the first dot", part("a.b.txt", ext), "b.txt"},
      {"colon first is no drive", part(":x", drive), ""},
      {"unknown part", part("report", 9), "Error"},
  });
}

// Mixed ASCII, Chinese, emoji and stray bytes: byte cuts stay valid UTF-8 and fit their width.
TEST_F(TextRules, RandomTextNeverBreaksTheByteFunctions) {
  static const char* pieces[] = {"a",    " ",    "<",    ">",  "中", "文", "丂", "😀", "\xFF",
                                 "\xD6", "\r\n", "&lt;", "\\", "/",  ":",  ".",  ""};
  std::mt19937 gen(20240310);
  std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
  std::uniform_int_distribution<int32_t> n(0, 30);
  for (int round = 0; round < 300; ++round) {
    std::string text;
    for (int32_t i = n(gen) % 13; i > 0; --i) text += pieces[pick(gen)];
    const int32_t a = n(gen), b = n(gen);
    for (const std::string& out : {tools.LeftA(text, a), tools.RightA(text, a),
                                   tools.MidA(text, a + 1, b), tools.StrAlign(text, a, b % 2),
                                   tools.HexStrToUniCodeStr(tools.UnicodeStrToHexStr(text))}) {
      ASSERT_TRUE(IsValidUtf8(out)) << text << " " << a << " " << b;
    }
    EXPECT_EQ(tools.LenA(tools.StrAlign(text, a, b % 2)), a) << text;
    for (int part = 0; part <= 5; ++part) tools.GetFilePart(text, part);  // no trip on stray bytes
  }
}

}  // namespace
