#include "cipher/Cipher.h"

#include <random>

#include "kokit/Codepage.h"

namespace kokit::detail {

namespace {

constexpr std::string_view kCharDefaultKey = "Rumbelow";
constexpr std::string_view kByteDefaultKey = "青岚";
constexpr int kFixedHead = 120;  // "x"

bool Enciphers(int32_t mode) { return mode == 0 || mode == 2; }
bool HasHead(int32_t mode) { return mode == 0 || mode == 1; }

int RandomBelow(int n) {
  thread_local std::mt19937 gen{std::random_device{}()};
  return std::uniform_int_distribution<int>(0, n - 1)(gen);
}

// The character codes of a text as the original saw them: ASCII as is, a double-byte character
// of the code page as its signed 16-bit code. Anything else is outside the cipher's contract and
// gets a code no printable character has.
void CharCodes(std::string_view utf8, std::basic_string<int32_t>& codes) {
  codes.clear();
  size_t i = 0;
  while (i < utf8.size()) {
    auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      codes.push_back(b);
      ++i;
      continue;
    }
    size_t n = (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 1;
    if (i + n > utf8.size()) n = utf8.size() - i;
    std::string legacy = ToLegacy(utf8.substr(i, n));
    if (legacy.size() == 2) {
      codes.push_back(static_cast<int16_t>((static_cast<unsigned char>(legacy[0]) << 8) |
                                           static_cast<unsigned char>(legacy[1])));
    } else {
      codes.push_back(-1);
    }
    i += n;
  }
}

// Key sum: s = (code + s) mod m, with the truncating remainder.
int32_t KeySum(const auto& key, int32_t m) {
  int32_t s = 0;
  for (auto c : key) s = (static_cast<int32_t>(c) + s) % m;
  return s;
}

}  // namespace

std::string EncCharStr(std::string_view source, std::string_view key, int32_t mode) {
  const bool enc = Enciphers(mode);
  const bool head = HasHead(mode);
  std::basic_string<int32_t> src, k;
  CharCodes(source, src);
  CharCodes(key.empty() ? kCharDefaultKey : key, k);

  int32_t h = kFixedHead;
  std::string out;
  if (head && enc) {
    h = RandomBelow(95) + 32;
    out.push_back(static_cast<char>(h));
  } else if (head) {
    if (src.empty()) return "";
    h = src.front();
    src.erase(0, 1);
  }
  const int32_t s = KeySum(k, 94);
  const size_t m = k.size();
  for (size_t i = 1; i <= src.size(); ++i) {
    const int32_t shift = h + k[i % m] + s;
    int32_t r;
    if (enc) {
      r = src[i - 1] + shift;
      while (r > 126) r -= 94;
    } else {
      r = src[i - 1] - shift;
      while (r < 32) r += 94;
    }
    // Only ASCII codes can be turned back into a character here.
    if (r < 0 || r > 127) return "";
    out.push_back(static_cast<char>(r));
  }
  return out;
}

std::string EncUnicodeStr(std::string_view source, std::string_view key, int32_t mode) {
  const bool enc = Enciphers(mode);
  const bool head = HasHead(mode);
  std::string src;
  if (enc) {
    src = ToLegacy(source);
  } else {
    auto bytes = HexToBytes(source);
    if (!bytes) return "";
    src = std::move(*bytes);
  }
  const std::string k = ToLegacy(key.empty() ? kByteDefaultKey : key);

  int32_t h = kFixedHead;
  std::string out;
  if (head && enc) {
    h = RandomBelow(256);
    out.push_back(static_cast<char>(h));
  } else if (head) {
    if (src.empty()) return "";
    h = static_cast<unsigned char>(src.front());
    src.erase(0, 1);
  }
  int32_t s = 0;
  for (unsigned char b : k) s = (b + s) % 255;
  const size_t m = k.size();
  for (size_t i = 1; i <= src.size(); ++i) {
    const int32_t shift = h + static_cast<unsigned char>(k[i % m]) + s;
    const int32_t c = static_cast<unsigned char>(src[i - 1]);
    int32_t r;
    if (enc) {
      r = c + shift;
      while (r > 255) r -= 255;
    } else {
      r = c - shift;
      while (r < 0) r += 255;
    }
    out.push_back(static_cast<char>(r));
  }
  return enc ? BytesToHex(out) : FromLegacy(out);
}

std::string BytesToHex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    hex.push_back(kDigits[b >> 4]);
    hex.push_back(kDigits[b & 0xF]);
  }
  return hex;
}

std::optional<std::string> HexToBytes(std::string_view hex) {
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string bytes;
  bytes.reserve(hex.size() / 2 + 1);
  for (size_t i = 0; i < hex.size(); i += 2) {
    int hi = digit(hex[i]);
    if (hi < 0) return std::nullopt;
    if (i + 1 == hex.size()) {
      bytes.push_back(static_cast<char>(hi));
      break;
    }
    int lo = digit(hex[i + 1]);
    if (lo < 0) return std::nullopt;
    bytes.push_back(static_cast<char>(hi * 16 + lo));
  }
  return bytes;
}

}  // namespace kokit::detail
