#include "results/result_session.h"

#include <algorithm>
#include <utility>

#include "results/keyed_result_order.h"

namespace pelimor {

void ResultSession::install(std::vector<ResultRow> rows) {
  rows_ = std::move(rows);
  groupCount_ = pelimor::groupCount(rows_);
  flags_.assign(rows_.size(), 0);
  selectedCount_ = 0;
  selectedBytes_ = 0;
  sort_.column = ResultColumn::Group;
}

void ResultSession::selectAll() {
  std::fill(flags_.begin(), flags_.end(), std::uint8_t{1});
  recount();
}

void ResultSession::clearSelection() {
  std::fill(flags_.begin(), flags_.end(), std::uint8_t{0});
  selectedCount_ = 0;
  selectedBytes_ = 0;
}

void ResultSession::setSelection(const std::vector<bool>& selected) {
  const std::size_t given = std::min(selected.size(), flags_.size());
  for (std::size_t row = 0; row < flags_.size(); ++row) flags_[row] = row < given && selected[row] ? 1 : 0;
  recount();
}

std::vector<bool> ResultSession::selection() const {
  std::vector<bool> selected(flags_.size());
  for (std::size_t row = 0; row < flags_.size(); ++row) selected[row] = flags_[row] != 0;
  return selected;
}

std::optional<std::size_t> ResultSession::firstSelected() const {
  const auto first = std::find_if(flags_.begin(), flags_.end(), [](std::uint8_t flag) { return flag != 0; });
  if (first == flags_.end()) return std::nullopt;
  return static_cast<std::size_t>(first - flags_.begin());
}

std::size_t ResultSession::countSelectedFlags() const {
  return static_cast<std::size_t>(
      std::count_if(flags_.begin(), flags_.end(), [](std::uint8_t flag) { return flag != 0; }));
}

std::vector<std::size_t> ResultSession::sortByColumn(ResultColumn column) {
  applyHeaderClick(sort_, column);
  return sortRows();
}

std::vector<std::size_t> ResultSession::sortRows() {
  std::vector<std::size_t> order = resultListOrder(rows_, sort_);
  reorder(order);
  return order;
}

void ResultSession::reorder(const std::vector<std::size_t>& order) {
  std::vector<ResultRow> ordered;
  ordered.reserve(rows_.size());
  std::vector<std::uint8_t> flags;
  flags.reserve(rows_.size());
  for (const std::size_t from : order) {
    ordered.push_back(std::move(rows_[from]));
    flags.push_back(flags_[from]);
  }
  rows_ = std::move(ordered);
  flags_ = std::move(flags);
}

void ResultSession::removeFlagged(const std::vector<bool>& remove) {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (i < remove.size() && remove[i]) continue;
    if (kept != i) {
      rows_[kept] = std::move(rows_[i]);
      flags_[kept] = flags_[i];
    }
    ++kept;
  }
  rows_.resize(kept);
  flags_.resize(kept);
  groupCount_ = pelimor::groupCount(rows_);
  recount();
}

void ResultSession::recount() {
  selectedCount_ = 0;
  selectedBytes_ = 0;
  for (std::size_t row = 0; row < rows_.size(); ++row) {
    if (flags_[row] == 0) continue;
    ++selectedCount_;
    selectedBytes_ += rows_[row].size;
  }
}

std::vector<bool> flagsAt(const std::vector<std::size_t>& positions, std::size_t count) {
  std::vector<bool> flags(count, false);
  for (const std::size_t position : positions) flags[position] = true;
  return flags;
}

}  // namespace pelimor
