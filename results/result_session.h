#pragma once
// The result list as plain data: the rows in the order shown, one selected flag per row, and the
// sort state. The window's list shows it and changes it; the window's actions read their rows and
// selection from it. Every change of the rows carries their flags along, so a flag always stays
// with its row.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "results/result_order.h"
#include "search/result_row.h"

namespace pelimor {

class ResultSession {
 public:
  const std::vector<ResultRow>& rows() const { return rows_; }
  std::size_t size() const { return rows_.size(); }
  bool empty() const { return rows_.empty(); }
  // Distinct group numbers among the rows; counted when rows come or go, not on every look.
  std::size_t groupCount() const { return groupCount_; }

  // A search's rows, in the order the search left them: nothing selected, the sort key back to "#"
  // (the direction flag is kept, so the next header click flips it).
  void install(std::vector<ResultRow> rows);

  bool isSelected(std::size_t row) const { return flags_[row] != 0; }
  // Kept cheap: a drag over a million rows calls it once per row.
  void setSelected(std::size_t row, bool selected) {
    if ((flags_[row] != 0) == selected) return;
    flags_[row] = selected ? 1 : 0;
    if (selected) {
      ++selectedCount_;
      selectedBytes_ += rows_[row].size;
    } else {
      --selectedCount_;
      selectedBytes_ -= rows_[row].size;
    }
  }
  void selectAll();
  void clearSelection();
  // Exactly the flagged rows; missing flags count as unselected.
  void setSelection(const std::vector<bool>& selected);
  // One flag per row, in list order.
  std::vector<bool> selection() const;
  std::size_t selectedCount() const { return selectedCount_; }
  // What the selected files take, in bytes.
  std::uint64_t selectedBytes() const { return selectedBytes_; }
  // The selected row nearest the top.
  std::optional<std::size_t> firstSelected() const;
  // Counts the flags one by one; for checks, O(rows).
  std::size_t countSelectedFlags() const;

  const SortState& sort() const { return sort_; }
  void setSort(const SortState& sort) { sort_ = sort; }
  // A header click: flips the direction, takes `column` as the key and sorts by it.
  // Returns the order applied, as reorder takes it.
  std::vector<std::size_t> sortByColumn(ResultColumn column);
  // Puts the rows in the order of sort(); returns the order applied.
  std::vector<std::size_t> sortRows();
  // Row k becomes the row that stood at order[k], with its flag; `order` holds every position once.
  void reorder(const std::vector<std::size_t>& order);
  // Drops the flagged rows (missing flags keep theirs); the rest keep their order and flags.
  void removeFlagged(const std::vector<bool>& remove);

 private:
  void recount();

  std::vector<ResultRow> rows_;
  std::vector<std::uint8_t> flags_;  // not vector<bool>: setSelected runs per row of a drag
  std::size_t selectedCount_ = 0;
  std::uint64_t selectedBytes_ = 0;
  std::size_t groupCount_ = 0;
  SortState sort_;
};

// One flag per row of a list of `count` rows, set at `positions`.
std::vector<bool> flagsAt(const std::vector<std::size_t>& positions, std::size_t count);

}  // namespace pelimor
