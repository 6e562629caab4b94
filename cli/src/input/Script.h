#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "args/Options.h"
#include "quarlosql/SqlScan.h"

namespace quarlocli {

// The scanner is shared with quarlopages.
using quarlosql::ScanSql;
using quarlosql::SqlSpan;

// True when `line` is a batch separator line: "go" alone, any letter case, blanks around.
bool IsGoLine(std::string_view line);

// Cuts a script into the batches sent one request each. Semicolon: at every ";" outside quotes
// and comments (the ";" itself is not sent). Go: at "go" lines (the batch is sent as written).
// Auto: Go when the script has a "go" line, else Semicolon. None: the whole script. Batches that
// hold nothing but blanks and comments are dropped.
std::vector<std::string> SplitScript(std::string_view script, SplitMode mode);

// True when an interactive buffer ends a statement: its last line is a "go" line, or (unless
// the mode is Go or None) its last code character outside quotes and comments is ";".
bool IsStatementComplete(std::string_view buffer, SplitMode mode);

// The text as it is sent: "--" comments dropped, and outside quotes every line break and tab
// becomes one blank, as the desktop program sends its editor text; line breaks and tabs inside
// quotes are data and stay. Leading and trailing blanks are trimmed.
std::string PrepareStatement(std::string_view sql);

}  // namespace quarlocli
