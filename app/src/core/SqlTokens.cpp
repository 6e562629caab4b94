#include "core/SqlTokens.h"

#include <algorithm>
#include <iterator>

namespace quarlodesk {

namespace {

// Uppercase and sorted, for a binary search.
constexpr std::string_view kKeywords[] = {
    "ADD",     "ALL",       "ALTER",      "AND",         "ANY",       "AS",         "ASC",
    "BEGIN",   "BETWEEN",   "BY",         "CASCADE",     "CASE",      "CAST",       "CHECK",
    "COLUMN",  "COMMIT",    "CONSTRAINT", "CREATE",      "CROSS",     "DATABASE",   "DECLARE",
    "DEFAULT", "DELETE",    "DESC",       "DISTINCT",    "DROP",      "ELSE",       "END",
    "ESCAPE",  "EXCEPT",    "EXEC",       "EXECUTE",     "EXISTS",    "FALSE",      "FETCH",
    "FOR",     "FOREIGN",   "FROM",       "FULL",        "FUNCTION",  "GRANT",      "GROUP",
    "HAVING",  "IF",        "IN",         "INDEX",       "INNER",     "INSERT",     "INTERSECT",
    "INTO",    "IS",        "JOIN",       "KEY",         "LEFT",      "LIKE",       "LIMIT",
    "NOT",     "NULL",      "OFFSET",     "ON",          "OR",        "ORDER",      "OUTER",
    "OVER",    "PARTITION", "PRIMARY",    "PROCEDURE",   "RECURSIVE", "REFERENCES", "RETURNING",
    "RETURNS", "REVOKE",    "RIGHT",      "ROLLBACK",    "SCHEMA",    "SELECT",     "SET",
    "TABLE",   "THEN",      "TOP",        "TRANSACTION", "TRIGGER",   "TRUE",       "TRUNCATE",
    "UNION",   "UNIQUE",    "UPDATE",     "USING",       "VALUES",    "VIEW",       "WHEN",
    "WHERE",   "WINDOW",    "WITH",       "WITHOUT",     "WORK",
};

bool IsWordStart(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' || c >= 0x80;
}
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsWordChar(char16_t c) { return IsWordStart(c) || IsDigit(c) || c == u'$'; }

bool IsKeyword(std::u16string_view word) {
  if (word.size() > 16) return false;
  std::string upper;
  for (char16_t c : word) {
    if (c >= 0x80) return false;
    upper += static_cast<char>(c >= u'a' && c <= u'z' ? c - 32 : c);
  }
  return std::binary_search(std::begin(kKeywords), std::end(kKeywords), upper);
}

// The "$tag$" starting at `at`, or empty when none starts there ($1 is a parameter).
std::u16string_view DollarTag(std::u16string_view line, size_t at) {
  size_t i = at + 1;
  if (i < line.size() && IsWordStart(line[i])) {
    while (i < line.size() && (IsWordStart(line[i]) || IsDigit(line[i]))) ++i;
  }
  if (i < line.size() && line[i] == u'$') return line.substr(at, i + 1 - at);
  return {};
}

// The end of what is open at `at` (one past its closing mark), or npos when the line ends first.
size_t EndOfOpen(std::u16string_view line, size_t at, const SqlLineState& state) {
  switch (state.inside) {
    case SqlLineState::BlockComment: {
      const size_t end = line.find(u"*/", at);
      return end == std::u16string_view::npos ? end : end + 2;
    }
    case SqlLineState::QuotedString:
      for (size_t i = at; i < line.size(); ++i) {
        if (line[i] != u'\'') continue;
        if (i + 1 < line.size() && line[i + 1] == u'\'') {
          ++i;
          continue;
        }
        return i + 1;
      }
      return std::u16string_view::npos;
    case SqlLineState::DollarBody: {
      const size_t end = line.find(state.tag, at);
      return end == std::u16string_view::npos ? end : end + state.tag.size();
    }
    case SqlLineState::Nothing:
      break;
  }
  return at;
}

SqlKind KindOf(SqlLineState::Inside inside) {
  return inside == SqlLineState::BlockComment ? SqlKind::Comment : SqlKind::String;
}

}  // namespace

std::vector<SqlSpan> SqlLineSpans(std::u16string_view line, SqlLineState& state) {
  std::vector<SqlSpan> spans;
  // Closes what is open from `from` (its opening mark already passed); false at the line's end.
  auto close = [&](size_t start, size_t from, size_t& i) {
    const size_t end = EndOfOpen(line, from, state);
    const SqlKind kind = KindOf(state.inside);
    if (end == std::u16string_view::npos) {
      spans.push_back({start, line.size() - start, kind});
      i = line.size();
      return false;
    }
    spans.push_back({start, end - start, kind});
    state = {};
    i = end;
    return true;
  };

  size_t i = 0;
  if (state.inside != SqlLineState::Nothing && !close(0, 0, i)) return spans;
  while (i < line.size()) {
    const char16_t c = line[i];
    const char16_t next = i + 1 < line.size() ? line[i + 1] : u'\0';
    if (c == u'-' && next == u'-') {
      spans.push_back({i, line.size() - i, SqlKind::Comment});
      break;
    }
    if (c == u'/' && next == u'*') {
      state.inside = SqlLineState::BlockComment;
      if (!close(i, i + 2, i)) break;
    } else if (c == u'\'') {
      state.inside = SqlLineState::QuotedString;
      if (!close(i, i + 1, i)) break;
    } else if (c == u'$' && !DollarTag(line, i).empty()) {
      const std::u16string_view tag = DollarTag(line, i);
      state.inside = SqlLineState::DollarBody;
      state.tag = tag;
      if (!close(i, i + tag.size(), i)) break;
    } else if (c == u'[' || c == u'"') {
      const char16_t closing = c == u'[' ? u']' : u'"';
      size_t end = line.find(closing, i + 1);
      end = end == std::u16string_view::npos ? line.size() : end + 1;
      spans.push_back({i, end - i, SqlKind::Name});
      i = end;
    } else if (IsDigit(c) || (c == u'.' && IsDigit(next))) {
      size_t end = i;
      while (end < line.size() && (IsDigit(line[end]) || line[end] == u'.')) ++end;
      if (end < line.size() && (line[end] == u'e' || line[end] == u'E')) {
        size_t exp = end + 1;
        if (exp < line.size() && (line[exp] == u'+' || line[exp] == u'-')) ++exp;
        if (exp < line.size() && IsDigit(line[exp])) {
          end = exp;
          while (end < line.size() && IsDigit(line[end])) ++end;
        }
      }
      spans.push_back({i, end - i, SqlKind::Number});
      i = end;
    } else if (IsWordStart(c)) {
      size_t end = i;
      while (end < line.size() && IsWordChar(line[end])) ++end;
      if (IsKeyword(line.substr(i, end - i))) spans.push_back({i, end - i, SqlKind::Keyword});
      i = end;
    } else {
      ++i;
    }
  }
  return spans;
}

}  // namespace quarlodesk
