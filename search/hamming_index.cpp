#include "search/hamming_index.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "search/parallel_work.h"

namespace pelimor {

namespace {
// Every mask of `bits` bits with at most `most` ones, in order of their count of ones.
std::vector<std::uint32_t> masksUpTo(unsigned bits, unsigned most, std::vector<std::size_t>& endOfCount) {
  std::vector<std::uint32_t> masks;
  endOfCount.clear();
  for (unsigned ones = 0; ones <= most; ++ones) {
    if (ones <= bits) {
      // Gosper's hack: the masks with `ones` ones, ascending.
      if (ones == 0) {
        masks.push_back(0);
      } else {
        std::uint64_t mask = (std::uint64_t{1} << ones) - 1;
        while (mask < (std::uint64_t{1} << bits)) {
          masks.push_back(static_cast<std::uint32_t>(mask));
          const std::uint64_t lowest = mask & (~mask + 1);
          const std::uint64_t ripple = mask + lowest;
          mask = ripple | (((mask ^ ripple) >> 2) / lowest);
        }
      }
    }
    endOfCount.push_back(masks.size());
  }
  return masks;
}
}  // namespace

HammingIndex::HammingIndex(std::vector<std::uint64_t> hashes, unsigned maxDistance, std::size_t linearUpTo)
    : hashes_(std::move(hashes)), maxDistance_(std::min(maxDistance, 64u)) {
  if (hashes_.size() <= linearUpTo) return;
  // About as many chunk values as hashes: a probe then finds about one hash. Fewer, wider chunks
  // make each probe rarer but the probes many more; chunks of 16 bits keep the tables small.
  const double perChunk = std::clamp(std::round(std::log2(static_cast<double>(hashes_.size()))), 4.0, 16.0);
  const auto m = static_cast<unsigned>(std::ceil(64.0 / perChunk));
  const unsigned radius = maxDistance_ / m;
  chunks_.resize(m);
  unsigned shift = 0;
  for (unsigned k = 0; k < m; ++k) {
    Chunk& chunk = chunks_[k];
    chunk.shift = shift;
    chunk.bits = 64 / m + (k < 64 % m ? 1 : 0);
    shift += chunk.bits;
    chunk.probes = masksUpTo(chunk.bits, radius, chunk.probesUpTo);
    // A counting sort by the chunk's value.
    chunk.starts.assign((std::size_t{1} << chunk.bits) + 1, 0);
    for (const std::uint64_t hash : hashes_) ++chunk.starts[chunk.value(hash) + 1];
    for (std::size_t v = 1; v < chunk.starts.size(); ++v) chunk.starts[v] += chunk.starts[v - 1];
    chunk.entries.resize(hashes_.size());
    std::vector<std::uint32_t> next(chunk.starts.begin(), chunk.starts.end() - 1);
    for (std::uint32_t id = 0; id < hashes_.size(); ++id)
      chunk.entries[next[chunk.value(hashes_[id])]++] = Entry{hashes_[id], id};
  }
}

std::vector<GroupPlace> groupSimilarHashes(const std::vector<std::uint64_t>& hashes, unsigned maxDistance,
                                           unsigned threads) {
  const std::size_t n = hashes.size();
  std::vector<GroupPlace> places(n);
  if (n == 0) return places;
  const HammingIndex index(hashes, maxDistance);
  struct Near {
    std::uint32_t id;
    unsigned distance;
  };
  // Blocks of pictures: the pictures near each one of the block and before it are found in
  // parallel, then the block joins its groups in order, each picture once those before it have.
  constexpr std::size_t kBlock = 1u << 14;
  std::vector<std::vector<Near>> nearBefore;
  std::vector<bool> leads(n, false);
  for (std::size_t begin = 0; begin < n; begin += kBlock) {
    const std::size_t end = std::min(n, begin + kBlock);
    nearBefore.assign(end - begin, {});
    forEachInParallel<NoScratch>(end - begin, threads, [&](std::size_t k, NoScratch&) {
      const auto i = static_cast<std::uint32_t>(begin + k);
      std::vector<Near>& found = nearBefore[k];
      index.forEachWithin(hashes[i], maxDistance, [&](std::uint32_t id, unsigned distance) {
        if (id < i) found.push_back(Near{id, distance});
      });
      std::sort(found.begin(), found.end(),
                [](const Near& a, const Near& b) { return std::tie(a.distance, a.id) < std::tie(b.distance, b.id); });
    });
    for (std::size_t k = 0; k < end - begin; ++k) {
      const auto i = static_cast<std::uint32_t>(begin + k);
      places[i] = GroupPlace{i, 0};
      const std::vector<Near>& found = nearBefore[k];
      const auto leader = std::find_if(found.begin(), found.end(), [&](const Near& near) { return leads[near.id]; });
      if (leader == found.end())
        leads[i] = true;
      else
        places[i] = GroupPlace{leader->id, static_cast<std::uint8_t>(leader->distance)};
    }
  }
  return places;
}

}  // namespace pelimor
