#include "core/GridText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "kokit/Codepage.h"

namespace quarlodesk {

int32_t LegacyByteLength(std::string_view utf8) {
  const bool ascii = std::all_of(utf8.begin(), utf8.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) return static_cast<int32_t>(utf8.size());
  return static_cast<int32_t>(kokit::ToLegacy(utf8).size());
}

std::string_view TrimmedView(std::string_view value) {
  const auto first = value.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return value.substr(first, value.find_last_not_of(' ') - first + 1);
}

ColumnWidths::ColumnWidths(double fontSize, const std::vector<std::string>& headers)
    : fontSize_(fontSize) {
  maxWidth_.reserve(headers.size());
  for (const std::string& h : headers) maxWidth_.push_back(Units(h));
}

int ColumnWidths::Units(std::string_view text) const {
  return static_cast<int>(std::lround(fontSize_ * LegacyByteLength(text)));
}

void ColumnWidths::Add(size_t column, std::string_view trimmedValue) {
  if (column >= maxWidth_.size()) return;
  // The code page never takes more bytes than UTF-8, so a value whose UTF-8 form fits the widest
  // so far is skipped without converting it (most values of a page are).
  if (fontSize_ * static_cast<double>(trimmedValue.size()) <= maxWidth_[column]) return;
  maxWidth_[column] = std::max(maxWidth_[column], Units(trimmedValue));
}

std::vector<int> ColumnWidths::Widths(int32_t lastRowNo) const {
  const int cap = static_cast<int>(std::lround(fontSize_ * 100));
  const int digits = static_cast<int>(std::to_string(lastRowNo).size());
  std::vector<int> out;
  out.push_back(static_cast<int>(std::lround(fontSize_ * (digits + 1) * 10)));
  for (int w : maxWidth_) out.push_back(std::min(w, cap) * 10 + 250);
  return out;
}

std::string CopyCellsText(const CellText& cell, int32_t row1, int32_t row2, int32_t col1,
                          int32_t col2) {
  if (row1 > row2) std::swap(row1, row2);
  if (col1 > col2) std::swap(col1, col2);
  std::string out;
  for (int32_t r = row1; r <= row2; ++r) {
    for (int32_t c = col1; c <= col2; ++c) {
      out += cell(r, c);
      out += c == col2 ? "\r\n" : "\t";
    }
  }
  return out;
}

std::string CopyColumnNamesText(const CellText& cell, int32_t col1, int32_t col2) {
  if (col1 > col2) std::swap(col1, col2);
  col1 = std::max(col1, 1);
  std::string out;
  for (int32_t c = col1; c <= col2; ++c) {
    out += cell(0, c);
    out += c == col2 ? "\r\n" : ",";
  }
  return out;
}

std::string NormaliseCmdText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += ' ';
      ++i;
    } else if (text[i] == '\t') {
      out += ' ';
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string UseTimeText(int64_t seconds) {
  if (seconds < 0) seconds = 0;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", static_cast<int>((seconds / 3600) % 100),
                static_cast<int>((seconds % 3600) / 60), static_cast<int>(seconds % 60));
  return std::string("使用时间：") + buf;
}

bool IsNumberText(std::string_view text) {
  if (text.empty() || text.size() > 64) return false;
  const char first = text[0];
  if (!(std::isdigit(static_cast<unsigned char>(first)) || first == '-' || first == '+' ||
        first == '.')) {
    return false;
  }
  std::string s(text);
  char* end = nullptr;
  std::strtod(s.c_str(), &end);
  return end == s.c_str() + s.size();
}

}  // namespace quarlodesk
