#include "conn/Uncarried.h"

#include <cstdio>
#include <string_view>

#include "kokit/Codepage.h"

namespace quarlolink::internal {

namespace {

// The well-formed UTF-8 character at the start of `s`, with its code point; empty when `s` does
// not start with one.
std::string_view CharacterAt(std::string_view s, char32_t& code) {
  const auto b = static_cast<unsigned char>(s[0]);
  const size_t n = b >= 0xC2 && b <= 0xDF   ? 2
                   : b >= 0xE0 && b <= 0xEF ? 3
                   : b >= 0xF0 && b <= 0xF4 ? 4
                                            : 0;
  if (n == 0 || n > s.size()) return {};
  code = b & (0x7F >> n);
  for (size_t i = 1; i < n; ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if ((c & 0xC0) != 0x80) return {};
    code = (code << 6) | (c & 0x3F);
  }
  static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kLeast[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {};
  return s.substr(0, n);
}

}  // namespace

std::string UncarriedRefusal(const std::string& sql) {
  size_t lost = std::string::npos;
  kokit::ToLegacy(sql, &lost);
  if (lost == std::string::npos) return "";
  const std::string_view rest = std::string_view(sql).substr(lost);
  char32_t code = 0;
  char buf[32];
  if (std::string_view character = CharacterAt(rest, code); !character.empty()) {
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(code));
    return "语句没有发送：代码页 " + kokit::LegacyCodepage() + " 不能表示字符“" +
           std::string(character) + "”（" + buf + "）";
  }
  std::snprintf(buf, sizeof buf, "0x%02X",
                static_cast<unsigned>(static_cast<unsigned char>(rest[0])));
  return "语句没有发送：其中的字节 " + std::string(buf) + " 不是 UTF-8 文本";
}

}  // namespace quarlolink::internal
