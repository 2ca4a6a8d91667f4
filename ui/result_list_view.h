#pragma once
// The result list: a table over ResultTableModel with whole-row, multi-row selection. Keeps the
// number of selected rows up to date from the selection model's change ranges, so that reading it
// costs nothing, and offers the row-level helpers the window's actions work with.
#include <QTableView>
#include <cstddef>
#include <vector>

#include "results/result_order.h"
#include "ui/result_table_model.h"

namespace pelimor {

class ResultListView : public QTableView {
  Q_OBJECT

 public:
  static constexpr int kMinimumPathWidth = 100;

  explicit ResultListView(QWidget* parent = nullptr);

  ResultTableModel* resultModel() const { return model_; }
  // The rows in the list's current order.
  const std::vector<ResultRow>& rows() const { return model_->rows(); }

  // A search's rows, in the order the search left them: nothing selected, sort key back to "#"
  // (the direction flag is kept).
  void installRows(std::vector<ResultRow> rows);
  void clearRows();

  std::size_t selectedCount() const { return selectedCount_; }
  // One flag per row, in list order.
  std::vector<bool> selectedRows() const;
  // The selected row nearest the top, or -1.
  int firstSelectedRow() const;
  // The focused (current) row, or -1.
  int focusedRow() const;
  // Replaces the whole selection with the flagged rows; the focus stays where it is.
  void selectRows(const std::vector<bool>& selected);
  // Moves the focus without touching the selection; -1 clears it.
  void setFocusedRow(int row);
  // Drops the flagged rows; the rows left keep their order, selection and focus.
  void removeFlaggedRows(const std::vector<bool>& remove);

  const SortState& sortState() const { return sort_; }
  void setSortState(const SortState& sort) { sort_ = sort; }
  // A click on a column header: flip the one direction flag, take the column as key, re-sort.
  void ListViewDupColumnClick(int column);
  // Puts the rows in the order of sortState(); selection, focus and scroll position are kept.
  void sortRows();
  // Puts the rows in `order` (the row now k-th is the one that stood at order[k]), which `sort`
  // gives, and shows the sort in the header. Selection and focus are dropped: set them again.
  void reorderRows(const std::vector<std::size_t>& order, const SortState& sort);

  // "Path" takes the client width left by the other four columns, never less than 100 pixels.
  void fitPathColumn();

  // Counts the selected rows from the selection itself; for checks, O(number of ranges).
  std::size_t countSelectedRowsInSelection() const;

 signals:
  // Rows, selection or focus changed.
  void listChanged();

 private:
  void showSortIndicator();
  void countSelectionChange(const QItemSelection& selected, const QItemSelection& deselected);
  void recountSelection();
  void applySelection(const std::vector<bool>& selected);

  ResultTableModel* model_;
  SortState sort_;
  std::size_t selectedCount_ = 0;
};

}  // namespace pelimor
