#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarlopages {

// Query values as the client sends them: every byte of a value may be written as "%XX"; "+"
// is an ordinary character (the client never writes a blank as "+"). Values come back as raw
// bytes, still in the client's code page.
class QueryString {
 public:
  // Splits the query part of a request target (the text after "?", or the whole target when it
  // has no "?"). Throws std::invalid_argument with a text for the client on a malformed escape.
  static QueryString Parse(std::string_view target);

  // The first value of `name` (names compare without regard to ASCII case), or nothing.
  std::optional<std::string> Get(std::string_view name) const;
  bool Has(std::string_view name) const { return Get(name).has_value(); }

 private:
  std::vector<std::pair<std::string, std::string>> items_;
};

// "%XX" to a byte, everything else as it is; nothing when a "%" is not followed by two
// hexadecimal digits.
std::optional<std::string> PercentDecode(std::string_view text);

// Every byte as "%" and two uppercase hexadecimal digits, as the client writes query values.
std::string PercentEncodeBytes(std::string_view bytes);

}  // namespace quarlopages
