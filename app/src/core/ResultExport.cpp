#include "core/ResultExport.h"

#include "kokit/Codepage.h"
#include "kokit/Error.h"
#include "quarlohost/TextWriters.h"

namespace quarlodesk {

namespace {

constexpr size_t kFlushBytes = 64 * 1024;
constexpr const char* kUtf8Bom = "\xEF\xBB\xBF";

// The UTF-8 character at `offset` (values come from the library as valid UTF-8).
std::string CharacterAt(const std::string& text, size_t offset) {
  const auto lead = static_cast<unsigned char>(text[offset]);
  const size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  return text.substr(offset, n);
}

}  // namespace

std::vector<ExportChoice> ExportChoices() {
  return {
      {ExportFormat::CsvUtf8, "CSV 文件，UTF-8 (*.csv)", "csv"},
      {ExportFormat::CsvLegacy, "CSV 文件，" + kokit::LegacyCodepage() + " (*.csv)", "csv"},
      {ExportFormat::Tsv, "TSV 文件 (*.tsv)", "tsv"},
      {ExportFormat::JsonLines, "JSON Lines 文件 (*.jsonl)", "jsonl"},
  };
}

ResultExport::ResultExport(const std::string& path, ExportFormat format,
                           const std::vector<quarlolink::host::Column>& columns)
    : format_(format), file_(path) {
  using namespace quarlolink::host;
  switch (format) {
    case ExportFormat::CsvUtf8:
      buffer_ << kUtf8Bom;
      [[fallthrough]];
    case ExportFormat::CsvLegacy:
      writer_ = std::make_unique<CsvWriter>(buffer_, true);
      break;
    case ExportFormat::Tsv:
      writer_ = std::make_unique<TsvWriter>(buffer_, true);
      break;
    case ExportFormat::JsonLines:
      writer_ = std::make_unique<JsonWriter>(buffer_);
      break;
  }
  writer_->BeginResult(columns);
}

void ResultExport::Row(const std::vector<std::string>& values) {
  writer_->Row(values);
  ++rows_;
  if (static_cast<size_t>(buffer_.tellp()) >= kFlushBytes) Flush();
}

// The buffer holds whole records, so a conversion never cuts a character.
void ResultExport::Flush() {
  std::string text = std::move(buffer_).str();
  buffer_.str({});
  if (format_ == ExportFormat::CsvLegacy) {
    size_t lost = std::string::npos;
    std::string bytes = kokit::ToLegacy(text, &lost);
    if (lost != std::string::npos) {
      throw kokit::Error(-1, "代码页 " + kokit::LegacyCodepage() + " 不能表示字符“" +
                                 CharacterAt(text, lost) + "”，结果没有导出；请选择 UTF-8 的 CSV");
    }
    text = std::move(bytes);
  }
  file_.Write(text);
}

void ResultExport::Commit() {
  writer_->EndResult();
  Flush();
  file_.Commit();
}

}  // namespace quarlodesk
