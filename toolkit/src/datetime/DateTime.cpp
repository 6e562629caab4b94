#include "kokit/DateTime.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace kokit {

namespace {

// Reads exactly `width` decimal digits at `pos`; nothing when any of them is not a digit.
std::optional<int> Digits(std::string_view text, size_t pos, size_t width) {
  int value = 0;
  for (size_t i = pos; i < pos + width; ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

std::string DateTime::ToText() const {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute,
                second);
  return buf;
}

bool DateTime::IsValid() const {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  using namespace std::chrono;
  auto last = year_month_day_last(std::chrono::year(year),
                                  month_day_last(std::chrono::month(static_cast<unsigned>(month))));
  if (static_cast<unsigned>(day) > static_cast<unsigned>(last.day())) return false;
  return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

std::optional<DateTime> DateTime::Parse(std::string_view text) {
  // yyyy-mm-dd hh:mm:ss
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':') {
    return std::nullopt;
  }
  auto y = Digits(text, 0, 4), mo = Digits(text, 5, 2), d = Digits(text, 8, 2);
  auto h = Digits(text, 11, 2), mi = Digits(text, 14, 2), s = Digits(text, 17, 2);
  if (!y || !mo || !d || !h || !mi || !s) return std::nullopt;
  DateTime dt{*y, *mo, *d, *h, *mi, *s};
  if (!dt.IsValid()) return std::nullopt;
  return dt;
}

DateTime DateTime::Now() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return DateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace kokit
