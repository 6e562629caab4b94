#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "kokit/KoToolsApp.h"

using namespace kokit;

namespace {

// Known results of both ciphers in every mode; then texts under a random head.
TEST(Ciphers, KnownResultsAndRandomHeads) {
  KoToolsApp tools;
  auto c = [&](const auto& s, const auto& k, int m) { return tools.EncCharStr(s, k, m); };
  auto u = [&](const auto& s, const auto& k, int m) { return tools.EncUnicodeStr(s, k, m); };
  const int enc = xpEncStr_EncNoKeyHead, dec = xpEncStr_UnEncNoKeyHead;
  const int encHead = xpEncStr_EncWithKeyHead, decHead = xpEncStr_UnEncWithKeyHead;
  // A plain byte 255 enciphers like plain 1 plus 254 (mod 255): that cipher byte deciphers to 0.
  char hex255[3];
  snprintf(hex255, sizeof hex255, "%02X",
           (std::stoi(u("\x01", "key", enc), nullptr, 16) + 253) % 255 + 1);
  struct Row {
    const char* name;
    std::string got;
    std::string want;
  };
  const Row rows[] = {
      // Key "ab": s = 3, then 7; head "x" (120). 'A' + 120 + 'b' + 7 = 290 -> 102 'f'.
      {"character cipher vector", c("AB", "ab", enc), "ff"},
      {"character cipher back", c("ff", "ab", dec), "AB"},
      {"character cipher default key", c("hello", "", enc), c("hello", "Rumbelow", enc)},
      {"tilde comes back as blank", c(c("a~b c", "key", enc), "key", dec), "a b c"},
      {"character decipher of nothing", c("", "k", decHead), ""},
      {"a character head alone", c(c("", "k", encHead), "k", decHead), ""},
      {"negative mode deciphers", c("ff", "ab", -1), "AB"},
      {"Chinese source gives nothing", c("中文", "k", enc), ""},
      // Key "A": shift 120 + 65 + 65 = 250; 'a' (97) + 250 = 347 -> 92 = 0x5C.
      {"byte cipher vector", u("a", "A", enc), "5C"},
      {"byte cipher back, lower-case hex", u("5c", "A", dec), "a"},
      {"byte cipher default key", u("hello 你好", "", enc), u("hello 你好", "青岚", enc)},
      {"byte decipher of nothing", u("", "k", decHead), ""},
      {"a byte head alone", u(u("", "k", encHead), "k", decHead), ""},
      {"non-hex cipher text", u("zz", "k", dec), ""},
      {"byte 255 comes back as zero", u(hex255, "key", dec), std::string(1, '\0')},
  };
  for (const Row& row : rows) EXPECT_EQ(row.got, row.want) << row.name;
  // A random head: cipher texts of one text differ (the same only once in 94 or 256), all decipher.
  const std::string text = "数据库 password=中文 ~\x7f";
  std::set<std::string> bytes, chars;
  for (int i = 0; i < 8; ++i)
    bytes.insert(u(text, "钥匙", encHead)), chars.insert(c("p@ss", "k", encHead));
  EXPECT_GT(std::min(bytes.size(), chars.size()), 1u);
  for (const std::string& s : bytes) EXPECT_EQ(u(s, "钥匙", decHead), text);
  for (const std::string& s : chars) EXPECT_EQ(c(s, "k", decHead), "p@ss");
}

}  // namespace
