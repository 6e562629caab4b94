#pragma once

#include <string>

namespace quarlodesk {

// Query files hold the editor's text exactly, line breaks as CR LF, in the legacy code page,
// without byte-order mark or added final line break.

// The editor's text (line breaks "\n") as the file's bytes.
std::string QueryFileBytes(const std::string& editorText);
// A file's bytes as the editor's text: CR LF pairs become "\n".
std::string EditorTextFromFile(const std::string& bytes);

// Reads a whole file; throws kokit::Error (errno and its text) when it cannot.
std::string ReadWholeFile(const std::string& path);
// Replaces the file's content through a synced temporary file beside it and a rename, so a
// failed write leaves the old file whole; a symbolic link is written through. Throws
// kokit::Error.
void WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace quarlodesk
