#include "settings/ValueConv.h"

#include <locale.h>
#include <stdlib.h>

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>

#include "kokit/Error.h"

namespace kokit::detail {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Optional sign, digits with at most one point (at least one digit), optional exponent.
bool IsDecimal(std::string_view s) {
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = 0;
  bool point = false;
  for (; i < s.size(); ++i) {
    if (IsDigit(s[i])) {
      ++digits;
    } else if (s[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  return i == s.size();
}

}  // namespace

std::optional<double> ParseNumber(std::string_view text) {
  std::string s(Trim(text));
  if (!IsDecimal(s)) return std::nullopt;
  // The C locale, so that a host's locale (a decimal comma) does not change what reads as a
  // number. Out-of-range text gives infinity or zero, which later fails as an overflow or reads
  // as 0.
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
  if (!cLocale) return std::nullopt;
  return strtod_l(s.c_str(), nullptr, cLocale);
}

std::optional<double> NumericOf(const IniValue& value) {
  if (auto* i = std::get_if<int32_t>(&value)) return *i;
  if (auto* d = std::get_if<double>(&value)) return *d;
  if (auto* b = std::get_if<bool>(&value)) return *b ? -1.0 : 0.0;
  if (auto* s = std::get_if<std::string>(&value)) return ParseNumber(*s);
  return std::nullopt;
}

int32_t RoundToLong(double x) {
  double r = std::floor(x);
  double diff = x - r;
  if (diff > 0.5 || (diff == 0.5 && std::fmod(r, 2.0) != 0.0)) r += 1.0;
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) {
    throw Error(ERANGE, "Overflow: the value does not fit a 32-bit integer");
  }
  return static_cast<int32_t>(r);
}

std::optional<DateTime> ParseDate(std::string_view text) {
  if (auto dt = DateTime::Parse(text)) return dt;
  if (text.size() == 10) return DateTime::Parse(std::string(text) + " 00:00:00");
  return std::nullopt;
}

std::optional<DateTime> DateOf(const IniValue& value) {
  if (auto* dt = std::get_if<DateTime>(&value)) {
    if (dt->IsValid()) return *dt;
    return std::nullopt;
  }
  if (auto* s = std::get_if<std::string>(&value)) return ParseDate(*s);
  return std::nullopt;
}

std::string TextOf(const IniValue& value) {
  if (auto* s = std::get_if<std::string>(&value)) return *s;
  if (auto* i = std::get_if<int32_t>(&value)) return std::to_string(*i);
  if (auto* b = std::get_if<bool>(&value)) return *b ? "True" : "False";
  if (auto* dt = std::get_if<DateTime>(&value)) return dt->ToText();
  double d = std::get<double>(value);
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d);
  return ec == std::errc() ? std::string(buf, end) : std::string();
}

}  // namespace kokit::detail
