#include "kokit/Currency.h"

#include <limits>

namespace kokit {

namespace {

constexpr uint64_t kScale = 10000;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<Currency> Currency::Parse(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

  const uint64_t limit =
      static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0);
  uint64_t scaled = 0;  // the magnitude in ten-thousandths
  bool anyDigit = false;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    anyDigit = true;
    if (scaled > (limit - static_cast<uint64_t>(text[i] - '0') * kScale) / 10) return std::nullopt;
    scaled = scaled * 10 + static_cast<uint64_t>(text[i] - '0') * kScale;
  }

  // Four decimal places exactly, then whatever follows decides the rounding.
  int roundDigit = -1;  // the fifth decimal digit, -1 when there is none
  bool stickyBeyond = false;
  if (i < text.size() && text[i] == '.') {
    ++i;
    uint64_t place = kScale / 10;
    for (int k = 0; i < text.size() && IsDigit(text[i]); ++i, ++k) {
      anyDigit = true;
      const auto d = static_cast<uint64_t>(text[i] - '0');
      if (k < 4) {
        if (scaled > limit - d * place) return std::nullopt;
        scaled += d * place;
        place /= 10;
      } else if (k == 4) {
        roundDigit = static_cast<int>(d);
      } else if (d != 0) {
        stickyBeyond = true;
      }
    }
  }
  if (!anyDigit || i != text.size()) return std::nullopt;

  const bool up = roundDigit > 5 || (roundDigit == 5 && (stickyBeyond || scaled % 2 == 1));
  if (up) {
    if (scaled == limit) return std::nullopt;
    ++scaled;
  }
  const int64_t count = negative ? static_cast<int64_t>(0 - scaled) : static_cast<int64_t>(scaled);
  return Currency(count);
}

std::string Currency::ToText() const {
  const bool negative = count_ < 0;
  const uint64_t magnitude =
      negative ? 0 - static_cast<uint64_t>(count_) : static_cast<uint64_t>(count_);
  std::string text = std::to_string(magnitude / kScale);
  uint64_t fraction = magnitude % kScale;
  if (fraction != 0) {
    std::string digits = std::to_string(fraction + kScale).substr(1);  // four digits, zero-padded
    while (digits.back() == '0') digits.pop_back();
    text += "." + digits;
  }
  return negative ? "-" + text : text;
}

}  // namespace kokit
