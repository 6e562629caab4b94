// Splits one fuzz input into the few arguments a parser takes: a leading byte picks a mode or
// an option, and a 0xFF byte separates texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

namespace quarlofuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}

  uint8_t Byte() {
    if (rest_.empty()) return 0;
    auto b = static_cast<uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return b;
  }
  // The text up to the next separator (or the end), separator dropped.
  std::string Text() {
    size_t cut = rest_.find('\xFF');
    std::string out(rest_.substr(0, cut));
    rest_.remove_prefix(cut == std::string_view::npos ? rest_.size() : cut + 1);
    return out;
  }
  std::string Rest() { return std::string(std::exchange(rest_, {})); }

 private:
  std::string_view rest_;
};

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
inline bool IsUtf8(std::string_view s) {
  for (size_t i = 0, n = 0; i < s.size(); i += n) {
    auto b = static_cast<unsigned char>(s[i]);
    n = b < 0x80                 ? 1
        : b >= 0xC2 && b <= 0xDF ? 2
        : (b >> 4) == 0xE        ? 3
        : b >= 0xF0 && b <= 0xF4 ? 4
                                 : 0;
    if (n == 0 || i + n > s.size()) return false;
    uint32_t cp = n == 1 ? b : b & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
      auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if ((n == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
      return false;
  }
  return true;
}

// A broken property of a parser: abort so the fuzzer keeps the input.
inline void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz property broken: %s\n", what);
  std::abort();
}

}  // namespace quarlofuzz
