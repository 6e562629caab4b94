#include "input/Script.h"

#include <cctype>

namespace quarlocli {

namespace {

std::string_view Trim(std::string_view s) {
  const char* blanks = " \t\r\n\f\v";
  auto b = s.find_first_not_of(blanks);
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

bool HasCode(std::string_view text) {
  for (const auto& s : ScanSql(text)) {
    if (s.kind == SqlSpan::Quoted) return true;
    if (s.kind == SqlSpan::Code && !Trim(text.substr(s.begin, s.end - s.begin)).empty())
      return true;
  }
  return false;
}

// Whether position `pos` lies in a code span (or at the very end of the text).
bool InCode(const std::vector<SqlSpan>& spans, size_t pos) {
  for (const auto& s : spans) {
    if (pos >= s.begin && pos < s.end) return s.kind == SqlSpan::Code;
  }
  return true;
}

struct GoLine {
  size_t begin, end;  // the line, without its line break
};

std::vector<GoLine> FindGoLines(std::string_view text, const std::vector<SqlSpan>& spans) {
  std::vector<GoLine> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t nl = text.find('\n', start);
    size_t end = nl == std::string_view::npos ? text.size() : nl;
    if (IsGoLine(text.substr(start, end - start)) && InCode(spans, start) &&
        InCode(spans, end == start ? start : end - 1)) {
      lines.push_back({start, end});
    }
    if (nl == std::string_view::npos) break;
    start = nl + 1;
  }
  return lines;
}

void AddBatch(std::vector<std::string>& out, std::string_view text) {
  if (HasCode(text)) out.emplace_back(Trim(text));
}

}  // namespace

bool IsGoLine(std::string_view line) {
  line = Trim(line);
  return line.size() == 2 && (line[0] == 'g' || line[0] == 'G') &&
         (line[1] == 'o' || line[1] == 'O');
}

std::vector<std::string> SplitScript(std::string_view script, SplitMode mode) {
  std::vector<std::string> out;
  const auto spans = ScanSql(script);
  if (mode == SplitMode::None) {
    AddBatch(out, script);
    return out;
  }
  const auto goLines = FindGoLines(script, spans);
  if (mode == SplitMode::Go || (mode == SplitMode::Auto && !goLines.empty())) {
    size_t start = 0;
    for (const auto& g : goLines) {
      AddBatch(out, script.substr(start, g.begin - start));
      start = g.end;
    }
    AddBatch(out, script.substr(start));
    return out;
  }
  size_t start = 0;
  for (const auto& s : spans) {
    if (s.kind != SqlSpan::Code) continue;
    for (size_t i = s.begin; i < s.end; ++i) {
      if (script[i] == ';') {
        AddBatch(out, script.substr(start, i - start));
        start = i + 1;
      }
    }
  }
  AddBatch(out, script.substr(start));
  return out;
}

bool IsStatementComplete(std::string_view buffer, SplitMode mode) {
  const auto spans = ScanSql(buffer);
  std::string_view body = buffer;
  while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.remove_suffix(1);
  size_t lastLine = body.rfind('\n');
  lastLine = lastLine == std::string_view::npos ? 0 : lastLine + 1;
  if (IsGoLine(body.substr(lastLine)) && InCode(spans, lastLine)) return true;
  if (mode == SplitMode::Go || mode == SplitMode::None) return false;
  for (auto it = spans.rbegin(); it != spans.rend(); ++it) {
    std::string_view part = buffer.substr(it->begin, it->end - it->begin);
    switch (it->kind) {
      case SqlSpan::LineComment:
        continue;
      case SqlSpan::BlockComment:
        // A comment still open at the end keeps the statement going.
        if (part.size() >= 4 && part.ends_with("*/")) continue;
        return false;
      case SqlSpan::Quoted:
        return false;
      case SqlSpan::Code:
        part = Trim(part);
        if (part.empty()) continue;
        return part.back() == ';';
    }
  }
  return false;
}

std::string PrepareStatement(std::string_view sql) {
  std::string out;
  out.reserve(sql.size());
  for (const auto& s : ScanSql(sql)) {
    std::string_view part = sql.substr(s.begin, s.end - s.begin);
    switch (s.kind) {
      case SqlSpan::Quoted:
        out.append(part);
        break;
      case SqlSpan::LineComment:
        break;
      case SqlSpan::Code:
      case SqlSpan::BlockComment:
        for (size_t i = 0; i < part.size(); ++i) {
          char c = part[i];
          if (c == '\r' && i + 1 < part.size() && part[i + 1] == '\n') {
            out.push_back(' ');
            ++i;
          } else if (c == '\r' || c == '\n' || c == '\t') {
            out.push_back(' ');
          } else {
            out.push_back(c);
          }
        }
        break;
    }
  }
  return std::string(Trim(out));
}

}  // namespace quarlocli
