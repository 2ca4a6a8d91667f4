#include "ui/result_list_view.h"

#include <QHeaderView>
#include <QScrollBar>
#include <algorithm>

#include "results/keyed_result_order.h"

namespace pelimor {

namespace {
constexpr int kPathColumn = static_cast<int>(ResultColumn::Path);
}  // namespace

namespace {
constexpr int kDesignWidths[kResultColumnCount] = {45, 275, 397, 75, 85};

// Rows covered by the ranges; every selected row has its first column selected.
std::size_t rowsIn(const QItemSelection& selection) {
  std::size_t rows = 0;
  for (const QItemSelectionRange& range : selection) {
    if (range.isValid() && range.left() == 0) rows += static_cast<std::size_t>(range.height());
  }
  return rows;
}
}  // namespace

ResultListView::ResultListView(QWidget* parent) : QTableView(parent), model_(new ResultTableModel(this)) {
  setObjectName(QStringLiteral("ListViewDup"));
  setModel(model_);
  setShowGrid(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  setContextMenuPolicy(Qt::CustomContextMenu);

  // Every row is one line high; a million rows must not be measured one by one.
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);

  QHeaderView* header = horizontalHeader();
  header->setSectionsClickable(true);
  header->setHighlightSections(false);
  header->setStretchLastSection(false);
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  for (int column = 0; column < kResultColumnCount; ++column) setColumnWidth(column, kDesignWidths[column]);
  connect(header, &QHeaderView::sectionClicked, this, &ResultListView::ListViewDupColumnClick);

  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &ResultListView::countSelectionChange);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &ResultListView::listChanged);
  connect(model_, &QAbstractItemModel::modelReset, this, &ResultListView::recountSelection);
  connect(model_, &QAbstractItemModel::rowsInserted, this, &ResultListView::recountSelection);
  connect(model_, &QAbstractItemModel::rowsRemoved, this, &ResultListView::recountSelection);
  connect(model_, &QAbstractItemModel::layoutChanged, this, &ResultListView::recountSelection);
  connect(model_, &QAbstractItemModel::dataChanged, this, &ResultListView::listChanged);
}

void ResultListView::installRows(std::vector<ResultRow> rows) {
  sort_.column = ResultColumn::Group;
  horizontalHeader()->setSortIndicatorShown(false);
  model_->setRows(std::move(rows));
}

void ResultListView::clearRows() { installRows({}); }

std::vector<bool> ResultListView::selectedRows() const {
  std::vector<bool> flags(rows().size(), false);
  for (const QItemSelectionRange& range : selectionModel()->selection()) {
    if (!range.isValid()) continue;
    for (int row = range.top(); row <= range.bottom(); ++row) flags[static_cast<std::size_t>(row)] = true;
  }
  return flags;
}

int ResultListView::firstSelectedRow() const {
  int first = -1;
  for (const QItemSelectionRange& range : selectionModel()->selection()) {
    if (range.isValid() && (first < 0 || range.top() < first)) first = range.top();
  }
  return first;
}

int ResultListView::focusedRow() const {
  const QModelIndex current = selectionModel()->currentIndex();
  return current.isValid() ? current.row() : -1;
}

void ResultListView::selectRows(const std::vector<bool>& selected) {
  // Clearing first keeps Qt's comparison of old and new selection linear.
  selectionModel()->clearSelection();
  applySelection(selected);
}

void ResultListView::applySelection(const std::vector<bool>& selected) {
  const int lastColumn = kResultColumnCount - 1;
  const int count = std::min(static_cast<int>(selected.size()), model_->rowCount());
  QItemSelection selection;
  for (int row = 0; row < count;) {
    if (!selected[static_cast<std::size_t>(row)]) {
      ++row;
      continue;
    }
    const int top = row;
    while (row < count && selected[static_cast<std::size_t>(row)]) ++row;
    selection.append(QItemSelectionRange(model_->index(top, 0), model_->index(row - 1, lastColumn)));
  }
  if (!selection.isEmpty()) selectionModel()->select(selection, QItemSelectionModel::Select);
}

void ResultListView::setFocusedRow(int row) {
  if (row < 0 || row >= model_->rowCount()) {
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    return;
  }
  const int column = std::max(currentIndex().column(), 0);
  selectionModel()->setCurrentIndex(model_->index(row, column), QItemSelectionModel::NoUpdate);
}

void ResultListView::removeFlaggedRows(const std::vector<bool>& remove) {
  const std::vector<bool> wasSelected = selectedRows();
  const int focused = focusedRow();
  std::vector<bool> keptSelected;
  keptSelected.reserve(wasSelected.size());
  int newFocus = -1;
  for (std::size_t i = 0; i < wasSelected.size(); ++i) {
    if (i < remove.size() && remove[i]) continue;
    if (static_cast<int>(i) == focused) newFocus = static_cast<int>(keptSelected.size());
    keptSelected.push_back(wasSelected[i]);
  }
  const int scroll = verticalScrollBar()->value();
  model_->removeFlagged(remove);
  applySelection(keptSelected);
  setFocusedRow(newFocus);
  verticalScrollBar()->setValue(scroll);
}

void ResultListView::ListViewDupColumnClick(int column) {
  if (column < 0 || column >= kResultColumnCount) return;
  pelimor::ListViewDupColumnClick(sort_, static_cast<ResultColumn>(column));
  sortRows();
  showSortIndicator();
}

void ResultListView::reorderRows(const std::vector<std::size_t>& order, const SortState& sort) {
  sort_ = sort;
  model_->reorder(order);
  showSortIndicator();
}

void ResultListView::showSortIndicator() {
  horizontalHeader()->setSortIndicator(static_cast<int>(sort_.column),
                                       sort_.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
  horizontalHeader()->setSortIndicatorShown(true);
}

void ResultListView::sortRows() {
  const std::vector<bool> wasSelected = selectedRows();
  const int focused = focusedRow();
  const std::vector<std::size_t> order = resultListOrder(rows(), sort_);
  std::vector<bool> nowSelected(order.size());
  int newFocus = -1;
  for (std::size_t i = 0; i < order.size(); ++i) {
    nowSelected[i] = wasSelected[order[i]];
    if (static_cast<int>(order[i]) == focused) newFocus = static_cast<int>(i);
  }
  const int scroll = verticalScrollBar()->value();
  model_->reorder(order);
  applySelection(nowSelected);
  setFocusedRow(newFocus);
  verticalScrollBar()->setValue(scroll);
}

void ResultListView::fitPathColumn() {
  updateGeometries();  // the vertical scroll bar, if the rows need one, narrows the client area
  int others = 0;
  for (int column = 0; column < kResultColumnCount; ++column) {
    if (column != kPathColumn) others += columnWidth(column);
  }
  setColumnWidth(kPathColumn, std::max(viewport()->width() - others, kMinimumPathWidth));
}

std::size_t ResultListView::countSelectedRowsInSelection() const { return rowsIn(selectionModel()->selection()); }

void ResultListView::countSelectionChange(const QItemSelection& selected, const QItemSelection& deselected) {
  selectedCount_ += rowsIn(selected);
  selectedCount_ -= std::min(selectedCount_, rowsIn(deselected));
  emit listChanged();
}

void ResultListView::recountSelection() {
  selectedCount_ = countSelectedRowsInSelection();
  emit listChanged();
}

}  // namespace pelimor
