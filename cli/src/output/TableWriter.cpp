#include "output/TableWriter.h"

#include <algorithm>
#include <cstdio>

#include "output/Width.h"

namespace quarlocli {

namespace {

// One line of a value as shown: tabs become a blank, other control characters their escape.
std::string Visible(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    auto c = static_cast<unsigned char>(s[i]);
    if (c == '\t') {
      out.push_back(' ');
    } else if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
    } else if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(s[i + 1]) <= 0x9F) {
      // C1 controls (U+0080..U+009F) include CSI; escape them too.
      char buf[12];
      std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned char>(s[i + 1]));
      out += buf;
      ++i;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

}  // namespace

TableWriter::Cell TableWriter::MakeCell(const std::string& value) const {
  Cell cell;
  size_t start = 0;
  for (;;) {
    size_t nl = value.find_first_of("\r\n", start);
    std::string line = Visible(std::string_view(value).substr(
        start, nl == std::string::npos ? std::string::npos : nl - start));
    cell.widths.push_back(DisplayWidth(line));
    cell.lines.push_back(std::move(line));
    if (nl == std::string::npos) break;
    start = nl + 1;
    if (value[nl] == '\r' && start < value.size() && value[start] == '\n') ++start;
  }
  return cell;
}

void TableWriter::BeginResult(const std::vector<Column>& columns) {
  columns_ = columns;
  right_.clear();
  widths_.assign(columns.size(), 0);
  headerCells_.clear();
  group_.clear();
  headerWritten_ = false;
  for (size_t i = 0; i < columns.size(); ++i) {
    right_.push_back(IsNumericType(columns[i].dataType));
    headerCells_.push_back(MakeCell(columns[i].name));
    if (header_) {
      for (size_t w : headerCells_.back().widths) widths_[i] = std::max(widths_[i], w);
    }
  }
}

void TableWriter::Row(const std::vector<std::string>& values) {
  std::vector<Cell> row;
  row.reserve(columns_.size());
  for (size_t i = 0; i < columns_.size(); ++i) {
    row.push_back(MakeCell(i < values.size() ? values[i] : std::string()));
    for (size_t w : row.back().widths) widths_[i] = std::max(widths_[i], w);
  }
  group_.push_back(std::move(row));
  if (group_.size() >= kGroupRows) FlushGroup();
}

void TableWriter::WriteLine(const std::vector<const Cell*>& cells, size_t lineNo, bool centre) {
  std::string line;
  for (size_t i = 0; i < cells.size(); ++i) {
    const Cell& cell = *cells[i];
    const bool has = lineNo < cell.lines.size();
    const std::string& text = has ? cell.lines[lineNo] : std::string();
    const size_t pad = widths_[i] - std::min(widths_[i], has ? cell.widths[lineNo] : 0);
    size_t before = 0;
    if (centre) {
      before = pad / 2;
    } else if (right_[i]) {
      before = pad;
    }
    line += i == 0 ? " " : "| ";
    line.append(before, ' ');
    line += text;
    line.append(pad - before, ' ');
    line += lineNo + 1 < cell.lines.size() ? '+' : ' ';
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  line += '\n';
  out_ << line;
}

void TableWriter::FlushGroup() {
  if (columns_.empty()) return;
  BeforeWrite();
  if (header_ && !headerWritten_) {
    std::vector<const Cell*> cells;
    size_t lines = 1;
    for (const auto& c : headerCells_) {
      cells.push_back(&c);
      lines = std::max(lines, c.lines.size());
    }
    for (size_t l = 0; l < lines; ++l) WriteLine(cells, l, true);
    std::string rule;
    for (size_t i = 0; i < widths_.size(); ++i) {
      if (i) rule += '+';
      rule.append(widths_[i] + 2, '-');
    }
    out_ << rule << '\n';
  }
  headerWritten_ = true;
  for (const auto& row : group_) {
    std::vector<const Cell*> cells;
    size_t lines = 1;
    for (const auto& c : row) {
      cells.push_back(&c);
      lines = std::max(lines, c.lines.size());
    }
    for (size_t l = 0; l < lines; ++l) WriteLine(cells, l, false);
  }
  group_.clear();
}

void TableWriter::EndResult() {
  FlushGroup();
  out_.flush();
}

}  // namespace quarlocli
