#pragma once

#include <string>
#include <string_view>

namespace kokit {

// The process-wide legacy code page: GBK unless $KOKIT_CODEPAGE names another iconv encoding
// (UTF-8 included). Every byte count, wire text and legacy file goes through these conversions.

// UTF-8 to code page bytes. A character the code page cannot hold, and a byte that is not valid
// UTF-8, each become "?".
std::string ToLegacy(std::string_view utf8);

// Code page bytes to UTF-8. A byte sequence that is not a character of the code page (a lone
// lead byte, say) becomes "?", so the result is always valid UTF-8.
std::string FromLegacy(std::string_view bytes);

// The iconv name in force.
std::string LegacyCodepage();

// Replaces the code page for the whole process; throws kokit::Error when iconv does not know it.
void SetLegacyCodepage(const std::string& name);

}  // namespace kokit
