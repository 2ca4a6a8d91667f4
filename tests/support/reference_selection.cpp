#include "support/reference_selection.h"

namespace pelimor::testing {

std::size_t groupUnselectedCount(const std::vector<ResultRow>& rows, const std::vector<bool>& selected,
                                 std::uint32_t group) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rows[i].group == group && !selected[i]) ++count;
  return count;
}

std::size_t groupRunUnselectedCount(const std::vector<ResultRow>& rows, const std::vector<bool>& selected,
                                    std::uint32_t group) {
  std::size_t position = 0;
  while (position < rows.size() && rows[position].group != group) ++position;
  std::size_t count = 0;
  for (; position < rows.size() && rows[position].group == group; ++position)
    if (!selected[position]) ++count;
  return count;
}

}  // namespace pelimor::testing
