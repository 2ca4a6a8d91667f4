#pragma once
// The result list's order for a header click on many rows. Gives exactly the order of
// sortedOrder (results/result_order.h): the same comparison, equal rows kept in their order;
// but compares prepared keys instead of the rows, and uses both cores for large lists.
#include <cstddef>
#include <vector>

#include "results/result_order.h"

namespace pelimor {

std::vector<std::size_t> resultListOrder(const std::vector<ResultRow>& rows, const SortState& sort);

}  // namespace pelimor
