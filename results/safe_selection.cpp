#include "results/safe_selection.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/directory_reader.h"
#include "platform/paths.h"

namespace pelimor {

// The folder part is always a prefix of the path, so most rows are told apart without building it.
bool liesDirectlyIn(std::string_view path, std::string_view folder) {
  return path.starts_with(folder) && platform::folderPartView(path).size() == folder.size();
}

namespace {
struct FolderIdHash {
  std::size_t operator()(platform::FolderId folder) const {
    return std::hash<std::uint64_t>()(folder.inode * 0x9E3779B97F4A7C15u ^ folder.device);
  }
};

// Deeper trees than this are taken for a loop in the folders above.
constexpr std::size_t kDeepestFolder = 4096;

// Which folders lie anywhere below one of `tops`, the tops included. Each folder is looked up
// once, from its real parents on disk; its parents' answers are kept along the way.
class FolderTree {
 public:
  explicit FolderTree(const std::vector<platform::FolderId>& tops) {
    for (const platform::FolderId top : tops) answers_[top] = true;
  }

  bool holds(const ResultRow& row) {
    // A twin folder (see twinRows) that is a top lies in its tree; no file has a folder's identity.
    if (const auto own = answers_.find(platform::FolderId{row.identity.device, row.identity.inode});
        own != answers_.end() && own->second)
      return true;
    if (const auto known = answers_.find(row.identity.folder); known != answers_.end()) return known->second;
    return lookUp(row);
  }

 private:
  bool lookUp(const ResultRow& row) {
    const platform::FolderId folder = row.identity.folder;
    // The folder the path leads to must still be the one the search saw; if not, the row is
    // stale and the action would refuse it anyway. Not kept: the folders above are not its.
    const platform::Directory directory = platform::Directory::open(platform::folderPartOf(row.path));
    platform::FileStatus status;
    if (!directory.isOpen() || directory.ownStatus(status) || platform::FolderId{status.device, status.inode} != folder)
      return false;
    // Nearest first: the first folder whose answer is known answers for those below it.
    const std::vector<platform::FolderId> above = directory.foldersAbove(kDeepestFolder);
    bool inside = false;
    auto known = above.begin();
    for (; known != above.end(); ++known) {
      if (const auto answer = answers_.find(*known); answer != answers_.end()) {
        inside = answer->second;
        break;
      }
    }
    for (auto parent = above.begin(); parent != known; ++parent) answers_[*parent] = inside;
    return answers_[folder] = inside;
  }

  std::unordered_map<platform::FolderId, bool, FolderIdHash> answers_;
};

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
      if (selected[k] || !chosen(rows[order[k]])) continue;
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

SafeSelectionResult safeSelection(const std::vector<ResultRow>& rows, const std::vector<bool>& selected,
                                  std::optional<std::size_t> focused, const SortState& sort) {
  if (selected.size() != rows.size()) throw std::invalid_argument("safeSelection: one selection flag per row");
  SafeSelectionResult result;
  result.sort = SortState{ResultColumn::Group, sort.descending};
  if (rows.empty()) {
    result.notice = Notice::information(NoticeText::of(kEmptyListText));
    return result;
  }

  std::vector<bool> chosen = selected;
  bool hasFocus = focused.has_value() && *focused < rows.size();
  std::size_t focusRow = hasFocus ? *focused : 0;
  std::size_t reference = 0;
  const auto firstSelected = std::find(chosen.begin(), chosen.end(), true);
  if (firstSelected == chosen.end()) {
    // A reference row is never selected; it still gives the folder and the focus.
    chosen[0] = !rows[0].reference;
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
      rows, result.order, result.selected,
      [&](const ResultRow& row) { return !row.reference && liesDirectlyIn(row.path, referenceFolder); },
      [&](std::size_t k) { result.newlySelected.push_back(k); });

  if (hasFocus) result.focused = newPositionOf(result.order, focusRow);
  if (result.focusedTopRow && chosen[0]) {
    result.newlySelected.push_back(newPositionOf(result.order, focusRow));
    std::sort(result.newlySelected.begin(), result.newlySelected.end());
  }
  return result;
}

void selectInFolder(const std::vector<ResultRow>& rows, std::vector<bool>& selected, platform::FolderId folder,
                    bool wholeTree) {
  selectInFolders(rows, selected, {folder}, wholeTree);
}

void selectInFolders(const std::vector<ResultRow>& rows, std::vector<bool>& selected,
                     const std::vector<platform::FolderId>& folders, bool wholeTree) {
  if (selected.size() != rows.size()) throw std::invalid_argument("selectInFolders: one selection flag per row");
  // Group by group, wherever the list's order put their rows.
  std::vector<std::size_t> order(rows.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  const auto byGroup = [&](std::size_t a, std::size_t b) { return rows[a].group < rows[b].group; };
  if (!std::is_sorted(order.begin(), order.end(), byGroup)) std::stable_sort(order.begin(), order.end(), byGroup);
  std::vector<bool> inOrder(rows.size());
  for (std::size_t k = 0; k < order.size(); ++k) inOrder[k] = selected[order[k]];
  FolderTree tree(folders);
  selectAlongRuns(
      rows, order, inOrder,
      [&](const ResultRow& row) {
        return !row.reference &&
               (wholeTree ? tree.holds(row)
                          : std::find(folders.begin(), folders.end(), row.identity.folder) != folders.end());
      },
      [](std::size_t) {});
  for (std::size_t k = 0; k < order.size(); ++k) selected[order[k]] = inOrder[k];
}

}  // namespace pelimor
