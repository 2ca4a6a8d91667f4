#include "results/safe_selection.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/paths.h"

namespace pelimor {

namespace {
// The folder part is always a prefix of the path, so most rows are told apart without building it.
bool liesIn(std::string_view path, const std::string& folder) {
  return path.starts_with(folder) && platform::folderPartOf(path).size() == folder.size();
}

bool liesBelow(std::string_view path, std::string_view folder) {
  if (folder == "/") return path.starts_with('/');
  return path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == platform::kSeparator;
}

// Along the rows at positions order[0], order[1] ... (each group one run), selects the rows that
// `chosen` takes, never the last unselected row of a run. `selected` is indexed like `order`.
// A run's unselected count only falls as the pass selects rows in it, so one count per run gives
// what recounting before every row would.
template <typename Chosen, typename Selected>
void selectAlongRuns(const std::vector<ResultRow>& rows, const std::vector<std::size_t>& order,
                     std::vector<bool>& selected, const Chosen& chosen, const Selected& onSelected) {
  const std::size_t count = order.size();
  for (std::size_t start = 0; start < count;) {
    const std::uint32_t group = rows[order[start]].group;
    std::size_t end = start;
    std::size_t unselected = 0;
    for (; end < count && rows[order[end]].group == group; ++end)
      if (!selected[end]) ++unselected;
    for (std::size_t k = start; k < end && unselected > 1; ++k) {
      if (selected[k] || !chosen(rows[order[k]].path)) continue;
      selected[k] = true;
      onSelected(k);
      --unselected;
    }
    start = end;
  }
}

std::size_t newPositionOf(const std::vector<std::size_t>& order, std::size_t oldPosition) {
  return static_cast<std::size_t>(std::find(order.begin(), order.end(), oldPosition) - order.begin());
}
}  // namespace

std::size_t GroupRunUnselectedCount(const std::vector<ResultRow>& rows, const std::vector<bool>& selected,
                                    std::uint32_t group) {
  std::size_t position = 0;
  while (position < rows.size() && rows[position].group != group) ++position;
  std::size_t count = 0;
  for (; position < rows.size() && rows[position].group == group; ++position)
    if (!selected[position]) ++count;
  return count;
}

SafeSelectionResult safeSelection(const std::vector<ResultRow>& rows, const std::vector<bool>& selected,
                                  std::optional<std::size_t> focused, const SortState& sort) {
  if (selected.size() != rows.size()) throw std::invalid_argument("safeSelection: one selection flag per row");
  SafeSelectionResult result;
  result.sort = SortState{ResultColumn::Group, sort.descending};
  if (rows.empty()) {
    result.notice = Notice::information(kEmptyListText);
    return result;
  }

  std::vector<bool> chosen = selected;
  bool hasFocus = focused.has_value() && *focused < rows.size();
  std::size_t focusRow = hasFocus ? *focused : 0;
  std::size_t reference = 0;
  const auto firstSelected = std::find(chosen.begin(), chosen.end(), true);
  if (firstSelected == chosen.end()) {
    chosen[0] = true;
    hasFocus = true;
    focusRow = 0;
    result.focusedTopRow = true;
  } else {
    reference = hasFocus ? focusRow : static_cast<std::size_t>(firstSelected - chosen.begin());
  }
  const std::string referenceFolder = platform::folderPartOf(rows[reference].path);

  result.order = groupOrder(rows, result.sort.descending);
  const std::size_t count = rows.size();
  result.selected.resize(count);
  for (std::size_t k = 0; k < count; ++k) result.selected[k] = chosen[result.order[k]];

  selectAlongRuns(
      rows, result.order, result.selected, [&](std::string_view path) { return liesIn(path, referenceFolder); },
      [&](std::size_t k) { result.newlySelected.push_back(k); });

  if (hasFocus) result.focused = newPositionOf(result.order, focusRow);
  if (result.focusedTopRow) {
    result.newlySelected.push_back(newPositionOf(result.order, focusRow));
    std::sort(result.newlySelected.begin(), result.newlySelected.end());
  }
  return result;
}

void selectInFolder(const std::vector<ResultRow>& rows, std::vector<bool>& selected, std::string_view folder,
                    bool wholeTree) {
  if (selected.size() != rows.size()) throw std::invalid_argument("selectInFolder: one selection flag per row");
  const std::string kept = platform::normalizedFolder(folder);
  std::vector<std::size_t> order(rows.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  selectAlongRuns(
      rows, order, selected,
      [&](std::string_view path) { return wholeTree ? liesBelow(path, kept) : liesIn(path, kept); },
      [](std::size_t) {});
}

}  // namespace pelimor
