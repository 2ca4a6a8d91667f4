#pragma once
// The selection counts as first written, one scan of the list per group: the plain statement that
// fullySelectedGroups, safeSelection and selectInFolder (one pass per action) must agree with.
// Tests only.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "search/result_row.h"

namespace pelimor::testing {

// How many rows of group `group` in the whole list are unselected, whatever the list's order.
std::size_t groupUnselectedCount(const std::vector<ResultRow>& rows, const std::vector<bool>& selected,
                                 std::uint32_t group);

// How many rows of group `group` are unselected, counted along the run of rows that starts at the
// group's first row in list order.
std::size_t groupRunUnselectedCount(const std::vector<ResultRow>& rows, const std::vector<bool>& selected,
                                    std::uint32_t group);

}  // namespace pelimor::testing
