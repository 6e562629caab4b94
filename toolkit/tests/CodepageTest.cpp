#include "kokit/Codepage.h"

#include <iconv.h>

#include <optional>
#include <random>
#include <vector>

#include "KokitTest.h"

namespace {

using quarlo::testing::CodepageGuard;

constexpr size_t kNone = std::string::npos;

// Each row converts one way under one code page; `firstLost` is where the first "?" came from.
// (Plain GBK pairs, four-byte forms and the lone 0x80 are in the random texts below.)
TEST(Codepage, ConvertsBothWaysAndReportsTheFirstLoss) {
  CodepageGuard guard;
  // The test environment does not set KOKIT_CODEPAGE.
  EXPECT_EQ(kokit::LegacyCodepage(), "GB18030");
  struct Row {
    const char* name;
    const char* codepage;
    bool toLegacy;
    std::string input;
    std::string output;
    size_t firstLost;
  };
  const Row rows[] = {
      {"Korean, emoji and euro", "GB18030", true, "a한😀€", "a\x83\x36\x84\x33\x94\x39\xFC\x36\x80",
       kNone},
      {"euro as GB18030 writes it", "GB18030", false, "\xA2\xE3", "€", kNone},
      {"lead byte without its trail", "GB18030", false, "ab\x81'", "ab?'", 2},
      {"stray byte before ASCII", "GB18030", false,
       "\xFF"
       "A\xD6\xD0",
       "?A中", 0},
      {"broken UTF-8 input", "GB18030", true,
       "a\xE4\xB8"
       "b中",
       "a??b\xD6\xD0", 1},
      {"GBK cannot hold emoji", "GBK", true, "a😀b", "a?b", 1},
      {"UTF-8 cut short", "UTF-8", false, "\xE4\xB8", "??", 0},
      {"UTF-8 above Unicode", "UTF-8", false, "L\xF4\x96\x87\xAD!", "L?!", 1},
      {"UTF-8 five-byte form", "UTF-8", false, "\xF8\x88\x80\x80\x80x\xF4\x8F\xBF\xBF",
       "?x\xF4\x8F\xBF\xBF", 0},
      // Found after whole words of other text too, and across a word's end.
      {"UTF-8 above Unicode after words", "UTF-8", false, "abcdefgh\xC3\xA9xyzw\xF4\x90\x80\x80!",
       "abcdefgh\xC3\xA9xyzw?!", 14},
      {"beyond U+10FFFF in UTF-32", "UTF-32BE", false, std::string("\0\0\0a\0\x11\0\0", 8), "a????",
       4},
      {"ASCII-incompatible code page", "UTF-16LE", true, "A中", std::string("A\0\x2D\x4E", 4),
       kNone},
      {"ASCII-incompatible back", "UTF-16LE", false, std::string("A\0\x2D\x4E", 4), "A中", kNone},
  };
  for (const Row& row : rows) {
    kokit::SetLegacyCodepage(row.codepage);
    size_t lost = 0;
    std::string got =
        row.toLegacy ? kokit::ToLegacy(row.input, &lost) : kokit::FromLegacy(row.input, &lost);
    EXPECT_EQ(got, row.output) << row.name;
    EXPECT_EQ(lost, row.firstLost) << row.name;
  }
  EXPECT_THROW(kokit::SetLegacyCodepage("NO-SUCH-CODEPAGE"), kokit::Error);
  EXPECT_EQ(kokit::LegacyCodepage(), "UTF-16LE");
}

// One iconv call over the whole text; nothing when iconv refuses it.
std::optional<std::string> WholeIconv(const char* to, const char* from, const std::string& in) {
  iconv_t cd = iconv_open(to, from);
  std::string out(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size(), dstLeft = out.size();
  char* dst = out.data();
  size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1)) return std::nullopt;
  out.resize(out.size() - dstLeft);
  return out;
}

// Random GBK text, "€" as 0x80 included, has the same bytes under the default GB18030 as under
// GBK; and random GB18030 text (four-byte characters too) converts like one whole conversion,
// although ASCII runs are copied and only what lies between them goes through iconv.
TEST(Codepage, GbkTextKeepsItsBytesAndRunsConvertLikeOneWholeConversion) {
  std::mt19937 gen(20261206);
  // Every mapped GBK pair, trail bytes in the ASCII range (0x40..0x7E) included.
  std::vector<std::string> pairs;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
      if (WholeIconv("UTF-8", "GBK", pair)) pairs.push_back(pair);
    }
  }
  ASSERT_EQ(pairs.size(), 21791u);
  auto below = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(gen); };
  auto byte = [&](int from, int n) { return static_cast<char>(from + below(n)); };
  for (int round = 0; round < 300; ++round) {
    std::string gbk, gb18030;
    for (int p = below(41); p > 0; --p) {
      const int kind = below(4);
      if (kind == 1) {  // a four-byte character of the BMP: 81-83, digit, 81-FE, digit
        gb18030 += {byte(0x81, 3), byte('0', 10), byte(0x81, 126), byte('0', 10)};
      } else if (kind == 2) {
        gbk += '\x80';  // the euro
      } else {          // a mapped GBK pair or an ASCII byte, the same in both
        const std::string same =
            kind == 0 ? pairs[gen() % pairs.size()] : std::string{byte(0, 0x80)};
        gbk += same, gb18030 += same;
      }
    }
    const std::string gbkText = WholeIconv("UTF-8", "GBK", gbk).value();
    ASSERT_EQ(kokit::ToLegacy(gbkText), gbk) << "round " << round;
    ASSERT_EQ(kokit::FromLegacy(gbk), gbkText) << "round " << round;
    const std::string text = WholeIconv("UTF-8", "GB18030", gb18030).value();
    ASSERT_EQ(kokit::FromLegacy(gb18030), text) << "round " << round;
    ASSERT_EQ(kokit::ToLegacy(text), gb18030) << "round " << round;
  }
}

}  // namespace
