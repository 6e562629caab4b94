#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kokit::detail {

// What one log record says.
struct LogParts {
  std::string date;  // "yyyy-mm-dd hh:mm:ss"
  std::string module;
  std::string function;
  std::string remark;
  int32_t step = 0;
  int32_t line = 0;
  int32_t number = 0;
  std::string description;
  std::string appendData;
};

// The log file's record (UTF-8): step and line share the second line.
std::string FileRecord(const LogParts& p);

// The event log's text: step and line stand on lines of their own, and nothing follows the last
// part.
std::string EventLogText(const LogParts& p);

// Appends bytes to a file, creating it (mode 0600) when missing, in one write. Throws
// kokit::Error with errno's number when the file cannot be opened or written.
void AppendToFile(const std::string& path, std::string_view bytes);

}  // namespace kokit::detail
