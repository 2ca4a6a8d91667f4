#pragma once
// Turns the walk's candidates into numbered groups of identical files, reading as little as it can:
// sizes first, one path per device and inode, then the first and last bytes of large files, and
// only then the whole content (CRC-32 and a strong hash in one pass).
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_reader.h"
#include "search/candidate_store.h"
#include "search/content_digest.h"
#include "search/digest_cache.h"
#include "search/file_catalog.h"
#include "search/result_row.h"
#include "search/search_control.h"
#include "search/search_progress.h"
#include "search/skipped_file.h"
#include "search/storage_devices.h"
#include "search/unique_file.h"

namespace pelimor {

// What a search asks of the grouper besides the groups.
struct GroupingOptions {
  // Groups of files no larger are left out: the walk takes smaller files only for uniqueFiles().
  std::uint64_t minimumSize = 0;
  // Find the files marked kInUniqueIn that have no identical file: every size counts then.
  bool findUnique = false;
  // For a catalog: every whole-content digest known of a file read or looked up is added here.
  std::vector<KnownDigest>* wholeDigests = nullptr;
  // For a catalog: these files are read whole too, sorted by identityBefore.
  const std::vector<FileIdentity>* readWhole = nullptr;
  // The disks, shared with the walk that learned about them; the grouper finds its own without.
  StorageDevices* disks = nullptr;
};

class DuplicateGrouper {
 public:
  // Files up to this size are read whole at once: opening a file costs about as much as reading it.
  static constexpr std::uint64_t kSmallFileBytes = std::uint64_t{64} * 1024;
  // Larger files first have their first and last bytes compared, in one visit, before the whole is read.
  static constexpr std::uint64_t kSampleBytes = 4096;

  // `cache`, when given, spares reading what it knows of unchanged files and learns what is read.
  // readThreads: readers per disk, or 0 for as many as each disk is found to deserve.
  DuplicateGrouper(const CandidateStore& store, SearchProgress& progress, const SearchControl& control,
                   unsigned readThreads, DigestCache* cache = nullptr, GroupingOptions options = {});

  // Rows in their final order: groups by ascending CRC-32 text, numbered 1, 2, 3 ..., files of a
  // group by path; a group whose files are all marked kInReference is left out (and not even read
  // when no other file has their size). Files that could not be read are appended to `skipped` and
  // left out.
  // Returns nothing when the search is aborted. `whenRead`, when given, is called once all reading
  // is done and before the rows are made: what only reading needed can be let go there.
  std::vector<ResultRow> run(std::vector<SkippedFile>& skipped, const std::function<void()>& whenRead = {});
  // After run(), with findUnique: the files marked kInUniqueIn that no other file equals, by path,
  // one path per file (its smallest). A file of a size of its own is among them unread; one that
  // could not be read is not.
  std::vector<UniqueFile> takeUniqueFiles() { return std::move(uniqueFiles_); }

 private:
  enum class Stage { Samples, Whole };
  // One file still in the running. Kept small and in one array: ten million of them are sorted
  // and walked several times, and while the sizes are sorted the candidates are all there too.
  // Its size is its run's (SizeRun).
  struct Item {
    // What was read of the file: its digest. After the samples stage, a file read only in part
    // holds the hashes of its first and last bytes in the strong half instead; files of one size
    // are all read whole or all in part, so they compare alike. Before anything is read, while the
    // files of one size are put together, they hold its size, inode and device number.
    std::uint64_t strongHigh = 0;
    std::uint64_t strongLow = 0;
    std::uint32_t crc32 = 0;
    std::uint32_t candidate = 0;

    ContentDigest digest() const { return ContentDigest{crc32, strongHigh, strongLow}; }
    void setDigest(const ContentDigest& digest) {
      crc32 = digest.crc32;
      strongHigh = digest.strongHigh;
      strongLow = digest.strongLow;
    }
  };
  static_assert(sizeof(Item) <= 24, "an item grew");
  // The items of one size, items [begin, end): the list is in runs of one size from the start.
  struct SizeRun {
    std::uint64_t size;
    std::size_t begin, end;
  };
  // A file that could not be read: its item, and an errno value or one of the negative reasons below.
  struct Failure {
    std::uint32_t item;
    int reason;
  };
  static constexpr int kChangedSinceWalk = -1;
  static constexpr int kShrankWhileRead = -2;

  // Bytes a stage reads of a file, and bytes left to read for it once the stage is done.
  static std::uint64_t bytesReadIn(Stage stage, std::uint64_t size);
  static std::uint64_t bytesLeftAfter(Stage stage, std::uint64_t size);
  // What the cache keeps of what a stage reads of a file.
  static CacheRecord::Kind cachedAs(Stage stage, std::uint64_t size);

  std::vector<Item> sameSizeDistinctFiles(std::vector<SizeRun>& runs);
  // The files of `items` that could not be read, by item.
  std::vector<Failure> readStage(std::vector<Item>& items, Stage stage);
  // The files of GroupingOptions::readWhole whose digest is not known yet.
  void readAskedFor(std::vector<SkippedFile>& skipped);
  struct ReadScratch;
  // Returns 0, or why the file could not be read.
  int readOne(Item& item, Stage stage, ReadScratch& scratch);
  // Each item of `failures` leaves `items`, and goes into `skipped`.
  void dropFailed(std::vector<Item>& items, std::vector<SizeRun>& runs, const std::vector<Failure>& failures,
                  std::vector<SkippedFile>& skipped);
  void keepMatchedOnly(std::vector<Item>& items, std::vector<SizeRun>& runs, Stage stage);
  std::vector<ResultRow> numberedRows(const std::vector<Item>& items, const std::vector<SizeRun>& runs) const;
  std::uint64_t sizeOf(const Item& item) const { return store_.files()[item.candidate].size; }
  // The files marked kInUniqueIn that are neither among `items` (the files left in groups) nor
  // among the files that could not be read.
  std::vector<UniqueFile> filesWithoutCopy(const std::vector<Item>& items) const;
  static std::string reasonText(int failure);

  const CandidateStore& store_;
  SearchProgress& progress_;
  const SearchControl& control_;
  unsigned readThreads_;  // per disk; 0: tuned
  std::unique_ptr<StorageDevices> ownDisks_;
  DigestCache* cache_;
  GroupingOptions options_;
  unsigned sortThreads_;  // for work in memory: one per core, up to 16
  // With findUnique: the device and inode of each file that could not be read.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> unreadFiles_;
  std::vector<UniqueFile> uniqueFiles_;
};

}  // namespace pelimor
