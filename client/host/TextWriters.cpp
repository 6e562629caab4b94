#include "quarlohost/TextWriters.h"

#include <utf8proc.h>

#include <cstdio>

namespace quarlolink::host {

void DelimitedWriter::BeginResult(const std::vector<Column>& columns) {
  if (results_++ > 0) {
    BeforeWrite();
    out_ << lineEnd_;
  }
  columns_ = columns.size();
  if (!header_) return;
  std::vector<std::string> names;
  for (const auto& c : columns) names.push_back(c.name);
  Record(names);
}

void DelimitedWriter::Record(const std::vector<std::string>& values) {
  static const std::string kMissing;
  line_.clear();
  for (size_t i = 0; i < columns_; ++i) {
    if (i) line_ += separator_;
    AppendValue(line_, i < values.size() ? values[i] : kMissing, columns_);
  }
  line_ += lineEnd_;
  BeforeWrite();
  out_ << line_;
}

void CsvWriter::AppendValue(std::string& line, const std::string& v, size_t columns) const {
  if (v.find_first_of(",\"\r\n") != std::string::npos) {
    line += '"';
    for (char c : v) {
      if (c == '"') line += '"';
      line += c;
    }
    line += '"';
  } else if (v.empty() && columns == 1) {
    line += "\"\"";
  } else {
    line += v;
  }
}

void TsvWriter::AppendValue(std::string& line, const std::string& v, size_t) const {
  for (char c : v) {
    switch (c) {
      case '\\':
        line += "\\\\";
        break;
      case '\t':
        line += "\\t";
        break;
      case '\n':
        line += "\\n";
        break;
      case '\r':
        line += "\\r";
        break;
      default:
        line += c;
    }
  }
}

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
