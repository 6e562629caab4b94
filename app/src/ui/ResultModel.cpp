#include "ui/ResultModel.h"

#include "core/GridText.h"

namespace quarlodesk {

void ResultModel::Reset(int columns) {
  beginResetModel();
  headers_.assign(static_cast<size_t>(columns), QString());
  rows_.clear();
  pending_.clear();
  endResetModel();
}

void ResultModel::SetHeader(int column, const QString& name) {
  if (column < 0 || column >= static_cast<int>(headers_.size())) return;
  headers_[static_cast<size_t>(column)] = name;
  emit headerDataChanged(Qt::Horizontal, column, column);
}

void ResultModel::AppendRow(std::vector<QString> cells) {
  cells.resize(headers_.size());
  pending_.push_back(std::move(cells));
}

void ResultModel::Commit() {
  if (pending_.empty()) return;
  const int first = static_cast<int>(rows_.size());
  beginInsertRows({}, first, first + static_cast<int>(pending_.size()) - 1);
  for (auto& r : pending_) rows_.push_back(std::move(r));
  pending_.clear();
  endInsertRows();
}

void ResultModel::ClearCells() {
  Commit();
  for (auto& h : headers_) h.clear();
  for (auto& r : rows_) {
    for (auto& c : r) c.clear();
  }
  if (!headers_.empty()) emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
  if (!rows_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

QString ResultModel::Cell(int gridRow, int column) const {
  if (column < 0 || column >= columnCount()) return {};
  if (gridRow == 0) return headers_[static_cast<size_t>(column)];
  if (gridRow < 1 || gridRow > rowCount()) return {};
  return rows_[static_cast<size_t>(gridRow - 1)][static_cast<size_t>(column)];
}

int ResultModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ResultModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const QString& text =
      rows_[static_cast<size_t>(index.row())][static_cast<size_t>(index.column())];
  if (role == Qt::DisplayRole) return text;
  if (role == Qt::TextAlignmentRole) {
    // The grid's general alignment: numbers right, text left.
    const bool number = IsNumberText(text.toStdString());
    return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
  }
  return {};
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || section >= columnCount()) return {};
  return headers_[static_cast<size_t>(section)];
}

}  // namespace quarlodesk
