#include "ui/result_table_model.h"

#include "results/result_order.h"
#include "search/crc32.h"
#include "ui/text_bytes.h"

namespace pelimor {

int ResultTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ResultTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kResultColumnCount; }

QString ResultTableModel::cellText(const ResultRow& row, int column) {
  switch (column) {
    case 0:
      return QString::number(row.group);
    case 1:
      return shownText(row.name());
    case 2:
      return shownText(row.path);
    case 3:
      return QString::number(row.size);
    case 4:
      return QString::fromStdString(crc32Text(row.crc32));
    default:
      return {};
  }
}

QVariant ResultTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
  const ResultRow& row = rows_[static_cast<std::size_t>(index.row())];
  if (role == Qt::DisplayRole) return cellText(row, index.column());
  if (role == Qt::BackgroundRole) return groupBackground(row.group);
  return {};
}

QVariant ResultTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kResultColumnCount) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  return QString::fromLatin1(kResultColumnTitles[static_cast<std::size_t>(section)]);
}

Qt::ItemFlags ResultTableModel::flags(const QModelIndex& index) const {
  return index.isValid() ? (Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren) : Qt::NoItemFlags;
}

void ResultTableModel::setRows(std::vector<ResultRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

void ResultTableModel::reorder(const std::vector<std::size_t>& order) {
  beginResetModel();
  std::vector<ResultRow> ordered;
  ordered.reserve(rows_.size());
  for (const std::size_t from : order) ordered.push_back(std::move(rows_[from]));
  rows_ = std::move(ordered);
  endResetModel();
}

void ResultTableModel::removeFlagged(const std::vector<bool>& remove) {
  beginResetModel();
  std::size_t kept = 0;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (i < remove.size() && remove[i]) continue;
    if (kept != i) rows_[kept] = std::move(rows_[i]);
    ++kept;
  }
  rows_.resize(kept);
  endResetModel();
}

QColor ResultTableModel::groupBackground(std::uint32_t group) {
  return (group % 2 == 1) ? QColor(255, 255, 255) : QColor(223, 247, 231);
}

}  // namespace pelimor
