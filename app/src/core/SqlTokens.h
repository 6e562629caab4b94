#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quarlodesk {

// What a piece of SQL text is, for colouring the editor.
enum class SqlKind { Keyword, String, Number, Comment, Name };

struct SqlSpan {
  size_t start;  // in UTF-16 code units of the line, as the editor counts
  size_t length;
  SqlKind kind;
};

// Where a line ends: inside nothing, a block comment, a quoted string, or a $tag$ body (whose
// tag, "$tag$" in full, the next line needs to find the end).
struct SqlLineState {
  enum Inside : uint8_t { Nothing, BlockComment, QuotedString, DollarBody } inside = Nothing;
  std::u16string tag;
  bool operator==(const SqlLineState&) const = default;
};

// Splits one line of the editor into coloured spans, carrying what a line leaves open to the
// next: `--` and `/* */` comments, '...' strings ('' inside), [...] and "..." names, $tag$
// bodies, numbers, and keywords in any case. Words may hold any non-ASCII letter, so a digit in
// a Chinese name is no number.
std::vector<SqlSpan> SqlLineSpans(std::u16string_view line, SqlLineState& state);

}  // namespace quarlodesk
