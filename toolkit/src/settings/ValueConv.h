#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "kokit/DateTime.h"
#include "kokit/IniItem.h"

namespace kokit::detail {

// Decimal text as a number: blanks around it, an optional sign, digits with an optional point,
// an optional exponent. Nothing for anything else.
std::optional<double> ParseNumber(std::string_view text);

// The numeric reading of a value: numbers as they are, true -1 and false 0, numeric text.
// Dates and other text are not numeric.
std::optional<double> NumericOf(const IniValue& value);

// Rounds to the nearest integer, halves to the even one. Throws kokit::Error(ERANGE) outside
// the 32-bit range (and for NaN).
int32_t RoundToLong(double x);

// "yyyy-mm-dd hh:mm:ss", or a date alone as "yyyy-mm-dd" (midnight).
std::optional<DateTime> ParseDate(std::string_view text);

// A date value, or text that reads as one.
std::optional<DateTime> DateOf(const IniValue& value);

// The value as text: numbers in shortest decimal form, booleans "True"/"False", dates in the
// settings pattern.
std::string TextOf(const IniValue& value);

}  // namespace kokit::detail
