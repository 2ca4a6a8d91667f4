#pragma once
// The result list's rows, in the order the list shows them, each with its selected flag. Views read
// them through the usual model interface; the window's actions read and change them through the
// methods below.
//
// The selection is one flag per row, so painting and counting never depend on how scattered it is.
// It follows the rules of an extended selection: the latest change stays "pending" and a change
// made with `pending` replaces it instead of adding to it (a Shift range that grows and shrinks);
// any other change first settles the pending one into the rest.
#include <QAbstractTableModel>
#include <QColor>
#include <cstdint>
#include <vector>

#include "search/result_row.h"

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

  const std::vector<ResultRow>& rows() const { return rows_; }

  // Each of these resets the model: views drop their current row. Rows keep their selected flags.
  void setRows(std::vector<ResultRow> rows);  // nothing selected
  // Row i becomes the row that stood at order[i]; order is a permutation of all positions.
  void reorder(const std::vector<std::size_t>& order);
  // Drops every row whose flag is set; the others keep their order.
  void removeFlagged(const std::vector<bool>& remove);

  enum class Mark { Select, Deselect, Toggle };
  // Marks rows first..last (either order); `clearFirst` deselects every row before.
  void mark(int first, int last, Mark mark, bool pending, bool clearFirst = false);
  // Settles the pending change; what is selected stays as it is.
  void settle();
  void clearSelection();
  void selectAll();
  // Exactly the flagged rows (missing flags count as unselected).
  void setSelection(const std::vector<bool>& selected);

  bool isSelected(int row) const { return flags_[static_cast<std::size_t>(row)] != 0; }
  std::vector<bool> selectedFlags() const;
  std::size_t selectedCount() const { return selectedCount_; }
  // The sum of the selected rows' sizes.
  std::uint64_t selectedBytes() const { return selectedBytes_; }
  int firstSelectedRow() const;
  // Counts the flags one by one; for checks.
  std::size_t countSelectedFlags() const;

  // Odd groups white, even groups pale green.
  static QColor groupBackground(std::uint32_t group);
  static QString cellText(const ResultRow& row, int column);

 private:
  void setFlag(std::size_t row, std::uint8_t flag);
  void recount();
  // The whole list is one pending change, as after a fresh selection.
  void allPending();
  void flagsChanged(int first, int last);

  std::vector<ResultRow> rows_;
  std::vector<std::uint8_t> flags_;    // what is selected now
  std::vector<std::uint8_t> settled_;  // what was selected before the pending change
  int pendingFirst_ = 0;               // rows where flags_ may differ from settled_
  int pendingLast_ = -1;
  std::size_t selectedCount_ = 0;
  std::uint64_t selectedBytes_ = 0;
};

// Bytes in binary units with one decimal ("1.2 GiB"); under 1 KiB as "512 B".
QString binarySizeText(std::uint64_t bytes);

}  // namespace pelimor
