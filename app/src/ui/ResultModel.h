#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quarlodesk {

// One page of a result for the grid: a header per column and rows of cell texts. Column 0 holds
// the row numbers. Cells are kept as UTF-8 in one buffer for the page (no allocation per cell)
// and become Qt strings only when the view asks for them. Rows are appended one at a time as
// they are read and reach the view together at Commit(), so the view is not laid out per row.
class ResultModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  // No rows, `columns` empty columns.
  void Reset(int columns);
  void SetHeader(int column, const QString& name);
  // A row is its cells in column order, then EndRow (missing cells are empty).
  void AddCell(std::string_view text);
  void EndRow();
  void Commit();
  // Every cell, headers included, emptied; rows and columns stay.
  void ClearCells();

  // Grid coordinates: row 0 is the header row.
  QString Cell(int gridRow, int column) const;
  int GridRows() const { return committedRows_ + 1; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::string_view Text(int row, int column) const;

  std::vector<QString> headers_;
  std::string cells_;             // every cell's text, row by row
  std::vector<uint32_t> starts_;  // where each cell starts in cells_, and one past the last
  int committedRows_ = 0;
  int rows_ = 0;        // rows ended, committed or not
  int cellsInRow_ = 0;  // cells added to the row under way
};

}  // namespace quarlodesk
