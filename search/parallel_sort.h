#pragma once
// Sorting the long lists of a search on every core: each thread sorts a slice, then neighbouring
// slices are merged, pair by pair. Equal elements may end in any order, as with std::sort.
#include <algorithm>
#include <cstddef>
#include <thread>
#include <vector>

namespace pelimor {

template <typename T, typename Less>
void sortInParallel(std::vector<T>& items, Less less, unsigned threads) {
  // Below this, starting threads costs more than it saves.
  constexpr std::size_t kWorthSharing = 1u << 15;
  unsigned slices = 1;
  while (slices * 2 <= std::min(threads, 16u)) slices *= 2;
  if (slices == 1 || items.size() < kWorthSharing) {
    std::sort(items.begin(), items.end(), less);
    return;
  }
  const auto at = [&](unsigned slice) { return items.begin() + static_cast<std::ptrdiff_t>(items.size() * slice / slices); };
  // Runs work(first) for first = 0, step, 2 * step ... below `slices`, each on a thread of its own.
  const auto spread = [&](unsigned step, auto work) {
    std::vector<std::thread> pool;
    for (unsigned first = step; first < slices; first += step) pool.emplace_back(work, first);
    work(0u);
    for (std::thread& thread : pool) thread.join();
  };
  spread(1, [&](unsigned slice) { std::sort(at(slice), at(slice + 1), less); });
  for (unsigned width = 1; width < slices; width *= 2)
    spread(2 * width, [&](unsigned first) { std::inplace_merge(at(first), at(first + width), at(first + 2 * width), less); });
}

}  // namespace pelimor
