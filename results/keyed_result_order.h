#pragma once
// The result list's order for a header click on many rows. Gives exactly the order of
// sortedOrder (result_order.h), which stays the plain statement of it: the same comparison, equal
// rows kept in their order; but compares prepared keys instead of the rows, on every core.
#include <cstddef>
#include <vector>

#include "results/result_order.h"

namespace pelimor {

std::vector<std::size_t> resultListOrder(const std::vector<ResultRow>& rows, const SortState& sort);

}  // namespace pelimor
