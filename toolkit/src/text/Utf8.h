#pragma once

#include <string>
#include <string_view>

namespace kokit::detail {

// Length of the well-formed UTF-8 character that starts at `text[pos]`, or 1 for a byte that
// does not start one. `pos` must be inside `text`.
size_t Utf8CharLength(std::string_view text, size_t pos);

// The text as UTF-16 code units; a byte that is not part of a well-formed character becomes "?".
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace kokit::detail
