#pragma once

#include <ostream>

#include "output/ResultWriter.h"

namespace quarlocli {

// An aligned table for people at a terminal:
//
//    id | 名称
//   ----+------
//     1 | 中文
//
// Rows are held back in groups of kGroupRows so that a column can be as wide as its widest value
// without keeping a whole result in memory; a later group may widen a column, never narrow it.
// A value with line breaks takes several lines, each but the last marked "+" at the cell's end.
// Control characters are shown escaped ("\x1b"), so a value cannot drive the terminal.
class TableWriter : public ResultWriter {
 public:
  static constexpr size_t kGroupRows = 1000;

  TableWriter(std::ostream& out, bool header) : out_(out), header_(header) {}

  void BeginResult(const std::vector<Column>& columns) override;
  void Row(const std::vector<std::string>& values) override;
  void EndResult() override;

 private:
  struct Cell {
    std::vector<std::string> lines;
    std::vector<size_t> widths;
  };
  Cell MakeCell(const std::string& value) const;
  void FlushGroup();
  void WriteLine(const std::vector<const Cell*>& cells, size_t lineNo, bool centre);

  std::ostream& out_;
  bool header_;
  std::vector<Column> columns_;
  std::vector<bool> right_;
  std::vector<size_t> widths_;
  std::vector<Cell> headerCells_;
  std::vector<std::vector<Cell>> group_;
  bool headerWritten_ = false;
};

}  // namespace quarlocli
