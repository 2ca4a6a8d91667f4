#pragma once
// The checks Delete and Move pass before touching any file; the group guard keeps every group
// from losing its last row.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "results/action_notice.h"
#include "search/result_row.h"

namespace pelimor {

// Groups whose rows are all selected, once each, in the order their first row stands in the list.
std::vector<std::uint32_t> fullySelectedGroups(const std::vector<ResultRow>& rows, const std::vector<bool>& selected);

// "All files are selected in group(s): 12, 2.\nPlease clear the selection from any file in each of
// the above groups." for the groups given; empty when there are none. Past the first kGroupsNamed
// groups the list ends ", … and N more".
inline constexpr std::size_t kGroupsNamed = 50;
NoticeText groupGuardText(const std::vector<std::uint32_t>& groups);

// What stops Delete or Move before any file is touched: an empty list, no selection, or the group
// guard. None when the action may go on.
// Throws std::invalid_argument when `selected` does not match `rows` in size.
std::optional<Notice> removalRefusal(const std::vector<ResultRow>& rows, const std::vector<bool>& selected);

}  // namespace pelimor
