#pragma once

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/ReplacingFile.h"
#include "quarlohost/ResultWriter.h"

namespace quarlodesk {

// The file formats of the export command, in the order the save dialog lists them.
enum class ExportFormat { CsvUtf8, CsvLegacy, Tsv, JsonLines };

struct ExportChoice {
  ExportFormat format;
  std::string filter;  // the save dialog's name filter, in Qt's form
  std::string suffix;  // given to a name typed without one
};
std::vector<ExportChoice> ExportChoices();

// Writes one result set to a file with the command-line program's writers: CSV with a UTF-8
// byte-order mark (so spreadsheet programs read Chinese right) or in the legacy code page, TSV
// and JSON lines in UTF-8. The rows go to a temporary file beside the target in pieces of about
// 64 KB; Commit puts it in the target's place, and an export destroyed before that leaves no
// file behind and an existing target untouched. A character the legacy code page cannot hold
// stops the export (no "?" in its place). Failures throw kokit::Error.
class ResultExport {
 public:
  ResultExport(const std::string& path, ExportFormat format,
               const std::vector<quarlolink::host::Column>& columns);
  void Row(const std::vector<std::string>& values);
  int64_t Rows() const { return rows_; }
  void Commit();

 private:
  void Flush();

  ExportFormat format_;
  ReplacingFile file_;
  std::ostringstream buffer_;
  std::unique_ptr<quarlolink::host::ResultWriter> writer_;
  int64_t rows_ = 0;
};

}  // namespace quarlodesk
