#include "recordset/HeadValues.h"

#include <charconv>
#include <limits>
#include <string>

#include "kokit/Error.h"

namespace quarlolink::internal {

namespace {

constexpr int32_t kOverflow = 6;
constexpr int32_t kTypeMismatch = 13;

std::string_view Trim(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

[[noreturn]] void Mismatch() { throw kokit::Error(kTypeMismatch, "Type mismatch"); }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    if (x != b[i]) return false;
  }
  return true;
}

}  // namespace

int32_t HeadInteger(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) Mismatch();
  int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (end != text.data() + text.size()) Mismatch();
  if (ec == std::errc::result_out_of_range || value < std::numeric_limits<int32_t>::min() ||
      value > std::numeric_limits<int32_t>::max()) {
    throw kokit::Error(kOverflow, "Overflow");
  }
  if (ec != std::errc()) Mismatch();
  return static_cast<int32_t>(value);
}

bool HeadBoolean(std::string_view text) {
  text = Trim(text);
  if (EqualsNoCase(text, "true")) return true;
  if (EqualsNoCase(text, "false")) return false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
  if (text.empty()) Mismatch();
  bool digits = false;
  bool nonZero = false;
  bool point = false;
  for (char c : text) {
    if (c == '.' && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      digits = true;
      nonZero = nonZero || c != '0';
    } else {
      Mismatch();
    }
  }
  if (!digits) Mismatch();
  return nonZero;
}

}  // namespace quarlolink::internal
