#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kokit::detail {

// `text` without leading and trailing blanks, cut to what a NUL-terminated field of `fieldBytes`
// bytes in the legacy code page holds, never inside a character. Stays UTF-8.
std::string TipField(std::string_view text, size_t fieldBytes);

}  // namespace kokit::detail
