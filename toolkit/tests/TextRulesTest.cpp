#include <gtest/gtest.h>

#include <random>

#include "KokitTest.h"
#include "kokit/Currency.h"
#include "kokit/DateTime.h"
#include "kokit/Error.h"
#include "kokit/KoToolsApp.h"

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
  auto c = Currency::Parse(text);
  return c ? tools.ChnCurrency(*c, financial) : "unparsed";
}
std::string Tenths(const char* text) {
  auto c = Currency::Parse(text);
  return c ? std::to_string(c->TenThousandths()) : "unparsed";
}

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

// Byte counts are of GBK bytes: a Chinese character two, ASCII one.
class TextRules : public ::testing::Test {
 protected:
  TextRules() { kokit::SetLegacyCodepage("GBK"); }
  quarlo::testing::CodepageGuard codepage;
};

TEST_F(TextRules, ByteCountedCuts) {
  Check({
      {"LenA counts code-page bytes", std::to_string(tools.LenA("1中")), "3"},
      {"LenA of a character outside GBK", std::to_string(tools.LenA("a😀")), "2"},
      {"LeftA through a character", tools.LeftA("中文", 3), "中?"},
      {"LeftA beyond the end", tools.LeftA("中文", 100), "中文"},
      {"LeftA of nothing", tools.LeftA("中文", 0), ""},
      {"RightA through a character", tools.RightA("中文", 3), "?文"},
      {"RightA beyond the end", tools.RightA("中文", 100), "中文"},
      // The tail of 中 and the head of 文 would read as 形 in GBK.
      {"cut half does not pair with its neighbour", tools.MidA("中文字", 2, 4), "?文?"},
      {"MidA without length takes the rest", tools.MidA("中文字", 2), "?文字"},
      {"MidA with length 0 takes the rest", tools.MidA("abcdef", 3, 0), "cdef"},
      {"MidA with a length", tools.MidA("a中b", 2, 2), "中"},
      {"MidA past the end", tools.MidA("abcdef", 7), ""},
      {"InStrA gives a byte position", tools.InStrA("中文abc", "abc"), "5"},
      {"InStrA not found", tools.InStrA("abc", "x"), "0"},
      {"InStrA is case-sensitive", tools.InStrA("abc", "A"), "0"},
      {"InStrA of an empty pattern", tools.InStrA("abc", ""), "1"},
      {"InStrA in an empty text", tools.InStrA("", "a"), "0"},
      {"InStrA ignores bytes straddling characters", tools.InStrA("中文", "形"), "0"},
      {"InStrA ignores a trail byte", tools.InStrA("丂@", "@"), "3"},
      {"StrAlign right", tools.StrAlign("ab", 5, 1), "   ab"},
      {"StrAlign centre rounds 1.5 up", tools.StrAlign("ab", 5, 2), "  ab "},
      {"StrAlign centre rounds 2.5 to even", tools.StrAlign("ab", 7, 2), "  ab   "},
      {"StrAlign left by default", tools.StrAlign("ab", 5), "ab   "},
      {"StrAlign unknown style is left", tools.StrAlign("ab", 5, 7), "ab   "},
      {"StrAlign to nothing", tools.StrAlign("ab", 0, 1), ""},
      {"StrAlign counts Chinese as two", tools.StrAlign("中", 4, 1), "  中"},
      {"StrAlign left cut", tools.StrAlign("中文", 3), "中?"},
      {"StrAlign right cut", tools.StrAlign("中文", 3, 1), "?文"},
      {"StrAlign centre one byte too wide", tools.StrAlign("abc", 2, 2), "ab"},
  });
  EXPECT_THROW(tools.LeftA("abc", -1), kokit::Error);
  EXPECT_THROW(tools.RightA("abc", -1), kokit::Error);
  EXPECT_THROW(tools.MidA("abc", 0), kokit::Error);
  EXPECT_THROW(tools.MidA("abc", 1, -1), kokit::Error);
  EXPECT_THROW(tools.StrAlign("abc", -1), kokit::Error);
  EXPECT_THROW(tools.StrAlign("abcd", 2, 2), kokit::Error);  // two bytes too wide to centre
}

