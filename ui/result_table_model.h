#pragma once
// The result list's model: shows a ResultSession (the rows in the list's order, each with its
// selected flag) through the usual model interface, and makes every change to it, so that views
// hear of each one.
//
// The selection is one flag per row, so painting and counting never depend on how scattered it is.
// It follows the rules of an extended selection: the latest change stays "pending" and a change
// made with `pending` replaces it instead of adding to it (a Shift range that grows and shrinks);
// any other change first settles the pending one into the rest.
#include <QAbstractTableModel>
#include <QColor>
#include <cstdint>
#include <vector>

#include "results/result_session.h"

namespace pelimor {

class ResultTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  const ResultSession& session() const { return session_; }
  const std::vector<ResultRow>& rows() const { return session_.rows(); }

  // Each of these resets the model: views drop their current row. Rows keep their selected flags.
  void setRows(std::vector<ResultRow> rows);  // see ResultSession::install
  // Row i becomes the row that stood at order[i]; order is a permutation of all positions.
  void reorder(const std::vector<std::size_t>& order);
  // Sorts by `column` as a header click does; returns the order applied.
  std::vector<std::size_t> sortByColumn(ResultColumn column);
  // Drops every row whose flag is set; the others keep their order.
  void removeFlagged(const std::vector<bool>& remove);

  void setSortState(const SortState& sort) { session_.setSort(sort); }

  enum class Mark { Select, Deselect, Toggle };
  // Marks rows first..last (either order); `clearFirst` deselects every row before.
  void mark(int first, int last, Mark mark, bool pending, bool clearFirst = false);
  // Settles the pending change; what is selected stays as it is.
  void settle();
  void clearSelection();
  void selectAll();
  // Exactly the flagged rows (missing flags count as unselected).
  void setSelection(const std::vector<bool>& selected);

  bool isSelected(int row) const { return session_.isSelected(static_cast<std::size_t>(row)); }

  // Odd groups white, even groups pale green.
  static QColor groupBackground(std::uint32_t group);
  static QString cellText(const ResultRow& row, int column);

 private:
  // The whole list is one pending change, as after a fresh selection.
  void allPending();
  void flagsChanged(int first, int last);

  ResultSession session_;              // what is selected now
  std::vector<std::uint8_t> settled_;  // what was selected before the pending change
  int pendingFirst_ = 0;               // rows where the session may differ from settled_
  int pendingLast_ = -1;
};

// Bytes in binary units with one decimal ("1.2 GiB"); under 1 KiB as "512 B".
QString binarySizeText(std::uint64_t bytes);

}  // namespace pelimor
