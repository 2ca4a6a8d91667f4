#pragma once
// Turns the walk's candidates into numbered groups of identical files, reading as little as it can:
// sizes first, one path per device and inode, then the first and last bytes of large files, and
// only then the whole content (CRC-32 and a strong hash in one pass).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "search/candidate_store.h"
#include "search/content_digest.h"
#include "search/digest_cache.h"
#include "search/result_row.h"
#include "search/search_control.h"
#include "search/search_progress.h"
#include "search/skipped_file.h"

namespace pelimor {

class DuplicateGrouper {
 public:
  // Files up to this size are read whole at once: opening a file costs about as much as reading it.
  static constexpr std::uint64_t kSmallFileBytes = std::uint64_t{64} * 1024;
  // Larger files first have their first and last bytes compared, in one visit, before the whole is read.
  static constexpr std::uint64_t kSampleBytes = 4096;

  // `cache`, when given, spares reading what it knows of unchanged files and learns what is read.
  DuplicateGrouper(const CandidateStore& store, SearchProgress& progress, const SearchControl& control,
                   unsigned readThreads, DigestCache* cache = nullptr);

  // Rows in their final order: groups by ascending CRC-32 text, numbered 1, 2, 3 ..., files of a
  // group by path. Files that could not be read are appended to `skipped` and left out.
  // Returns nothing when the search is aborted. `whenRead`, when given, is called once all reading
  // is done and before the rows are made: what only reading needed can be let go there.
  std::vector<ResultRow> run(std::vector<SkippedFile>& skipped, const std::function<void()>& whenRead = {});

 private:
  enum class Stage { Samples, Whole };
  // One file still in the running. Kept small and in one array: a million of them are sorted
  // and walked several times.
  struct Item {
    std::uint64_t size = 0;
    // After the samples stage, a file read only in part holds the hashes of its first and last
    // bytes here instead; files of one size are all read whole or all in part, so they compare alike.
    ContentDigest digest;
    std::uint32_t candidate = 0;
    int failure = 0;  // an errno value, or one of the negative reasons below
  };
  static constexpr int kChangedSinceWalk = -1;
  static constexpr int kShrankWhileRead = -2;

  // Bytes a stage reads of a file, and bytes left to read for it once the stage is done.
  static std::uint64_t bytesReadIn(Stage stage, std::uint64_t size);
  static std::uint64_t bytesLeftAfter(Stage stage, std::uint64_t size);
  // What the cache keeps of what a stage reads of a file.
  static CacheRecord::Kind cachedAs(Stage stage, std::uint64_t size);

  std::vector<Item> sameSizeDistinctFiles();
  void readStage(std::vector<Item>& items, Stage stage);
  struct ReadScratch;
  void readOne(Item& item, Stage stage, ReadScratch& scratch);
  void keepMatchedOnly(std::vector<Item>& items, Stage stage, std::vector<SkippedFile>& skipped);
  std::vector<ResultRow> numberedRows(const std::vector<Item>& items) const;
  static std::string reasonText(int failure);

  const CandidateStore& store_;
  SearchProgress& progress_;
  const SearchControl& control_;
  unsigned readThreads_;
  DigestCache* cache_;
  unsigned sortThreads_;  // for work in memory: one per core, up to 16
};

}  // namespace pelimor
