#pragma once
// Finding, among many 64-bit hashes, those within a small Hamming distance of one, without
// comparing it with every hash: multi-index hashing (Norouzi, Punjani and Fleet, 2012). The 64
// bits are cut into m chunks; two hashes at most d bits apart differ in at most d / m bits (rounded
// down) of some chunk, so only the hashes whose chunk lies that near the asked one's, in one of the
// chunks, need to be compared. Each chunk has a table by its value: a lookup is a few probes, each
// of them a slot of the table, and a million hashes cost some thirty thousand comparisons each
// instead of a million.
#include <bit>
#include <cstdint>
#include <vector>

#include "search/picture_hash.h"

namespace pelimor {

class HammingIndex {
 public:
  // Every hash is known by its position in `hashes`. `maxDistance`: the farthest any lookup asks.
  // With no more than `linearUpTo` hashes, a lookup simply compares them all.
  HammingIndex(std::vector<std::uint64_t> hashes, unsigned maxDistance, std::size_t linearUpTo = 256);

  std::size_t size() const { return hashes_.size(); }
  std::uint64_t hash(std::uint32_t id) const { return hashes_[id]; }
  unsigned chunkCount() const { return static_cast<unsigned>(chunks_.size()); }

  // Calls found(id, distance) for every hash at most `distance` (no more than maxDistance) bits
  // from `hash`, each once, in no particular order. Safe from any number of threads.
  template <typename Found>
  void forEachWithin(std::uint64_t hash, unsigned distance, Found found) const;

 private:
  struct Entry {
    std::uint64_t hash;
    std::uint32_t id;
  };
  struct Chunk {
    unsigned shift = 0, bits = 0;
    std::uint32_t value(std::uint64_t hash) const {
      return static_cast<std::uint32_t>((hash >> shift) & ((std::uint64_t{1} << bits) - 1));
    }
    std::vector<std::uint32_t> starts;  // per value, where its entries begin; one more at the end
    std::vector<Entry> entries;         // sorted by this chunk's value
    // Every mask of `bits` bits with no more than maxDistance / m ones, fewest ones first, and
    // where those with no more than r ones end, for each r.
    std::vector<std::uint32_t> probes;
    std::vector<std::size_t> probesUpTo;
  };

  std::vector<std::uint64_t> hashes_;
  unsigned maxDistance_;
  std::vector<Chunk> chunks_;  // empty: lookups compare every hash
};

template <typename Found>
void HammingIndex::forEachWithin(std::uint64_t hash, unsigned distance, Found found) const {
  if (distance > maxDistance_) distance = maxDistance_;
  if (chunks_.empty()) {
    for (std::uint32_t id = 0; id < hashes_.size(); ++id)
      if (const unsigned d = hammingDistance(hash, hashes_[id]); d <= distance) found(id, d);
    return;
  }
  const auto m = static_cast<unsigned>(chunks_.size());
  const unsigned radius = distance / m;
  for (unsigned k = 0; k < m; ++k) {
    const Chunk& chunk = chunks_[k];
    const std::uint32_t value = chunk.value(hash);
    for (std::size_t p = 0; p < chunk.probesUpTo[radius]; ++p) {
      const std::uint32_t probe = value ^ chunk.probes[p];
      for (std::uint32_t e = chunk.starts[probe]; e < chunk.starts[probe + 1]; ++e) {
        const Entry& entry = chunk.entries[e];
        const unsigned d = hammingDistance(hash, entry.hash);
        if (d > distance) continue;
        // Found through an earlier chunk already?
        bool seen = false;
        for (unsigned j = 0; j < k && !seen; ++j)
          seen = static_cast<unsigned>(std::popcount(chunks_[j].value(hash) ^ chunks_[j].value(entry.hash))) <= radius;
        if (!seen) found(entry.id, d);
      }
    }
  }
}

// How pictures are sorted into groups. The pictures come in the order in which they may lead a
// group (the engine puts the largest first). Each in turn joins the group of the nearest picture
// before it that leads one, within `maxDistance` bits (of two as near, the earlier); with none
// that near, it leads a group of its own. So every picture of a group lies within maxDistance of
// the group's leading picture, the same pictures always make the same groups, and no chain of
// pictures each a little different from the one before ends up in one group.
struct GroupPlace {
  std::uint32_t leader = 0;   // the leading picture's position; its own for a leading picture
  std::uint8_t distance = 0;  // bits from the leading picture's hash
};
std::vector<GroupPlace> groupSimilarHashes(const std::vector<std::uint64_t>& hashes, unsigned maxDistance,
                                           unsigned threads);

}  // namespace pelimor
