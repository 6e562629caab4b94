#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kokit {

// A calendar date and a time of day on the local clock, as settings and log lines hold them.
// Fields are plain numbers: month 1..12, day 1..31, hour 0..23, minute and second 0..59.
struct DateTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;

  // "yyyy-mm-dd hh:mm:ss" (24-hour clock).
  std::string ToText() const;

  // True when the fields name a real moment of the years 1..9999.
  bool IsValid() const;

  // Exactly "yyyy-mm-dd hh:mm:ss" naming a real moment; nothing otherwise.
  static std::optional<DateTime> Parse(std::string_view text);

  // The current local date and time, to the second.
  static DateTime Now();

  friend bool operator==(const DateTime&, const DateTime&) = default;
};

}  // namespace kokit