TEST_F(TextRules, ByteCutsUnderOtherCodePages) {
  kokit::SetLegacyCodepage("UTF-8");
  Check({{"UTF-8 counts three", std::to_string(tools.LenA("中")), "3"},
         {"UTF-8 cut", tools.LeftA("中文", 4), "中?"}});
  // Under GB18030 a character outside GBK counts four bytes; a cut gives a "?" per byte.
  kokit::SetLegacyCodepage("GB18030");
  Check({
      {"four-byte length", std::to_string(tools.LenA("a😀")), "5"},
      {"euro is one byte", std::to_string(tools.LenA("€中")), "3"},
      {"four-byte left cut", tools.LeftA("a😀b", 3), "a??"},
      {"four-byte whole", tools.LeftA("a😀b", 5), "a😀"},
      {"four-byte right cut", tools.RightA("a😀b", 2), "?b"},
      {"four-byte mid cut", tools.MidA("𠀀한", 3, 4), "????"},
      {"after a four-byte character", tools.MidA("𠀀한", 5), "한"},
      // The second byte of 𠀀 (95 32 82 36) is "2", but no character starts there.
      {"no match inside a four-byte character", tools.InStrA("𠀀2", "2"), "5"},
      {"four-byte align", tools.StrAlign("😀", 6, 1), "  😀"},
  });
}

TEST_F(TextRules, Encodings) {
  Check({
      {"hex of code-page bytes", tools.UnicodeStrToHexStr("1中"), "31D6D0"},
      {"hex back", tools.HexStrToUniCodeStr("31d6d0"), "1中"},
      {"hex of odd length", tools.HexStrToUniCodeStr("414"), std::string("A\x04", 2)},
      {"hex with a bad digit", tools.HexStrToUniCodeStr("3G"), ""},
      {"hex with a blank", tools.HexStrToUniCodeStr("41 42"), ""},
      {"hex with non-ASCII", tools.HexStrToUniCodeStr("4\xFF"), ""},
      {"hex with Chinese", tools.HexStrToUniCodeStr("中"), ""},
      {"hex of nothing", tools.HexStrToUniCodeStr(""), ""},
      {"hex of half a character", tools.HexStrToUniCodeStr("D6"), "?"},
      {"wap codes", tools.UnicodeStrToWapStr("1中"), "&#x31;&#x4E2D;"},
      {"wap codes are signed 16 bits", tools.UnicodeStrToWapStr("高"), "&#xFFFF9AD8;"},
      {"wap highest positive code", tools.UnicodeStrToWapStr("\xE7\xBF\xBF"), "&#x7FFF;"},
      {"wap surrogate pair", tools.UnicodeStrToWapStr("😀"), "&#xFFFFD83D;&#xFFFFDE00;"},
      {"wap stray byte", tools.UnicodeStrToWapStr("a\xFF"), "&#x61;&#x3F;"},
      {"disable HTML", tools.ChangeHTML("a <b>\r\nc"), "a&nbsp;&lt;b&gt;<br>c"},
      {"disable keeps break tags", tools.ChangeHTML("x<br>y", 1), "x<br>y"},
      {"disable tab", tools.ChangeHTML("\t", 1), "&nbsp;&nbsp;&nbsp;&nbsp;"},
      {"enable HTML", tools.ChangeHTML("a&nbsp;&lt;b&gt;<br>c", 2), "a <b><br>c"},
      {"enable tab", tools.ChangeHTML("&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;", 2), "\t "},
      {"disable symbols only", tools.ChangeHTML("<a b>", 3), "&lt;a b&gt;"},
      {"enable symbols only", tools.ChangeHTML("&lt;a&nbsp;b&gt;", 4), "<a&nbsp;b>"},
      {"mode 0 changes nothing", tools.ChangeHTML("<a b>", 0), "<a b>"},
      {"unknown mode changes nothing", tools.ChangeHTML("<a b>", 5), "<a b>"},
  });
}

