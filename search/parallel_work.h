#pragma once
// Work on the long lists of a search shared among threads: sorting them, and running one function
// for every item.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

namespace pelimor {

// Sorts [first, last) in place: split at the middle element (nth_element), then each half on a
// thread of its own, and so on while threads are left. No second buffer, as a merge would need:
// the lists sorted here are the search's largest. Equal elements may end in any order, as with
// std::sort.
template <typename Iterator, typename Less>
void sortRangeInParallel(Iterator first, Iterator last, Less less, unsigned threads) {
  // Below this, starting threads costs more than it saves.
  constexpr std::ptrdiff_t kWorthSharing = 1 << 15;
  if (threads < 2 || last - first < kWorthSharing) {
    std::sort(first, last, less);
    return;
  }
  const Iterator middle = first + (last - first) / 2;
  std::nth_element(first, middle, last, less);
  std::thread lower([&] { sortRangeInParallel(first, middle, less, threads / 2); });
  sortRangeInParallel(middle, last, less, threads - threads / 2);
  lower.join();
}

template <typename T, typename Less>
void sortInParallel(std::vector<T>& items, Less less, unsigned threads) {
  sortRangeInParallel(items.begin(), items.end(), less, std::min(threads, 16u));
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
