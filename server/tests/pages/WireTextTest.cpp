// The texts on the wire the end-to-end tests cannot send: bad escapes, and the hex form of the
// connection string both ways.
#include <gtest/gtest.h>

#include "QueryString.h"
#include "Transport.h"

namespace quarlopages {
namespace {

// Every other rule of the query string is run by the end-to-end tests.
TEST(QueryString, RefusesBadEscapes) {
  for (const char* bad : {"?a=%4", "?a=%", "?a=%GG", "?a=%4G1", "?a%=1", "?a=1%2"}) {
    EXPECT_THROW(QueryString::Parse(bad), std::invalid_argument) << bad;
  }
  EXPECT_FALSE(QueryString::Parse("?a=1").Has("b"));
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
}

}  // namespace
}  // namespace quarlopages
