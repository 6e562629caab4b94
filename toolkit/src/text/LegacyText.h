#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kokit::detail {

// A text in the legacy code page together with where each of its characters starts, so that a
// byte range can be turned back into text without misreading a cut character.
class LegacyText {
 public:
  explicit LegacyText(std::string_view utf8);

  const std::string& Bytes() const { return bytes_; }
  size_t Size() const { return bytes_.size(); }

  // Bytes [from, to) back as UTF-8 (clamped to the text). Whole characters come back as the
  // code page gives them; each byte of a character that the range cuts through becomes "?".
  std::string Slice(size_t from, size_t to) const;

  // True when a character starts at byte `pos` (the end counts as a start).
  bool IsCharStart(size_t pos) const;

 private:
  std::string bytes_;
  std::vector<size_t> starts_;  // start of every character, then bytes_.size()
};

}  // namespace kokit::detail
