#pragma once
// Deterministic test trees for the benchmarks: the same preset and seed always give the same folders,
// names, sizes, bytes and hard links. Content is real data (no holes), so the page cache holds real bytes.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pelimor::bench {

// Bumped whenever a preset or the content changes, so that old trees are made again.
inline constexpr int kGeneratorVersion = 1;
inline constexpr std::uint64_t kDefaultSeed = 20240503;

struct PresetInfo {
  std::string name;
  std::string description;
};
const std::vector<PresetInfo>& presets();
bool isPreset(const std::string& name);

struct TreeSummary {
  std::string preset;
  std::uint64_t seed = 0;
  std::uint64_t files = 0;          // names of regular files, hard links and empty files included
  std::uint64_t folders = 0;        // the root included
  std::uint64_t dataBytes = 0;      // bytes on disk: a hard-linked file counts once
  std::uint64_t apparentBytes = 0;  // sum of every name's size
  std::uint64_t emptyFiles = 0;
  std::uint64_t hardLinks = 0;       // extra names of a file already written
  std::uint64_t exactCopies = 0;     // files whose bytes equal an earlier file's
  std::uint64_t sameSizeOthers = 0;  // files sized like an earlier file but with other bytes
  std::uint64_t largestFile = 0;

  // key=value lines; what `describe` parses back.
  std::string describe() const;
  static bool parse(const std::string& text, TreeSummary& summary);
};

// Computes the tree without writing anything.
TreeSummary planTree(const std::string& preset, std::uint64_t seed);

// Writes the tree below `root`, which must not exist yet. `jobs` threads write files. `progress`,
// when given, is called now and then with the share done (0..1).
TreeSummary generateTree(const std::string& preset, std::uint64_t seed, const std::string& root, unsigned jobs,
                         const std::function<void(double)>& progress = {});

// The tree at `root` made by this generator for this preset and seed: reused when its marker file
// (`root` + ".info") says so, otherwise removed and made again. The marker is written last, so an
// interrupted run never leaves a tree that looks complete.
TreeSummary ensureTree(const std::string& preset, std::uint64_t seed, const std::string& root, unsigned jobs,
                       bool verbose);

// Reads the marker of a finished tree; false when there is none.
bool readTreeMarker(const std::string& root, TreeSummary& summary);

struct WarmSummary {
  std::uint64_t files = 0;
  std::uint64_t folders = 0;
  std::uint64_t bytes = 0;
};
// Visits every folder and reads every regular file below the roots once, so that metadata and
// content sit in the page cache. Hidden folders are visited too; links are not followed.
WarmSummary warmTree(const std::vector<std::string>& roots, unsigned jobs);

}  // namespace pelimor::bench
