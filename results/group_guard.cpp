#include "results/group_guard.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

namespace pelimor {

std::vector<std::uint32_t> fullySelectedGroups(const std::vector<ResultRow>& rows, const std::vector<bool>& selected) {
  // One pass for every group's unselected count instead of a scan per selected row.
  std::unordered_map<std::uint32_t, std::size_t> unselected;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::size_t& count = unselected[rows[i].group];
    if (!selected[i]) ++count;
  }
  std::vector<std::uint32_t> groups;
  std::unordered_set<std::uint32_t> listed;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::uint32_t group = rows[i].group;
    if (selected[i] && unselected[group] == 0 && listed.insert(group).second) groups.push_back(group);
  }
  return groups;
}

NoticeText groupGuardText(const std::vector<std::uint32_t>& groups) {
  if (groups.empty()) return {};
  std::string named;
  // A box naming tens of thousands of groups would not fit any screen, nor could it be answered.
  for (std::size_t i = 0; i < groups.size() && i < kGroupsNamed; ++i) {
    if (i > 0) named += ", ";
    named += std::to_string(groups[i]);
  }
  NoticeText list(std::move(named));
  if (groups.size() > kGroupsNamed)
    list += NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", ", \u2026 and %1 more"),
                           std::to_string(groups.size() - kGroupsNamed));
  return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices",
                                            "All files are selected in group(s): %1.\nPlease clear the selection "
                                            "from any file in each of the above groups."),
                        std::move(list));
}

std::optional<Notice> removalRefusal(const std::vector<ResultRow>& rows, const std::vector<bool>& selected) {
  if (selected.size() != rows.size()) throw std::invalid_argument("removalRefusal: one selection flag per row");
  if (rows.empty()) return Notice::information(NoticeText::of(kEmptyListText));
  if (std::find(selected.begin(), selected.end(), true) == selected.end())
    return Notice::information(NoticeText::of(kNoFileSelectedText));
  const std::vector<std::uint32_t> groups = fullySelectedGroups(rows, selected);
  if (!groups.empty()) return Notice::groupGuard(groupGuardText(groups));
  return std::nullopt;
}

}  // namespace pelimor
