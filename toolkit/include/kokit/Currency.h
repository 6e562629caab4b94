#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kokit {

// A money amount with exactly four decimal places, held as a whole number of ten-thousandths
// (so 1.5 is 15000). Conversions to and from text are exact decimal arithmetic.
class Currency {
 public:
  constexpr Currency() = default;

  static constexpr Currency FromTenThousandths(int64_t count) { return Currency(count); }
  constexpr int64_t TenThousandths() const { return count_; }

  // Decimal text: an optional sign, digits, and optionally "." with more digits ("12", "-0.5",
  // "3.14159", ".5"). Digits past the fourth decimal place round half to even. Nothing for
  // anything else (blanks, exponents, thousands separators) or an amount out of range.
  static std::optional<Currency> Parse(std::string_view text);

  // Plain decimal text with "." and no trailing zeros in the fraction: "2.5", "2", "0.05",
  // "-1.25".
  std::string ToText() const;

  friend constexpr auto operator<=>(Currency, Currency) = default;

 private:
  constexpr explicit Currency(int64_t count) : count_(count) {}

  int64_t count_ = 0;
};

}  // namespace kokit
