// The texts on the wire, each rule a table: the query string, the hex form of the connection
// string, and the answer's markup.
#include <gtest/gtest.h>

#include "AnswerWriter.h"
#include "QueryString.h"
#include "Secrets.h"
#include "Transport.h"

namespace quarlopages {
namespace {

TEST(QueryString, DecodesEveryByteAndRefusesBadEscapes) {
  struct Row {
    const char* name;
    const char* target;
    const char* key;
    std::optional<std::string> value;
  } rows[] = {
      {"escapes in either case", "/p?SQL=%53%45%4c%45%43%54%20%31&R=25", "SQL", "SELECT 1"},
      {"plus stays plus", "?SQL=1+2%2B3", "SQL", "1+2+3"},
      {"raw bytes and NUL", "?v=%D6%D0%00x", "v", std::string("\xD6\xD0\0x", 4)},
      {"names in any case, the first wins", "?opt=1&OPT=2", "Opt", "1"},
      {"empty", "?Empty=&flag", "empty", ""},
      {"without =", "?Empty=&flag", "flag", ""},
      {"missing", "?a=1", "b", std::nullopt},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(QueryString::Parse(row.target).Get(row.key), row.value) << row.name;
  }
  for (const char* bad : {"?a=%4", "?a=%", "?a=%GG", "?a=%4G1", "?a%=1", "?a=1%2"}) {
    EXPECT_THROW(QueryString::Parse(bad), std::invalid_argument) << bad;
  }
  EXPECT_EQ(PercentEncodeBytes("A 1\n"), "%41%20%31%0A");
  EXPECT_EQ(PercentDecode(PercentEncodeBytes("\xff\x80")), "\xff\x80");
}

// Code units as signed hex, read back; and what is not in that form.
TEST(Transport, TheHexFormBothWays) {
  for (auto [text, hex] : {std::pair{"A中", "41;4E2D;"},
                           {"请", "FFFF8BF7;"},
                           {"1高", "31;FFFF9AD8;"},
                           {"😀", "FFFFD83D;FFFFDE00;"},
                           {"", ""}}) {
    EXPECT_EQ(ToWapHex(text), hex) << text;
    EXPECT_EQ(FromWapHex(hex), text) << text;
  }
  EXPECT_EQ(FromWapHex("4e2d;"), "中");
  EXPECT_EQ(FromWapHex("8BF7;"), "请");
  for (const char* bad : {"41", "41;;", "XY;", "123456789;", "FFFE0041;", "D83D;", "DE00;41;"}) {
    EXPECT_FALSE(FromWapHex(bad)) << bad;
  }
  // The issued key goes inside the answer's markup.
  for (char c : NewIssuedKey(2000)) {
    EXPECT_TRUE(c >= 33 && c <= 126 && c != '<' && c != '>' && c != '&') << int(c);
  }
}

TEST(AnswerWriter, TheMarkupOfEachAnswer) {
  AnswerWriter first, update, later, keep, strip;
  first.FullHead({-1, true, false}, {{"id", 3, 4}, {"", 200, 50}});
  first.Row({std::string("1"), std::string("abc")}, true);
  first.Row({std::string("2"), std::nullopt}, true);
  EXPECT_EQ(first.Text(),
            "OK<Head><RecordsAffected>-1</RecordsAffected><EOF>True</EOF>"
            "<IsNextRecordset>False</IsNextRecordset></Head>"
            "<Fields><Field><Name>id</Name><Type>3</Type><DefinedSize>4</DefinedSize></Field>"
            "<Field><Name></Name><Type>200</Type><DefinedSize>50</DefinedSize></Field></Fields>"
            "<RowValue><~0_>1</~0_><~1_>abc</~1_></RowValue>"
            "<RowValue><~0_>2</~0_><~1_></~1_></RowValue>");
  update.FullHead({7, true, true}, {});
  EXPECT_EQ(update.Text(),
            "OK<Head><RecordsAffected>7</RecordsAffected><EOF>True</EOF>"
            "<IsNextRecordset>True</IsNextRecordset></Head>");
  later.ShortHead(false);
  later.Row({std::string("x")}, false);
  EXPECT_EQ(later.Text(), "OK<Head><EOF>False</EOF></Head><RowValue><~0_>x</~0_></RowValue>");
  // Only trailing blanks go, and only when asked.
  db::Row row{std::string("  a b  "), std::string("\t "), std::string("   ")};
  keep.Row(row, false);
  strip.Row(row, true);
  EXPECT_EQ(keep.Text(), "OK<RowValue><~0_>  a b  </~0_><~1_>\t </~1_><~2_>   </~2_></RowValue>");
  EXPECT_EQ(strip.Text(), "OK<RowValue><~0_>  a b</~0_><~1_>\t</~1_><~2_></~2_></RowValue>");
}

}  // namespace
}  // namespace quarlopages
