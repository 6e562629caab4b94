#pragma once

#include <ostream>
#include <string_view>

#include "quarlohost/ResultWriter.h"

namespace quarlolink::host {

// CSV as RFC 4180 has it: records end with CR LF; a value holding a comma, a double quote, CR or
// LF is quoted, with its quotes doubled. An empty value in a one-column result is written "" so
// that the record is not an empty line. Result sets are separated by an empty line.
class CsvWriter : public ResultWriter {
 public:
  CsvWriter(std::ostream& out, bool header) : out_(out), header_(header) {}
  void BeginResult(const std::vector<Column>& columns) override;
  void Row(const std::vector<std::string>& values) override;
  void EndResult() override;

 private:
  void Record(const std::vector<std::string>& values);
  std::ostream& out_;
  bool header_;
  size_t columns_ = 0;
  int results_ = 0;
  std::string line_;
};

// Tab-separated values, one record per line (LF). Backslash, tab, LF and CR in a value are
// written \\, \t, \n and \r, as PostgreSQL's text COPY format does, so every record is one line.
// Result sets are separated by an empty line.
class TsvWriter : public ResultWriter {
 public:
  TsvWriter(std::ostream& out, bool header) : out_(out), header_(header) {}
  void BeginResult(const std::vector<Column>& columns) override;
  void Row(const std::vector<std::string>& values) override;
  void EndResult() override;

 private:
  void Record(const std::vector<std::string>& values);
  std::ostream& out_;
  bool header_;
  size_t columns_ = 0;
  int results_ = 0;
  std::string line_;
};

// JSON lines: one object per row, {"column": "value", ...} in column order; every value is a
// string, as the server sends every value as text.
class JsonWriter : public ResultWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}
  void BeginResult(const std::vector<Column>& columns) override;
  void Row(const std::vector<std::string>& values) override;
  void EndResult() override;

 private:
  std::ostream& out_;
  std::vector<std::string> keys_;  // already escaped and quoted, with the colon
  std::string line_;
};

// Appends `s` as a JSON string literal, quotes included. Bytes that are not UTF-8 become U+FFFD.
void AppendJsonString(std::string& out, std::string_view s);

}  // namespace quarlolink::host
