#pragma once
// The result list: a table over ResultTableModel with whole-row, multi-row selection. The rows,
// their selection and the sort state live in the model's ResultSession, the selection as one flag per row (Qt's own
// selection model stays empty, as its ranges grow too costly with a scattered selection of a million rows); clicks and
// keys change it here, by the same rules as Qt's extended selection, and rows are painted from it.
#include <QTableView>
#include <cstddef>
#include <cstdint>
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
  // What the list shows: the rows in its current order, their selection and the sort state.
  const ResultSession& session() const { return model_->session(); }
  const std::vector<ResultRow>& rows() const { return model_->rows(); }

  // A search's rows, in the order the search left them: nothing selected, sort key back to "#"
  // (the direction flag is kept).
  void installRows(std::vector<ResultRow> rows);
  void clearRows();

  std::size_t selectedCount() const { return session().selectedCount(); }
  // What the selected files take, in bytes.
  std::uint64_t selectedBytes() const { return session().selectedBytes(); }
  // One flag per row, in list order.
  std::vector<bool> selectedRows() const { return session().selection(); }
  // The selected row nearest the top, or -1.
  int firstSelectedRow() const;
  // The focused (current) row, or -1.
  int focusedRow() const;
  // Replaces the whole selection with the flagged rows; the focus stays where it is.
  void selectRows(const std::vector<bool>& selected) { model_->setSelection(selected); }
  // Moves the focus without touching the selection; -1 clears it.
  void setFocusedRow(int row);
  // Drops the flagged rows; the rows left keep their order, selection and focus.
  void removeFlaggedRows(const std::vector<bool>& remove);

  void selectAll() override { model_->selectAll(); }
  // Hides QAbstractItemView's, which would clear Qt's (always empty) selection.
  void clearSelection() { model_->clearSelection(); }

  const SortState& sortState() const { return session().sort(); }
  void setSortState(const SortState& sort) { model_->setSortState(sort); }
  // A click on a column header: flip the one direction flag, take the column as key, re-sort.
  // Selection, focus and scroll position are kept.
  void sortByColumn(int column);
  // Puts the rows in `order` (the row now k-th is the one that stood at order[k]), which `sort`
  // gives, and shows the sort in the header. Selection and focus are dropped: set them again.
  void reorderRows(const std::vector<std::size_t>& order, const SortState& sort);

  // "Path" takes the client width left by the other four columns, never less than 100 pixels.
  // Done by itself whenever the list or another column changes width.
  void fitPathColumn();

  // Counts the selected rows flag by flag; for checks, O(rows).
  std::size_t countSelectedRowsInSelection() const { return session().countSelectedFlags(); }

 signals:
  // Rows, selection or focus changed.
  void listChanged();

 protected:
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event = nullptr) const override;
  void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyboardSearch(const QString& search) override;
  bool viewportEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void showSortIndicator();
  void fitGroupColumn();
  void selectOnly(int row);
  // The row at a height of the viewport; past the last row, the last one.
  int rowAtHeight(int y) const;

  ResultTableModel* model_;
  bool fittingPath_ = false;
  // Where a Shift range starts: the row of the last click or move made without Shift, or -1.
  int anchor_ = -1;
  // The press being followed: its row (-1 off the rows), its height in the whole list, and
  // whether it left the selection to the release.
  int pressedRow_ = -1;
  int pressedListY_ = 0;
  bool selectOnRelease_ = false;
  // What a Ctrl+drag does to the rows it passes: what its Ctrl+press did to the first one.
  ResultTableModel::Mark dragMark_ = ResultTableModel::Mark::Toggle;
};

}  // namespace pelimor
