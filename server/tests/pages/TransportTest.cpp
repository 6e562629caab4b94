#include "Transport.h"

#include <gtest/gtest.h>

#include "Secrets.h"

namespace quarlopages {
namespace {

TEST(Transport, WritesCodeUnitsAsSignedHex) {
  EXPECT_EQ(ToWapHex("A中"), "41;4E2D;");
  EXPECT_EQ(ToWapHex("请"), "FFFF8BF7;");
  EXPECT_EQ(ToWapHex("1高"), "31;FFFF9AD8;");
  EXPECT_EQ(ToWapHex(""), "");
}

TEST(Transport, ReadsTheHexFormBack) {
  for (const char* text : {"A中", "请", "driver={SQL Server};pwd=p;w=d", "😀 emoji", ""}) {
    EXPECT_EQ(FromWapHex(ToWapHex(text)), text) << text;
  }
  EXPECT_EQ(FromWapHex("4e2d;"), "中");
  EXPECT_EQ(FromWapHex("8BF7;"), "请");
}

TEST(Transport, RefusesTextNotInTheHexForm) {
  for (const char* bad : {"41", "41;;", "XY;", "123456789;", "FFFE0041;", "D83D;", "DE00;41;"}) {
    EXPECT_FALSE(FromWapHex(bad)) << bad;
  }
}

TEST(Transport, DeciphersWithTheSameKeyOnly) {
  std::string enciphered = EncipherText("driver={SQL Server};server=127.0.0.1;pwd=秘密", "k3y!");
  EXPECT_EQ(DecipherText(enciphered, "k3y!"), "driver={SQL Server};server=127.0.0.1;pwd=秘密");
  auto wrong = DecipherText(enciphered, "other");
  EXPECT_TRUE(!wrong || *wrong != "driver={SQL Server};server=127.0.0.1;pwd=秘密");
  EXPECT_FALSE(DecipherText("", "k3y!"));
}

TEST(Transport, AnIssuedKeyWorksAsACipherKey) {
  for (int i = 0; i < 50; ++i) {
    std::string key = NewIssuedKey();
    EXPECT_EQ(DecipherText(EncipherText("dbq=演示.db;", key), key), "dbq=演示.db;");
  }
}

TEST(Secrets, SessionIdsAre128RandomBits) {
  std::string a = NewSessionId(), b = NewSessionId();
  EXPECT_EQ(a.size(), 32u);
  EXPECT_EQ(a.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_NE(a, b);
}

TEST(Secrets, IssuedKeysArePrintableWithoutMarkup) {
  std::string key = NewIssuedKey(2000);
  for (char c : key) {
    EXPECT_GE(c, 33);
    EXPECT_LE(c, 126);
    EXPECT_TRUE(c != '<' && c != '>' && c != '&');
  }
}

TEST(Secrets, ConstantTimeEqualsComparesWholeTexts) {
  EXPECT_TRUE(ConstantTimeEquals("abc", "abc"));
  EXPECT_FALSE(ConstantTimeEquals("abc", "abd"));
  EXPECT_FALSE(ConstantTimeEquals("abc", "abcd"));
  EXPECT_FALSE(ConstantTimeEquals("", "a"));
  EXPECT_TRUE(ConstantTimeEquals("", ""));
}

}  // namespace
}  // namespace quarlopages
