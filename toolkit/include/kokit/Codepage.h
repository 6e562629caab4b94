#pragma once

#include <string>
#include <string_view>

namespace kokit {

// The process-wide legacy code page: GB18030 unless $KOKIT_CODEPAGE names another iconv encoding
// (GBK and UTF-8 included). Every byte count, wire text and legacy file goes through these
// conversions. Under GB18030 "€" is the single byte 0x80 both ways, as GBK writes it, so text
// that GBK can hold has the same bytes under either.

// Both conversions tell, when asked, where the first loss was: *firstLost becomes the offset in
// the input of the first character (or byte sequence) that became "?", std::string::npos when
// nothing was lost. Callers that must not put "?" in place of data refuse with it.

// UTF-8 to code page bytes. A character the code page cannot hold, and a byte that is not valid
// UTF-8, each become "?".
std::string ToLegacy(std::string_view utf8, size_t* firstLost = nullptr);

// Code page bytes to UTF-8. A byte sequence that is not a character of the code page (a lone
// lead byte, say) becomes "?", so the result is always valid UTF-8.
std::string FromLegacy(std::string_view bytes, size_t* firstLost = nullptr);

// The iconv name in force.
std::string LegacyCodepage();

// Replaces the code page for the whole process; throws kokit::Error when iconv does not know it.
void SetLegacyCodepage(const std::string& name);

}  // namespace kokit
