#pragma once
// The trees of ten_million.sh: folders of 1,000 files of 1 to 8 bytes each, one file in twenty a
// copy of the file before it. Too many files for the planned trees, so written straight from the
// numbers: folder f is d{f/100}/f{f}, its file k is n{k}.txt and holds the text of its number
// f * 1000 + k.
#include <cstdint>
#include <functional>
#include <string>

#include "bench/tree_generator.h"

namespace pelimor::bench {

inline constexpr std::uint64_t kTinyFilesPerFolder = 1'000;

// The number of folders of a tiny-files preset, or 0 when `preset` is none.
std::uint64_t tinyFilesFolders(const std::string& preset);

// The seed is only recorded: these trees are the same for every seed.
TreeSummary planTinyFilesTree(const std::string& preset, std::uint64_t seed);

// Writes the tree below `root`, which must not exist yet, on `jobs` threads.
TreeSummary generateTinyFilesTree(const std::string& preset, std::uint64_t seed, const std::string& root, unsigned jobs,
                                  const std::function<void(double)>& progress);

}  // namespace pelimor::bench
