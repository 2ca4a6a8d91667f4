#include "search/parallel_work.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace pelimor {
namespace {

using Pair = std::pair<std::uint32_t, std::uint32_t>;

// Keys with many ties, so slices and merges meet equal elements at their edges.
std::vector<Pair> randomPairs(std::size_t count, std::uint32_t distinctKeys, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<Pair> pairs(count);
  for (std::size_t i = 0; i < count; ++i)
    pairs[i] = {static_cast<std::uint32_t>(random() % distinctKeys), static_cast<std::uint32_t>(i)};
  return pairs;
}

TEST(SortInParallel, SortsEveryElementExactlyOnceForAnyThreadCountAndLength) {
  const auto byKey = [](const Pair& a, const Pair& b) { return a.first < b.first; };
  for (const std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{1000}, std::size_t{32767},
                                  std::size_t{32768}, std::size_t{100003}, std::size_t{262144}}) {
    for (const unsigned threads : {0u, 1u, 2u, 3u, 4u, 7u, 8u, 16u, 64u}) {
      std::vector<Pair> pairs = randomPairs(count, count < 100 ? 3 : 977, static_cast<unsigned>(count + threads));
      std::vector<Pair> expected = pairs;
      sortInParallel(pairs, byKey, threads);
      ASSERT_TRUE(std::is_sorted(pairs.begin(), pairs.end(), byKey)) << count << " elements, " << threads << " threads";
      // Same elements: ties may move among themselves, nothing may be lost or doubled.
      std::sort(expected.begin(), expected.end());
      std::sort(pairs.begin(), pairs.end());
      ASSERT_EQ(pairs, expected) << count << " elements, " << threads << " threads";
    }
  }
}

TEST(SortInParallel, AlreadySortedAndReversedInputs) {
  const auto less = [](std::uint64_t a, std::uint64_t b) { return a < b; };
  std::vector<std::uint64_t> ascending(200000), descending(200000);
  for (std::size_t i = 0; i < ascending.size(); ++i) {
    ascending[i] = i;
    descending[i] = ascending.size() - i;
  }
  std::vector<std::uint64_t> sorted = ascending;
  sortInParallel(sorted, less, 4);
  EXPECT_EQ(sorted, ascending);
  sortInParallel(descending, less, 4);
  EXPECT_TRUE(std::is_sorted(descending.begin(), descending.end()));
  EXPECT_EQ(descending.front(), 1u);
}

}  // namespace
}  // namespace pelimor
