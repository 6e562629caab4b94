#pragma once

#include <cstdint>
#include <string>

#include "kokit/DateTime.h"

namespace quarlolink::http {

// The common fields of a raw response header (lines ending CR LF, status line first). Each is
// read on demand; a field that is missing or does not parse gives "", 0 or the zero date.
std::string HeaderAcceptRanges(const std::string& header);
std::string HeaderETag(const std::string& header);
std::string HeaderContentLocation(const std::string& header);
kokit::DateTime HeaderLastModified(const std::string& header);
std::string HeaderContentType(const std::string& header);
int32_t HeaderContentLength(const std::string& header);
std::string HeaderServer(const std::string& header);
std::string HeaderMimeVersion(const std::string& header);
kokit::DateTime HeaderDate(const std::string& header);
std::string HeaderStatusCode(const std::string& header);
std::string HeaderReasonPhrase(const std::string& header);

// "Sun, 06 Dec 2026 19:15:06 GMT" (the text between "," and "GMT" is read; the clock stays GMT);
// the zero date when it does not read as a date.
kokit::DateTime ParseHttpDate(const std::string& value);

}  // namespace quarlolink::http