TEST_F(TextRules, TaggedText) {
  std::string raw("\x01<a>\xD6\xD0</a>\xFF", 11);
  std::string got = tools.GetStrB(raw, "<a>", "</a>");
  Check({
      {"read without cutting", Cut("<a>x</a>", "<a>", "</a>", false), "x|<a>x</a>"},
      {"cut removes markers and content", Cut("pre<a>x</a>post", "<a>", "</a>"), "x|prepost"},
      // An empty element is not found, so the next end marker is taken.
      {"empty element", Cut("<a></a><a>y</a>", "<a>", "</a>"), "</a><a>y|"},
      {"only an empty element", Cut("<a></a>", "<a>", "</a>"), "|<a></a>"},
      {"missing begin", Cut("<a>x</a>", "<b>", "</b>"), "|<a>x</a>"},
      {"missing end", Cut("<a>x</a>", "<a>", "</b>"), "|<a>x</a>"},
      {"empty end takes the rest", Cut("key=value", "key=", ""), "value|"},
      {"empty end at the end", Cut("a;key=", "key=", ""), "|a;"},
      {"empty begin starts at the front", Cut("abc;def", "", ";"), "abc|def"},
      {"counts characters", Cut("<名>中</名><名>文</名>", "<名>", "</名>"), "中|<名>文</名>"},
      {"skip passes a whole character", Cut("<a>中x</a>", "<a>", "x"), "中|</a>"},
      {"case-sensitive", Cut("<A>x</A>", "<a>", "</a>"), "|<A>x</A>"},
      {"raw bytes", got + "|" + raw, "\xD6\xD0|\x01\xFF"},
  });
}

TEST_F(TextRules, AmountsAndDates) {
  Check({
      {"amount text", Currency::Parse("-1.2500")->ToText(), "-1.25"},
      {"amount without whole part", Currency::Parse("+.5")->ToText(), "0.5"},
      {"amount with a bare point", Currency::Parse("7.")->ToText(), "7"},
      {"negative zero", Currency::Parse("-0")->ToText(), "0"},
      {"smallest unit", Currency::FromTenThousandths(1).ToText(), "0.0001"},
      {"lowest amount", Currency::FromTenThousandths(INT64_MIN).ToText(), "-922337203685477.5808"},
      {"half rounds to even down", Tenths("0.00005"), "0"},
      {"half rounds to even up", Tenths("0.00015"), "2"},
      {"above half rounds up", Tenths("0.000050001"), "1"},
      {"below half rounds down", Tenths("0.00014999"), "1"},
      {"negative half", Tenths("-0.00015"), "-2"},
      {"highest amount", Tenths("922337203685477.5807"), std::to_string(INT64_MAX)},
      {"lowest amount parsed", Tenths("-922337203685477.5808"), std::to_string(INT64_MIN)},
      {"above the range", Tenths("922337203685477.5808"), "unparsed"},
      {"rounds above the range", Tenths("922337203685477.58075"), "unparsed"},
      {"far above the range", Tenths("99999999999999999999"), "unparsed"},
      {"financial numerals", Amount("50020.34"), "伍万零贰拾元叁角肆分"},
      {"fraction only", Amount("0.5"), "元伍角"},
      {"zero before cents", Amount("100.07"), "壹佰元零柒分"},
      {"whole amount", Amount("1234"), "壹仟贰佰叁拾肆元整"},
      {"zero", Amount("0"), "零元整"},
      {"zero between groups", Amount("100000001"), "壹亿零壹元整"},
      {"zero in the fraction", Amount("1.0001"), "壹元零壹毫"},
      {"ordinary numerals", Amount("1.32", false), "一元三角二分"},
      {"ten", Amount("10", false), "一十元整"},
      {"ten-thousands", Amount("12000000", false), "一千二百万元整"},
      {"ordinary zero before cents", Amount("1.05", false), "一元零五分"},
      {"ten-thousand hundred-millions", Amount("1000000000000", false), "一万亿元整"},
      {"every fraction digit", Amount("0.1234", false), "元一角二分三厘四毫"},
      {"negative", Amount("-5"), "Error"},
      {"highest amount in numerals",
       tools.ChnCurrency(Currency::FromTenThousandths(INT64_MAX), false),
       "九百二十二万三千三百七十二亿零三百六十八万五千四百七十七元五角八分零七毫"},
      {"lowest amount in numerals", tools.ChnCurrency(Currency::FromTenThousandths(INT64_MIN)),
       "Error"},
      {"Sunday", tools.ChnWeekName({2024, 3, 10, 0, 0, 0}), "星期日"},
      {"Saturday short", tools.ChnWeekName({2024, 3, 16, 23, 59, 59}, false), "六"},
      {"first day of the calendar", tools.ChnWeekName({1, 1, 1, 0, 0, 0}), "星期一"},
      {"date text", DateTime{1, 12, 31, 23, 59, 59}.ToText(), "0001-12-31 23:59:59"},
      {"date round trip", DateTime::Parse("2024-02-29 23:59:58")->ToText(), "2024-02-29 23:59:58"},
  });
  for (const char* bad :
       {"", "-", ".", "+.", "1e3", " 1", "1 ", "1,000", "1.2.3", "0x10", "--1", "１"}) {
    EXPECT_FALSE(Currency::Parse(bad)) << bad;
  }
  for (const char* bad :
       {"", "2024-02-30 00:00:00", "2023-02-29 00:00:00", "2024-13-01 00:00:00",
        "2024-00-01 00:00:00", "2024-01-01 24:00:00", "2024-01-01 00:60:00", "2024-01-01 00:00:60",
        "2024-1-01 00:00:00", "2024-01-01T00:00:00", "2024-01-01 00:00:00 ", "0000-01-01 00:00:00",
        "2024-01-01 0a:00:00", "yyyy-mm-dd hh:mm:ss", "2024-01-01", "+024-01-01 00:00:00"}) {
    EXPECT_FALSE(DateTime::Parse(bad)) << bad;
  }
  EXPECT_THROW(tools.ChnWeekName({2023, 2, 29, 0, 0, 0}), kokit::Error);
  EXPECT_TRUE(DateTime::Now().IsValid());
}

