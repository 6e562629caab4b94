#include "ui/ResultModel.h"

#include "core/GridText.h"

namespace quarlodesk {

void ResultModel::Reset(int columns) {
  beginResetModel();
  headers_.assign(static_cast<size_t>(columns), QString());
  cells_.clear();
  starts_.assign(1, 0);
  committedRows_ = rows_ = cellsInRow_ = 0;
  endResetModel();
}

void ResultModel::SetHeader(int column, const QString& name) {
  if (column < 0 || column >= columnCount()) return;
  headers_[static_cast<size_t>(column)] = name;
  emit headerDataChanged(Qt::Horizontal, column, column);
}

void ResultModel::AddCell(std::string_view text) {
  if (cellsInRow_ >= columnCount()) return;
  cells_.append(text);
  starts_.push_back(static_cast<uint32_t>(cells_.size()));
  ++cellsInRow_;
}

void ResultModel::EndRow() {
  while (cellsInRow_ < columnCount()) AddCell({});
  cellsInRow_ = 0;
  ++rows_;
}

void ResultModel::Commit() {
  if (rows_ == committedRows_) return;
  beginInsertRows({}, committedRows_, rows_ - 1);
  committedRows_ = rows_;
  endInsertRows();
}

void ResultModel::ClearCells() {
  Commit();
  for (auto& h : headers_) h.clear();
  cells_.clear();
  std::fill(starts_.begin(), starts_.end(), 0u);
  if (!headers_.empty()) emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
  if (committedRows_ > 0) {
    emit dataChanged(index(0, 0), index(committedRows_ - 1, columnCount() - 1));
  }
}

std::string_view ResultModel::Text(int row, int column) const {
  const size_t k = static_cast<size_t>(row) * headers_.size() + static_cast<size_t>(column);
  return std::string_view(cells_).substr(starts_[k], starts_[k + 1] - starts_[k]);
}

QString ResultModel::Cell(int gridRow, int column) const {
  if (column < 0 || column >= columnCount()) return {};
  if (gridRow == 0) return headers_[static_cast<size_t>(column)];
  if (gridRow < 1 || gridRow > committedRows_) return {};
  const std::string_view t = Text(gridRow - 1, column);
  return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}

int ResultModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : committedRows_;
}

int ResultModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= committedRows_) return {};
  const std::string_view text = Text(index.row(), index.column());
  if (role == Qt::DisplayRole) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  }
  if (role == Qt::TextAlignmentRole) {
    // The grid's general alignment: numbers right, text left.
    return QVariant::fromValue(Qt::AlignVCenter |
                               (IsNumberText(text) ? Qt::AlignRight : Qt::AlignLeft));
  }
  return {};
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || section >= columnCount()) return {};
  return headers_[static_cast<size_t>(section)];
}

}  // namespace quarlodesk
