// The index over Hamming distance against comparing every pair, and the groups it makes.
#include "search/hamming_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <vector>

namespace pelimor {
namespace {

// Random hashes, with some near copies of earlier ones among them: clusters as pictures make.
std::vector<std::uint64_t> hashesWithNearCopies(std::size_t count, unsigned seed, unsigned flips = 10) {
  std::mt19937_64 random(seed);
  std::vector<std::uint64_t> hashes;
  while (hashes.size() < count) {
    if (!hashes.empty() && random() % 3 == 0) {
      std::uint64_t copy = hashes[random() % hashes.size()];
      for (unsigned f = static_cast<unsigned>(random() % (flips + 1)); f > 0; --f)
        copy ^= std::uint64_t{1} << (random() % 64);
      hashes.push_back(copy);
    } else {
      hashes.push_back(random());
    }
  }
  return hashes;
}

using Found = std::vector<std::pair<std::uint32_t, unsigned>>;

Found bruteForce(const std::vector<std::uint64_t>& hashes, std::uint64_t hash, unsigned distance) {
  Found found;
  for (std::uint32_t id = 0; id < hashes.size(); ++id)
    if (hammingDistance(hash, hashes[id]) <= distance) found.emplace_back(id, hammingDistance(hash, hashes[id]));
  return found;
}

Found lookedUp(const HammingIndex& index, std::uint64_t hash, unsigned distance) {
  Found found;
  index.forEachWithin(hash, distance, [&](std::uint32_t id, unsigned d) { found.emplace_back(id, d); });
  std::sort(found.begin(), found.end());
  return found;
}

TEST(HammingIndexTest, FindsExactlyWhatComparingEveryHashFinds) {
  for (const std::size_t count : {1u, 50u, 3000u, 20000u}) {
    const std::vector<std::uint64_t> hashes = hashesWithNearCopies(count, static_cast<unsigned>(count));
    for (const unsigned maxDistance : {0u, 4u, 8u, 12u, 16u}) {
      const HammingIndex index(hashes, maxDistance, 0);  // the chunks even for a handful
      SCOPED_TRACE(testing::Message() << count << " hashes, distance " << maxDistance << ", " << index.chunkCount()
                                      << " chunks");
      EXPECT_GT(index.chunkCount(), 1u);
      std::mt19937_64 random(maxDistance);
      for (int query = 0; query < 60; ++query) {
        // Hashes of the index itself, near copies of them, and strangers.
        std::uint64_t hash = query % 3 == 2 ? random() : hashes[random() % hashes.size()];
        if (query % 3 == 1) hash ^= random() & random() & random();
        for (const unsigned distance : {maxDistance, maxDistance / 2})
          ASSERT_EQ(lookedUp(index, hash, distance), bruteForce(hashes, hash, distance));
      }
    }
  }
}

TEST(HammingIndexTest, ADistanceBeyondTheIndexsIsCutToIt) {
  const std::vector<std::uint64_t> hashes = hashesWithNearCopies(5000, 3);
  const HammingIndex index(hashes, 6);
  EXPECT_EQ(lookedUp(index, hashes[17], 30), bruteForce(hashes, hashes[17], 6));
}

// The rule of groupSimilarHashes, the slow way.
std::vector<GroupPlace> groupsTheSlowWay(const std::vector<std::uint64_t>& hashes, unsigned maxDistance) {
  std::vector<GroupPlace> places(hashes.size());
  std::vector<std::uint32_t> leaders;
  for (std::uint32_t i = 0; i < hashes.size(); ++i) {
    places[i] = GroupPlace{i, 0};
    unsigned best = maxDistance + 1;
    for (const std::uint32_t leader : leaders)
      if (const unsigned d = hammingDistance(hashes[i], hashes[leader]); d < best) {
        best = d;
        places[i] = GroupPlace{leader, static_cast<std::uint8_t>(d)};
      }
    if (places[i].leader == i) leaders.push_back(i);
  }
  return places;
}

TEST(HammingIndexTest, GroupsFollowTheRuleOfTheNearestEarlierLeader) {
  for (const unsigned maxDistance : {4u, 12u}) {
    const std::vector<std::uint64_t> hashes = hashesWithNearCopies(40000, maxDistance, 14);
    const std::vector<GroupPlace> fast = groupSimilarHashes(hashes, maxDistance, 2);
    const std::vector<GroupPlace> slow = groupsTheSlowWay(hashes, maxDistance);
    ASSERT_EQ(fast.size(), slow.size());
    std::size_t followers = 0;
    for (std::size_t i = 0; i < fast.size(); ++i) {
      ASSERT_EQ(fast[i].leader, slow[i].leader) << i;
      ASSERT_EQ(fast[i].distance, slow[i].distance) << i;
      followers += fast[i].leader != i;
    }
    EXPECT_GT(followers, 1000u);  // the test saw groups
  }
}

TEST(HammingIndexTest, AChainOfSmallStepsIsNoOneGroup) {
  // Each hash 3 bits from the one before: the fifth is 12 bits from the first.
  std::vector<std::uint64_t> chain{0};
  for (int i = 1; i < 5; ++i) chain.push_back(chain.back() | (std::uint64_t{7} << (3 * i)));
  const std::vector<GroupPlace> places = groupSimilarHashes(chain, 4, 1);
  EXPECT_EQ(places[1].leader, 0u);
  EXPECT_EQ(places[2].leader, 2u);  // 6 bits from the first: a group of its own
  EXPECT_EQ(places[3].leader, 2u);
  EXPECT_EQ(places[3].distance, 3u);
  EXPECT_EQ(places[4].leader, 4u);
}

}  // namespace
}  // namespace pelimor
