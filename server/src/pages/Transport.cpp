#include "Transport.h"

#include <cstdint>
#include <vector>

#include "kokit/KoToolsApp.h"

namespace quarlopages {
namespace {

constexpr int32_t kEncWithKeyHead = 0;
constexpr int32_t kUnEncWithKeyHead = 1;

// UTF-8 to UTF-16 code units; an invalid byte becomes U+FFFD.
std::vector<uint16_t> ToUtf16(std::string_view s) {
  std::vector<uint16_t> units;
  size_t i = 0;
  while (i < s.size()) {
    auto b = static_cast<unsigned char>(s[i]);
    uint32_t cp = 0xFFFD;
    size_t len = 1;
    if (b < 0x80) {
      cp = b;
    } else if ((b & 0xE0) == 0xC0) {
      len = 2, cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
      len = 3, cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
      len = 4, cp = b & 0x07;
    } else {
      len = 0;
    }
    bool ok = len > 0 && i + len <= s.size();
    for (size_t k = 1; ok && k < len; ++k) {
      auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (!ok) {
      units.push_back(0xFFFD);
      ++i;
      continue;
    }
    i += len;
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      cp -= 0x10000;
      units.push_back(static_cast<uint16_t>(0xD800 + (cp >> 10)));
      units.push_back(static_cast<uint16_t>(0xDC00 + (cp & 0x3FF)));
    } else if (cp > 0x10FFFF) {
      units.push_back(0xFFFD);
    } else {
      units.push_back(static_cast<uint16_t>(cp));
    }
  }
  return units;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::optional<uint16_t> ParseUnit(std::string_view hex) {
  if (hex.empty() || hex.size() > 8) return std::nullopt;
  uint32_t v = 0;
  for (char c : hex) {
    int d = (c >= '0' && c <= '9')   ? c - '0'
            : (c >= 'A' && c <= 'F') ? c - 'A' + 10
            : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                                     : -1;
    if (d < 0) return std::nullopt;
    v = v * 16 + static_cast<uint32_t>(d);
  }
  if (v <= 0xFFFF) return static_cast<uint16_t>(v);
  // Sign-extended form of a unit from 0x8000 up.
  if ((v >> 16) == 0xFFFF && (v & 0x8000)) return static_cast<uint16_t>(v & 0xFFFF);
  return std::nullopt;
}

}  // namespace

std::string ToWapHex(std::string_view utf8) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (uint16_t unit : ToUtf16(utf8)) {
    uint32_t v = unit >= 0x8000 ? 0xFFFF0000u | unit : unit;
    char buf[8];
    int n = 0;
    do {
      buf[n++] = kDigits[v & 15];
      v >>= 4;
    } while (v);
    while (n) out.push_back(buf[--n]);
    out.push_back(';');
  }
  return out;
}

std::optional<std::string> FromWapHex(std::string_view text) {
  std::string out;
  uint16_t pendingHigh = 0;
  while (!text.empty()) {
    auto semi = text.find(';');
    if (semi == std::string_view::npos) return std::nullopt;
    auto unit = ParseUnit(text.substr(0, semi));
    if (!unit) return std::nullopt;
    text.remove_prefix(semi + 1);
    if (pendingHigh) {
      if (*unit < 0xDC00 || *unit > 0xDFFF) return std::nullopt;
      AppendUtf8(out, 0x10000 + ((pendingHigh - 0xD800u) << 10) + (*unit - 0xDC00u));
      pendingHigh = 0;
    } else if (*unit >= 0xD800 && *unit <= 0xDBFF) {
      pendingHigh = *unit;
    } else if (*unit >= 0xDC00 && *unit <= 0xDFFF) {
      return std::nullopt;
    } else {
      AppendUtf8(out, *unit);
    }
  }
  if (pendingHigh) return std::nullopt;
  return out;
}

std::string EncipherText(std::string_view utf8, const std::string& key) {
  return kokit::KoToolsApp().EncCharStr(ToWapHex(utf8), key, kEncWithKeyHead);
}

std::optional<std::string> DecipherText(std::string_view enciphered, const std::string& key) {
  if (enciphered.empty()) return std::nullopt;
  std::string plain =
      kokit::KoToolsApp().EncCharStr(std::string(enciphered), key, kUnEncWithKeyHead);
  return FromWapHex(plain);
}

}  // namespace quarlopages
