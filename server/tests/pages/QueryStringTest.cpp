#include "QueryString.h"

#include <gtest/gtest.h>

namespace quarlopages {
namespace {

TEST(QueryString, DecodesEveryEscapeInEitherLetterCase) {
  auto q = QueryString::Parse("/p?SQL=%53%45%4c%45%43%54%20%31&RowsPerComm=25");
  EXPECT_EQ(q.Get("SQL"), "SELECT 1");
  EXPECT_EQ(q.Get("RowsPerComm"), "25");
}

TEST(QueryString, KeepsPlusAsPlus) {
  auto q = QueryString::Parse("?SQL=1+2%2B3");
  EXPECT_EQ(q.Get("SQL"), "1+2+3");
}

TEST(QueryString, KeepsRawBytesIncludingNul) {
  auto q = QueryString::Parse("?v=%D6%D0%00x");
  EXPECT_EQ(q.Get("v"), std::string("\xD6\xD0\0x", 4));
}

TEST(QueryString, RefusesMalformedEscapes) {
  for (const char* bad : {"?a=%4", "?a=%", "?a=%GG", "?a=%4G1", "?a%=1", "?a=1%2"}) {
    EXPECT_THROW(QueryString::Parse(bad), std::invalid_argument) << bad;
  }
}

TEST(QueryString, NamesIgnoreCaseAndTheFirstValueWins) {
  auto q = QueryString::Parse("?opt=1&OPT=2&Empty=&flag");
  EXPECT_EQ(q.Get("Opt"), "1");
  EXPECT_EQ(q.Get("empty"), "");
  EXPECT_EQ(q.Get("flag"), "");
  EXPECT_FALSE(q.Has("missing"));
}

TEST(QueryString, EncodesEveryByte) {
  EXPECT_EQ(PercentEncodeBytes("A 1\n"), "%41%20%31%0A");
  EXPECT_EQ(PercentEncodeBytes(""), "");
  EXPECT_EQ(PercentDecode(PercentEncodeBytes("\xff\x80")), "\xff\x80");
}

}  // namespace
}  // namespace quarlopages
