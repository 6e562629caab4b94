#pragma once

#include <cstdint>
#include <string_view>

namespace quarlolink::internal {

// The header values of an answer, read as the automation runtime converts text: throw
// kokit::Error 13 (type mismatch) for text that is not a value of the kind, 6 for an overflow.

// A decimal integer, blanks around it allowed.
int32_t HeadInteger(std::string_view text);

// True or False in any letter case, or a decimal number (0 false, anything else true).
bool HeadBoolean(std::string_view text);

}  // namespace quarlolink::internal
