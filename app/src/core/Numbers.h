#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quarlodesk {

// A number as the user typed it (blanks around it allowed, C locale, decimals and exponents);
// nothing for empty or other text.
std::optional<double> VbNumber(std::string_view text);

// Rounded to the nearest whole number, halves to even (12.5 gives 12, 13.5 gives 14); nothing
// outside the 32-bit range.
std::optional<int32_t> RoundToInt32(double value);

// Both: the text as a 32-bit whole number, or nothing.
std::optional<int32_t> ParseWholeNumber(std::string_view text);

}  // namespace quarlodesk
