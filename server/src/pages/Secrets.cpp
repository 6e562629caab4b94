#include "Secrets.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdint>
#include <system_error>
#include <vector>

namespace quarlopages {
namespace {

void FillRandom(void* data, size_t size) {
  auto* p = static_cast<unsigned char*>(data);
  while (size > 0) {
    ssize_t n = getrandom(p, size, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category(), "getrandom");
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
}

}  // namespace

std::string NewSessionId() {
  unsigned char bytes[16];
  FillRandom(bytes, sizeof bytes);
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string id;
  for (unsigned char b : bytes) {
    id.push_back(kDigits[b >> 4]);
    id.push_back(kDigits[b & 15]);
  }
  return id;
}

std::string NewIssuedKey(size_t length) {
  std::string alphabet;
  for (char c = 33; c <= 126; ++c) {
    if (c != '<' && c != '>' && c != '&') alphabet.push_back(c);
  }
  std::string key;
  while (key.size() < length) {
    unsigned char b;
    FillRandom(&b, 1);
    // Rejection sampling keeps every character equally likely.
    if (b >= 256 - 256 % alphabet.size()) continue;
    key.push_back(alphabet[b % alphabet.size()]);
  }
  return key;
}

bool ConstantTimeEquals(std::string_view a, std::string_view b) {
  unsigned char diff = a.size() == b.size() ? 0 : 1;
  size_t n = a.size() > b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
    unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
    diff |= static_cast<unsigned char>(x ^ y);
  }
  return diff == 0;
}

}  // namespace quarlopages
