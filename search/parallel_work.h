#pragma once
// Work on the long lists of a search shared among threads: sorting them, and running one function
// for every item.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

namespace pelimor {

// Each thread sorts a slice, then neighbouring slices are merged, pair by pair. Equal elements may
// end in any order, as with std::sort.
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
  const auto at = [&](unsigned slice) {
    return items.begin() + static_cast<std::ptrdiff_t>(items.size() * slice / slices);
  };
  // Runs work(first) for first = 0, step, 2 * step ... below `slices`, each on a thread of its own.
  const auto spread = [&](unsigned step, auto work) {
    std::vector<std::thread> pool;
    for (unsigned first = step; first < slices; first += step) pool.emplace_back(work, first);
    work(0u);
    for (std::thread& thread : pool) thread.join();
  };
  spread(1, [&](unsigned slice) { std::sort(at(slice), at(slice + 1), less); });
  for (unsigned width = 1; width < slices; width *= 2)
    spread(2 * width,
           [&](unsigned first) { std::inplace_merge(at(first), at(first + width), at(first + 2 * width), less); });
}

// Runs work(i, scratch) for every i in [0, count) on up to `threads` threads, each with a scratch
// of its own made from `scratchArguments`. Neighbouring items go to one thread in small runs: they
// tend to share a folder.
template <typename Scratch, typename Work, typename... ScratchArguments>
void forEachInParallel(std::size_t count, unsigned threads, Work work, ScratchArguments&... scratchArguments) {
  constexpr std::size_t kRun = 16;
  std::atomic<std::size_t> next{0};
  auto worker = [&] {
    Scratch scratch(scratchArguments...);
    for (std::size_t begin = next.fetch_add(kRun); begin < count; begin = next.fetch_add(kRun))
      for (std::size_t i = begin; i < std::min(count, begin + kRun); ++i) work(i, scratch);
  };
  const std::size_t runs = (count + kRun - 1) / kRun;
  const unsigned helpers = static_cast<unsigned>(std::min<std::size_t>(threads, runs)) - (runs ? 1 : 0);
  std::vector<std::thread> pool;
  for (unsigned t = 0; t < helpers; ++t) pool.emplace_back(worker);
  worker();
  for (std::thread& thread : pool) thread.join();
}

struct NoScratch {};

}  // namespace pelimor