TEST_F(TextRules, FileNameParts) {
  auto part = [](const std::string& name, int which) { return tools.GetFilePart(name, which); };
  const int path = kokit::xpFilePart_Path, title = kokit::xpFilePart_FileTitle;
  const int ext = kokit::xpFilePart_ExtName, drive = kokit::xpFilePart_DriveNo;
  Check({
      {"backslash path", part("C:\\dir\\sub\\f.txt", path), "C:\\dir\\sub"},
      {"backslash title", part("C:\\dir\\sub\\f.txt", title), "f.txt"},
      {"extension", part("C:\\dir\\sub\\f.txt", ext), "txt"},
      {"drive", part("C:\\dir\\sub\\f.txt", drive), "C"},
      {"drive root keeps its separator", part("C:\\f.txt", path), "C:\\"},
      {"drive root with slash", part("C:/f.txt", path), "C:/"},
      {"backslash root", part("\\f.txt", path), "\\"},
      {"title below backslash root", part("\\f.txt", title), "f.txt"},
      {"slash root", part("/f.txt", path), "/"},
      {"root alone", part("/", path), "/"},
      {"root alone has a dot title", part("/", title), "."},
      {"folder name has a dot title", part("C:\\dir\\", title), "."},
      {"folder name path", part("/home/user/", path), "/home/user"},
      {"empty name title", part("", title), "."},
      {"empty name path", part("", path), ""},
      {"slash path", part("/var/log/quarlo/err.log", path), "/var/log/quarlo"},
      {"slash title", part("/var/log/quarlo/err.log", title), "err.log"},
      {"relative path", part("rel/f", path), "rel"},
      {"bare name has no path", part("f", path), ""},
      {"bare name title", part("f", title), "f"},
      {"share path", part("\\\\server\\share\\f", path), "\\\\server\\share"},
      {"extension from the first dot", part("a.b.txt", ext), "b.txt"},
      {"no extension", part("report", ext), ""},
      {"no drive", part("/tmp/x", drive), ""},
      {"colon first is no drive", part(":x", drive), ""},
      {"empty name has no drive", part("", drive), ""},
      {"unknown part", part("report", 9), "Error"},
      {"part 0", part("report", 0), "Error"},
  });
}

TEST_F(TextRules, ByteCutsAlwaysGiveValidUtf8) {
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

TEST_F(TextRules, NoMemberCrashesOnStrayBytes) {
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

}  // namespace
