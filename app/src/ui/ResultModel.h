#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <vector>

namespace quarlodesk {

// One page of a result for the grid: a header per column and rows of cell texts. Column 0 holds
// the row numbers. Rows are appended one at a time as they are read and reach the view together
// at Commit(), so the view is not laid out again per row.
class ResultModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  // No rows, `columns` empty columns.
  void Reset(int columns);
  void SetHeader(int column, const QString& name);
  void AppendRow(std::vector<QString> cells);
  void Commit();
  // Every cell, headers included, emptied; rows and columns stay.
  void ClearCells();

  // Grid coordinates: row 0 is the header row.
  QString Cell(int gridRow, int column) const;
  int GridRows() const { return static_cast<int>(rows_.size()) + 1; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::vector<QString> headers_;
  std::vector<std::vector<QString>> rows_;
  std::vector<std::vector<QString>> pending_;
};

}  // namespace quarlodesk
