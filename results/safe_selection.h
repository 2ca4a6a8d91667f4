#pragma once
// Safe selection: select the rows of one folder in every group, never the last unselected row of a
// group, never a reference row.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "results/action_notice.h"
#include "results/result_order.h"
#include "search/result_row.h"

namespace pelimor {

struct SafeSelectionResult {
  // Set when the action stops at once (an empty list); everything else is then empty.
  std::optional<Notice> notice;
  // The list's new order: the row now at position k is the row that stood at order[k].
  std::vector<std::size_t> order;
  // Selection in the new order: the old selection plus the rows the action chose.
  std::vector<bool> selected;
  // New positions of the rows the action selected, ascending (the top row included when it chose it).
  std::vector<std::size_t> newlySelected;
  // New position of the focused row, if any.
  std::optional<std::size_t> focused;
  // Nothing was selected, so the action selected (unless it is a reference row) and focused the top
  // row: the window also moves the keyboard focus to the list.
  bool focusedTopRow = false;
  // The list's sort state afterwards: by group, in the direction it had.
  SortState sort;
};

// The Select action. `selected` has one flag per row; `focused` is the focused row's position.
// With a selection but no focused row, the first selected row gives the reference folder.
// Throws std::invalid_argument when `selected` does not match `rows` in size.
SafeSelectionResult safeSelection(const std::vector<ResultRow>& rows, const std::vector<bool>& selected,
                                  std::optional<std::size_t> focused, const SortState& sort);

// The same rule from the command line: in every group, selects the rows whose file lies directly in
// `folder` (with `wholeTree`, anywhere below it), never the last unselected row of a group. Folders
// are told by identity, whatever path names them: a row's own folder is its identity.folder, and
// the folders above it are looked up on disk, through "..", once per folder. The rows of a group
// may stand anywhere. A twin folder's row (see twinRows) lies in the tree of the folder it is.
// Throws std::invalid_argument when `selected` does not match `rows` in size.
void selectInFolder(const std::vector<ResultRow>& rows, std::vector<bool>& selected, platform::FolderId folder,
                    bool wholeTree);
// The same for the rows in any of `folders`, in one pass.
void selectInFolders(const std::vector<ResultRow>& rows, std::vector<bool>& selected,
                     const std::vector<platform::FolderId>& folders, bool wholeTree);

// True when the file at `path` lies directly in `folder` (a folder as folderPartOf gives it).
bool liesDirectlyIn(std::string_view path, std::string_view folder);

// The rows rearranged into `order` (as returned above).
template <typename T>
std::vector<T> inOrder(const std::vector<T>& items, const std::vector<std::size_t>& order) {
  std::vector<T> arranged;
  arranged.reserve(order.size());
  for (const std::size_t position : order) arranged.push_back(items[position]);
  return arranged;
}

}  // namespace pelimor
