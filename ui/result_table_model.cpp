#include "ui/result_table_model.h"

#include <QColor>
#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <utility>

#include "results/result_order.h"
#include "search/crc32.h"
#include "ui/text_bytes.h"

namespace pelimor {

int ResultTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(session_.size());
}

int ResultTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kResultColumnCount; }

QString ResultTableModel::cellText(const ResultRow& row, int column) {
  switch (column) {
    case 0:
      return QString::number(row.group);
    case 1:
      return shownText(row.name());
    case 2:
      return shownPathText(row.path);
    case 3:
      return QString::number(row.size);
    case 4:
      return QString::fromStdString(crc32Text(row.crc32));
    default:
      return {};
  }
}

QVariant ResultTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(session_.size())) return {};
  const ResultRow& row = session_.rows()[static_cast<std::size_t>(index.row())];
  if (role == Qt::DisplayRole) return cellText(row, index.column());
  if (role == Qt::BackgroundRole) return groupBackground(row.group);
  // Files in a reference folder: a colour of their own, and a word why nothing selects them.
  if (role == Qt::ForegroundRole && row.reference) return QColor(0x1f, 0x5f, 0xb0);
  if (role == Qt::ToolTipRole && row.reference)
    return tr("In a reference folder: never selected by a rule, never deleted, moved or linked");
  if (role == Qt::ToolTipRole && row.width > 0)
    return tr("%1 × %2 pixels; its look differs from its group's first picture in %3 of 64 bits")
        .arg(row.width)
        .arg(row.height)
        .arg(row.distance);
  return {};
}

QVariant ResultTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kResultColumnCount) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  return QCoreApplication::translate("ResultColumns", kResultColumnTitles[static_cast<std::size_t>(section)].data());
}

Qt::ItemFlags ResultTableModel::flags(const QModelIndex& index) const {
  return index.isValid() ? (Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren) : Qt::NoItemFlags;
}

void ResultTableModel::setRows(std::vector<ResultRow> rows) {
  beginResetModel();
  session_.install(std::move(rows));
  settled_.assign(session_.size(), 0);
  pendingFirst_ = 0;
  pendingLast_ = -1;
  endResetModel();
}

void ResultTableModel::reorder(const std::vector<std::size_t>& order) {
  beginResetModel();
  session_.reorder(order);
  allPending();
  endResetModel();
}

std::vector<std::size_t> ResultTableModel::sortByColumn(ResultColumn column) {
  beginResetModel();
  std::vector<std::size_t> order = session_.sortByColumn(column);
  allPending();
  endResetModel();
  return order;
}

void ResultTableModel::removeFlagged(const std::vector<bool>& remove) {
  beginResetModel();
  session_.removeFlagged(remove);
  allPending();
  endResetModel();
}

void ResultTableModel::allPending() {
  settled_.assign(session_.size(), 0);
  pendingFirst_ = 0;
  pendingLast_ = static_cast<int>(session_.size()) - 1;
}

void ResultTableModel::flagsChanged(int first, int last) {
  if (first <= last) emit dataChanged(index(first, 0), index(last, kResultColumnCount - 1));
}

void ResultTableModel::mark(int first, int last, Mark mark, bool pending, bool clearFirst) {
  const int lastRow = static_cast<int>(session_.size()) - 1;
  if (first > last) std::swap(first, last);
  first = std::max(first, 0);
  last = std::min(last, lastRow);
  if (first > last) return;
  int changedFirst = first;
  int changedLast = last;
  if (clearFirst) {
    if (session_.selectedCount() > 0) {
      changedFirst = 0;
      changedLast = lastRow;
    }
    session_.clearSelection();
    std::fill(settled_.begin(), settled_.end(), std::uint8_t{0});
  } else if (pending) {
    for (int row = pendingFirst_; row <= pendingLast_; ++row) {
      session_.setSelected(static_cast<std::size_t>(row), settled_[static_cast<std::size_t>(row)] != 0);
    }
    if (pendingFirst_ <= pendingLast_) {
      changedFirst = std::min(changedFirst, pendingFirst_);
      changedLast = std::max(changedLast, pendingLast_);
    }
  } else {
    settle();
  }
  // Every row now holds its settled flag.
  for (int row = first; row <= last; ++row) {
    const auto at = static_cast<std::size_t>(row);
    session_.setSelected(at, mark == Mark::Select || (mark == Mark::Toggle && settled_[at] == 0));
  }
  pendingFirst_ = first;
  pendingLast_ = last;
  flagsChanged(changedFirst, changedLast);
}

void ResultTableModel::settle() {
  for (int row = pendingFirst_; row <= pendingLast_; ++row) {
    settled_[static_cast<std::size_t>(row)] = session_.isSelected(static_cast<std::size_t>(row)) ? 1 : 0;
  }
  pendingFirst_ = 0;
  pendingLast_ = -1;
}

void ResultTableModel::clearSelection() {
  const bool any = session_.selectedCount() > 0;
  session_.clearSelection();
  std::fill(settled_.begin(), settled_.end(), std::uint8_t{0});
  pendingFirst_ = 0;
  pendingLast_ = -1;
  if (any) flagsChanged(0, static_cast<int>(session_.size()) - 1);
}

void ResultTableModel::selectAll() {
  session_.selectAll();
  allPending();
  flagsChanged(0, static_cast<int>(session_.size()) - 1);
}

void ResultTableModel::setSelection(const std::vector<bool>& selected) {
  session_.setSelection(selected);
  allPending();
  flagsChanged(0, static_cast<int>(session_.size()) - 1);
}

QColor ResultTableModel::groupBackground(std::uint32_t group) {
  return (group % 2 == 1) ? QColor(255, 255, 255) : QColor(223, 247, 231);
}

QString binarySizeText(std::uint64_t bytes) {
  if (bytes < 1024) return QString::number(bytes) + QStringLiteral(" B");
  static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
  double value = static_cast<double>(bytes) / 1024;
  std::size_t unit = 0;
  // 1023.96 KiB shows as "1.0 MiB", never as "1024.0 KiB".
  while (std::round(value * 10) >= 1024 * 10 && unit + 1 < std::size(kUnits)) {
    value /= 1024;
    ++unit;
  }
  return QString::number(value, 'f', 1) + QLatin1Char(' ') + QLatin1String(kUnits[unit]);
}

}  // namespace pelimor
