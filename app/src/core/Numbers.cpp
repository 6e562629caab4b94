#include "core/Numbers.h"

#include <locale.h>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace quarlodesk {

std::optional<double> VbNumber(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
  const char c = text[0];
  if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.')) {
    return std::nullopt;  // no "inf", "nan" or hexadecimal forms
  }
  const std::string s(text);
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
  char* end = nullptr;
  errno = 0;
  const double v = strtod_l(s.c_str(), &end, cLocale);
  if (end != s.c_str() + s.size() || errno == ERANGE || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<int32_t> RoundToInt32(double value) {
  const double r = std::nearbyint(value);  // the default rounding mode: halves to even
  if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int32_t>(r);
}

std::optional<int32_t> ParseWholeNumber(std::string_view text) {
  const auto v = VbNumber(text);
  if (!v) return std::nullopt;
  return RoundToInt32(*v);
}

}  // namespace quarlodesk
