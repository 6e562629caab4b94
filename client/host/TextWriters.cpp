#include "quarlohost/TextWriters.h"

#include <utf8proc.h>

#include <cstdio>

namespace quarlolink::host {

void CsvWriter::BeginResult(const std::vector<Column>& columns) {
  if (results_++ > 0) {
    BeforeWrite();
    out_ << "\r\n";
  }
  columns_ = columns.size();
  if (!header_) return;
  std::vector<std::string> names;
  for (const auto& c : columns) names.push_back(c.name);
  Record(names);
}

void CsvWriter::Row(const std::vector<std::string>& values) { Record(values); }

void CsvWriter::Record(const std::vector<std::string>& values) {
  line_.clear();
  for (size_t i = 0; i < columns_; ++i) {
    if (i) line_ += ',';
    const std::string& v = i < values.size() ? values[i] : std::string();
    if (v.find_first_of(",\"\r\n") != std::string::npos) {
      line_ += '"';
      for (char c : v) {
        if (c == '"') line_ += '"';
        line_ += c;
      }
      line_ += '"';
    } else if (v.empty() && columns_ == 1) {
      line_ += "\"\"";
    } else {
      line_ += v;
    }
  }
  line_ += "\r\n";
  BeforeWrite();
  out_ << line_;
}

void CsvWriter::EndResult() { out_.flush(); }

void TsvWriter::BeginResult(const std::vector<Column>& columns) {
  if (results_++ > 0) {
    BeforeWrite();
    out_ << '\n';
  }
  columns_ = columns.size();
  if (!header_) return;
  std::vector<std::string> names;
  for (const auto& c : columns) names.push_back(c.name);
  Record(names);
}

void TsvWriter::Row(const std::vector<std::string>& values) { Record(values); }

void TsvWriter::Record(const std::vector<std::string>& values) {
  line_.clear();
  for (size_t i = 0; i < columns_; ++i) {
    if (i) line_ += '\t';
    if (i >= values.size()) continue;
    for (char c : values[i]) {
      switch (c) {
        case '\\':
          line_ += "\\\\";
          break;
        case '\t':
          line_ += "\\t";
          break;
        case '\n':
          line_ += "\\n";
          break;
        case '\r':
          line_ += "\\r";
          break;
        default:
          line_ += c;
      }
    }
  }
  line_ += '\n';
  BeforeWrite();
  out_ << line_;
}

void TsvWriter::EndResult() { out_.flush(); }

void AppendJsonString(std::string& out, std::string_view s) {
  out += '"';
  auto* p = reinterpret_cast<const utf8proc_uint8_t*>(s.data());
  utf8proc_ssize_t left = static_cast<utf8proc_ssize_t>(s.size());
  while (left > 0) {
    unsigned char c = *p;
    if (c < 0x80) {
      switch (c) {
        case '"':
          out += "\\\"";
          break;
        case '\\':
          out += "\\\\";
          break;
        case '\n':
          out += "\\n";
          break;
        case '\r':
          out += "\\r";
          break;
        case '\t':
          out += "\\t";
          break;
        case '\b':
          out += "\\b";
          break;
        case '\f':
          out += "\\f";
          break;
        default:
          if (c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
          } else {
            out += static_cast<char>(c);
          }
      }
      ++p, --left;
      continue;
    }
    utf8proc_int32_t cp;
    utf8proc_ssize_t n = utf8proc_iterate(p, left, &cp);
    if (n <= 0) {
      out += "\xEF\xBF\xBD";
      ++p, --left;
      continue;
    }
    out.append(reinterpret_cast<const char*>(p), static_cast<size_t>(n));
    p += n;
    left -= n;
  }
  out += '"';
}

void JsonWriter::BeginResult(const std::vector<Column>& columns) {
  keys_.clear();
  for (const auto& c : columns) {
    std::string key;
    AppendJsonString(key, c.name);
    key += ':';
    keys_.push_back(std::move(key));
  }
}

void JsonWriter::Row(const std::vector<std::string>& values) {
  line_.clear();
  line_ += '{';
  for (size_t i = 0; i < keys_.size(); ++i) {
    if (i) line_ += ',';
    line_ += keys_[i];
    AppendJsonString(line_, i < values.size() ? values[i] : std::string());
  }
  line_ += "}\n";
  BeforeWrite();
  out_ << line_;
}

void JsonWriter::EndResult() { out_.flush(); }

}  // namespace quarlolink::host
