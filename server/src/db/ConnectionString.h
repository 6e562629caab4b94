#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quarlopages::db {

// The `key=value;` pairs of an ODBC connection string. Keys compare without regard to case; a
// value may be wrapped in braces to hold ";" (and "}}" for a "}" inside them).
class ConnectionString {
 public:
  // Throws DbError on an unterminated brace.
  static ConnectionString Parse(std::string_view text);

  // The value of the first pair named `key`, braces removed, blanks around it trimmed.
  std::optional<std::string> Get(std::string_view key) const;
  // The value as written (braces kept), trimmed; used to compare driver names.
  std::optional<std::string> GetRaw(std::string_view key) const;

 private:
  struct Pair {
    std::string key;  // lower case
    std::string value;
    std::string raw;
  };
  const Pair* Find(std::string_view key) const;
  std::vector<Pair> pairs_;
};

// ASCII lower case; connection-string keywords and driver names are ASCII.
std::string AsciiLower(std::string_view text);

}  // namespace quarlopages::db
