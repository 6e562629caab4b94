#include <gtest/gtest.h>

#include <set>

#include "kokit/Codepage.h"
#include "kokit/KoToolsApp.h"

using namespace kokit;

namespace {

std::string AllPrintable() {
  std::string s;
  for (int c = 32; c <= 125; ++c) s.push_back(static_cast<char>(c));
  return s;
}

bool IsUpperHex(const std::string& s) {
  return s.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

TEST(CharCipher, RoundTripsWithoutHead) {
  KoToolsApp tools;
  std::string text = AllPrintable();
  std::string enc = tools.EncCharStr(text, "secret", xpEncStr_EncNoKeyHead);
  ASSERT_EQ(enc.size(), text.size());
  for (char c : enc) {
    EXPECT_GE(c, 33);
    EXPECT_LE(c, 126);
  }
  EXPECT_EQ(enc, tools.EncCharStr(text, "secret", xpEncStr_EncNoKeyHead));  // deterministic
  EXPECT_EQ(tools.EncCharStr(enc, "secret", xpEncStr_UnEncNoKeyHead), text);
}

TEST(CharCipher, RoundTripsWithRandomHead) {
  KoToolsApp tools;
  std::string text = "Provider=x;Password=p@ss w0rd";
  std::set<std::string> seen;
  for (int i = 0; i < 20; ++i) {
    std::string enc = tools.EncCharStr(text, "k", xpEncStr_EncWithKeyHead);
    ASSERT_EQ(enc.size(), text.size() + 1);
    EXPECT_EQ(tools.EncCharStr(enc, "k", xpEncStr_UnEncWithKeyHead), text);
    seen.insert(enc);
  }
  EXPECT_GT(seen.size(), 1u);
}

TEST(CharCipher, KnownVector) {
  // Key "ab": s = (97 + 0) % 94 = 3, then (98 + 3) % 94 = 7; head "x" (120).
  // Position 1 uses key[2] = 'b' (98): 65 + 120 + 98 + 7 = 290 -> 196 -> 102 'f'.
  // Position 2 uses key[1] = 'a' (97): 66 + 224 = 290 -> 102 'f'.
  KoToolsApp tools;
  EXPECT_EQ(tools.EncCharStr("AB", "ab", xpEncStr_EncNoKeyHead), "ff");
  EXPECT_EQ(tools.EncCharStr("ff", "ab", xpEncStr_UnEncNoKeyHead), "AB");
}

TEST(CharCipher, EmptyKeyMeansDefaultKey) {
  KoToolsApp tools;
  EXPECT_EQ(tools.EncCharStr("hello", "", xpEncStr_EncNoKeyHead),
            tools.EncCharStr("hello", "Rumbelow", xpEncStr_EncNoKeyHead));
}

TEST(CharCipher, TildeComesBackAsBlank) {
  KoToolsApp tools;
  std::string enc = tools.EncCharStr("a~b c", "key", xpEncStr_EncNoKeyHead);
  EXPECT_EQ(tools.EncCharStr(enc, "key", xpEncStr_UnEncNoKeyHead), "a b c");
}

TEST(CharCipher, EmptySources) {
  KoToolsApp tools;
  EXPECT_EQ(tools.EncCharStr("", "k", xpEncStr_EncNoKeyHead), "");
  std::string headOnly = tools.EncCharStr("", "k", xpEncStr_EncWithKeyHead);
  ASSERT_EQ(headOnly.size(), 1u);
  EXPECT_GE(headOnly[0], 32);
  EXPECT_LE(headOnly[0], 126);
  EXPECT_EQ(tools.EncCharStr(headOnly, "k", xpEncStr_UnEncWithKeyHead), "");
  EXPECT_EQ(tools.EncCharStr("", "k", xpEncStr_UnEncWithKeyHead), "");
}

TEST(CharCipher, OtherModesDecipherWithoutHead) {
  KoToolsApp tools;
  std::string enc = tools.EncCharStr("text", "k", xpEncStr_EncNoKeyHead);
  EXPECT_EQ(tools.EncCharStr(enc, "k", 7), "text");
  EXPECT_EQ(tools.EncCharStr(enc, "k", -1), "text");
}

TEST(CharCipher, ChineseSourceGivesEmptyResult) {
  KoToolsApp tools;
  EXPECT_EQ(tools.EncCharStr("中文", "k", xpEncStr_EncNoKeyHead), "");
}

TEST(ByteCipher, ChineseRoundTripsInBothHeadModes) {
  KoToolsApp tools;
  std::string text = "数据库 password=中文 ~\x7f";
  std::string enc = tools.EncUnicodeStr(text, "钥匙", xpEncStr_EncNoKeyHead);
  EXPECT_TRUE(IsUpperHex(enc));
  EXPECT_EQ(enc.size(), 2 * ToLegacy(text).size());
  EXPECT_EQ(tools.EncUnicodeStr(enc, "钥匙", xpEncStr_UnEncNoKeyHead), text);

  std::string a = tools.EncUnicodeStr(text, "钥匙", xpEncStr_EncWithKeyHead);
  std::string b;
  for (int i = 0; i < 10 && (b.empty() || b == a); ++i) {
    b = tools.EncUnicodeStr(text, "钥匙", xpEncStr_EncWithKeyHead);
  }
  EXPECT_NE(a, b);
  EXPECT_EQ(a.size(), enc.size() + 2);
  EXPECT_EQ(tools.EncUnicodeStr(a, "钥匙", xpEncStr_UnEncWithKeyHead), text);
  EXPECT_EQ(tools.EncUnicodeStr(b, "钥匙", xpEncStr_UnEncWithKeyHead), text);
}

TEST(ByteCipher, KnownVector) {
  // Key "A" (65): s = 65; head 120; shift = 120 + 65 + 65 = 250. 'a' (97) + 250 = 347 -> 92 = 0x5C.
  KoToolsApp tools;
  EXPECT_EQ(tools.EncUnicodeStr("a", "A", xpEncStr_EncNoKeyHead), "5C");
  EXPECT_EQ(tools.EncUnicodeStr("5c", "A", xpEncStr_UnEncNoKeyHead), "a");
}

TEST(ByteCipher, EmptyKeyMeansDefaultKey) {
  KoToolsApp tools;
  EXPECT_EQ(tools.EncUnicodeStr("hello 你好", "", xpEncStr_EncNoKeyHead),
            tools.EncUnicodeStr("hello 你好", "青岚", xpEncStr_EncNoKeyHead));
}

TEST(ByteCipher, EmptySourceAndHeadOnly) {
  KoToolsApp tools;
  EXPECT_EQ(tools.EncUnicodeStr("", "k", xpEncStr_EncNoKeyHead), "");
  std::string head = tools.EncUnicodeStr("", "k", xpEncStr_EncWithKeyHead);
  EXPECT_EQ(head.size(), 2u);
  EXPECT_TRUE(IsUpperHex(head));
  EXPECT_EQ(tools.EncUnicodeStr(head, "k", xpEncStr_UnEncWithKeyHead), "");
  EXPECT_EQ(tools.EncUnicodeStr("", "k", xpEncStr_UnEncWithKeyHead), "");
}

TEST(ByteCipher, NonHexCiphertextGivesEmpty) {
  KoToolsApp tools;
  EXPECT_EQ(tools.EncUnicodeStr("zz", "k", xpEncStr_UnEncNoKeyHead), "");
  EXPECT_EQ(tools.EncUnicodeStr("12 4", "k", xpEncStr_UnEncWithKeyHead), "");
  EXPECT_EQ(tools.EncUnicodeStr("中文", "k", 9), "");
}

TEST(ByteCipher, EncipheredBytesAvoidZeroAndByte255ComesBackAsZero) {
  KoToolsApp tools;
  for (int b = 1; b < 128; ++b) {
    EXPECT_NE(
        tools.EncUnicodeStr(std::string(1, static_cast<char>(b)), "key", xpEncStr_EncNoKeyHead),
        "00");
  }
  // A plain byte 255 would encipher to the cipher byte of plain 1 plus 254 (mod 255); that
  // cipher byte deciphers to 0.
  int e1 = std::stoi(tools.EncUnicodeStr("\x01", "key", xpEncStr_EncNoKeyHead), nullptr, 16);
  int e255 = e1 + 254;
  while (e255 > 255) e255 -= 255;
  char hex[3];
  snprintf(hex, sizeof hex, "%02X", e255);
  EXPECT_EQ(tools.EncUnicodeStr(hex, "key", xpEncStr_UnEncNoKeyHead), std::string(1, '\0'));
}

TEST(Ciphers, LeaveTheStatusPairAlone) {
  KoToolsApp tools;
  tools.GetRegString(xpRegRoot_HKEY_CURRENT_USER, "No\\Such\\Key", "v");
  std::string status = tools.OptString();
  tools.EncCharStr("abc", "", xpEncStr_EncWithKeyHead);
  tools.EncUnicodeStr("zz", "", xpEncStr_UnEncNoKeyHead);
  EXPECT_EQ(tools.OptString(), status);
  EXPECT_EQ(tools.OptStatus(), -1);
}

}  // namespace
