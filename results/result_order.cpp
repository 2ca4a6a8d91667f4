#include "results/result_order.h"

#include <algorithm>
#include <numeric>

#include "search/ascii_case.h"

namespace pelimor {

namespace {
template <typename T>
int threeWay(T a, T b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}
}  // namespace

int compareFoldedAscii(std::string_view a, std::string_view b) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    const auto x = static_cast<unsigned char>(upperAscii(a[i]));
    const auto y = static_cast<unsigned char>(upperAscii(b[i]));
    if (x != y) return int(x) - int(y);
  }
  return threeWay(a.size(), b.size());
}

int compareRows(const ResultRow& a, const ResultRow& b, const SortState& sort) {
  int result = 0;
  switch (sort.column) {
    case ResultColumn::Group:
      result = threeWay(a.group, b.group);
      break;
    case ResultColumn::Name:
      result = compareFoldedAscii(a.name(), b.name());
      break;
    case ResultColumn::Path:
      result = compareFoldedAscii(a.path, b.path);
      break;
    case ResultColumn::Size:
      result = threeWay(a.size, b.size);
      break;
    // Fixed-width upper-case hex: text order is number order.
    case ResultColumn::Crc32:
      result = threeWay(a.crc32, b.crc32);
      break;
  }
  return sort.descending ? -result : result;
}

void applyHeaderClick(SortState& sort, ResultColumn clicked) {
  sort.descending = !sort.descending;
  sort.column = clicked;
}

std::vector<std::size_t> sortedOrder(const std::vector<ResultRow>& rows, const SortState& sort) {
  std::vector<std::size_t> order(rows.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t x, std::size_t y) { return compareRows(rows[x], rows[y], sort) < 0; });
  return order;
}

namespace {
std::uint32_t highestGroup(const std::vector<ResultRow>& rows) {
  std::uint32_t highest = 0;
  for (const ResultRow& row : rows) highest = std::max(highest, row.group);
  return highest;
}

// Numbers far above the row count would cost more buckets or marks than comparisons.
bool tooHighToIndexBy(std::uint32_t highest, const std::vector<ResultRow>& rows) { return highest / 4 > rows.size(); }
}  // namespace

std::vector<std::size_t> groupOrder(const std::vector<ResultRow>& rows, bool descending) {
  const std::uint32_t highest = highestGroup(rows);
  if (tooHighToIndexBy(highest, rows)) return sortedOrder(rows, SortState{ResultColumn::Group, descending});
  const auto bucketOf = [&](std::uint32_t group) -> std::size_t { return descending ? highest - group : group; };
  std::vector<std::size_t> next(std::size_t{highest} + 2, 0);
  for (const ResultRow& row : rows) ++next[bucketOf(row.group) + 1];
  std::partial_sum(next.begin(), next.end(), next.begin());
  std::vector<std::size_t> order(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) order[next[bucketOf(rows[i].group)]++] = i;
  return order;
}

std::size_t groupCount(const std::vector<ResultRow>& rows) {
  const std::uint32_t highest = highestGroup(rows);
  if (tooHighToIndexBy(highest, rows)) {
    std::vector<std::uint32_t> groups;
    groups.reserve(rows.size());
    for (const ResultRow& row : rows) groups.push_back(row.group);
    std::sort(groups.begin(), groups.end());
    return static_cast<std::size_t>(std::unique(groups.begin(), groups.end()) - groups.begin());
  }
  std::vector<bool> seen(std::size_t{highest} + 1, false);
  std::size_t count = 0;
  for (const ResultRow& row : rows) {
    if (seen[row.group]) continue;
    seen[row.group] = true;
    ++count;
  }
  return count;
}

void sortResultRows(std::vector<ResultRow>& rows, const SortState& sort) {
  std::stable_sort(rows.begin(), rows.end(),
                   [&](const ResultRow& a, const ResultRow& b) { return compareRows(a, b, sort) < 0; });
}

}  // namespace pelimor
