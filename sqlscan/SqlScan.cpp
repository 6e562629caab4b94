#include "quarlosql/SqlScan.h"

#include <cctype>

namespace quarlosql {

namespace {

bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// At text[i] == '$': the length of a dollar-quote opener "$tag$" (tag may be empty), or 0.
size_t DollarTagLength(std::string_view text, size_t i) {
  size_t j = i + 1;
  if (j < text.size() && IsIdentStart(text[j])) {
    while (j < text.size() && IsIdentChar(text[j])) ++j;
  }
  if (j < text.size() && text[j] == '$') return j - i + 1;
  return 0;
}

}  // namespace

std::vector<SqlSpan> ScanSql(std::string_view t) {
  std::vector<SqlSpan> spans;
  size_t codeStart = 0;
  auto push = [&](SqlSpan::Kind kind, size_t b, size_t e) {
    if (codeStart < b) spans.push_back({SqlSpan::Code, codeStart, b});
    spans.push_back({kind, b, e});
    codeStart = e;
  };
  size_t i = 0;
  while (i < t.size()) {
    char c = t[i];
    if (c == '\'' || c == '"' || c == '[') {
      char close = c == '[' ? ']' : c;
      size_t j = i + 1;
      for (;;) {
        j = t.find(close, j);
        if (j == std::string_view::npos) {
          j = t.size();
          break;
        }
        // A doubled closing quote is an escaped one.
        if (close != ']' && j + 1 < t.size() && t[j + 1] == close) {
          j += 2;
          continue;
        }
        ++j;
        break;
      }
      push(SqlSpan::Quoted, i, j);
      i = j;
    } else if (c == '-' && i + 1 < t.size() && t[i + 1] == '-') {
      size_t j = t.find('\n', i);
      j = j == std::string_view::npos ? t.size() : j;
      push(SqlSpan::LineComment, i, j);
      i = j;
    } else if (c == '/' && i + 1 < t.size() && t[i + 1] == '*') {
      // Block comments nest, as in PostgreSQL and T-SQL.
      size_t j = i + 2;
      int depth = 1;
      while (j < t.size() && depth > 0) {
        if (t[j] == '/' && j + 1 < t.size() && t[j + 1] == '*') {
          ++depth, j += 2;
        } else if (t[j] == '*' && j + 1 < t.size() && t[j + 1] == '/') {
          --depth, j += 2;
        } else {
          ++j;
        }
      }
      push(SqlSpan::BlockComment, i, j);
      i = j;
    } else if (c == '$' && (i == 0 || !IsIdentChar(t[i - 1])) && DollarTagLength(t, i) > 0) {
      size_t n = DollarTagLength(t, i);
      std::string_view tag = t.substr(i, n);
      size_t j = t.find(tag, i + n);
      j = j == std::string_view::npos ? t.size() : j + n;
      push(SqlSpan::Quoted, i, j);
      i = j;
    } else {
      ++i;
    }
  }
  if (codeStart < t.size()) spans.push_back({SqlSpan::Code, codeStart, t.size()});
  return spans;
}

size_t CountStatements(std::string_view text) {
  size_t count = 0;
  bool pieceHasCode = false;
  for (const SqlSpan& s : ScanSql(text)) {
    if (s.kind == SqlSpan::Quoted) pieceHasCode = true;
    if (s.kind != SqlSpan::Code) continue;
    for (size_t i = s.begin; i < s.end; ++i) {
      if (text[i] == ';') {
        count += pieceHasCode ? 1 : 0;
        pieceHasCode = false;
      } else if (!std::isspace(static_cast<unsigned char>(text[i]))) {
        pieceHasCode = true;
      }
    }
  }
  return count + (pieceHasCode ? 1 : 0);
}

}  // namespace quarlosql
