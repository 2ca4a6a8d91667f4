#pragma once
// Turns the walk's pictures into numbered groups of similar pictures. Each picture is read whole
// once, by each disk's own readers: its bytes give its content digest (CRC-32 and strong hash, as
// the search for identical files computes them: the actions check each file against it, and equal
// digests mark byte-identical copies), and are decoded small (picture_decoder.h) and hashed
// (picture_hash.h). The checksum cache keeps both, so an unchanged picture is not read again.
// The pictures are then sorted into groups by their hashes (groupSimilarHashes).
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/file_reader.h"
#include "search/candidate_store.h"
#include "search/content_digest.h"
#include "search/digest_cache.h"
#include "search/picture_decoder.h"
#include "search/result_row.h"
#include "search/search_control.h"
#include "search/search_progress.h"
#include "search/skipped_file.h"
#include "search/storage_devices.h"

namespace pelimor {

// For each row, whether another row of its group holds the same bytes (sameBytes): in groups of
// similar pictures, the byte-identical copies. Groups are runs of one group number.
std::vector<bool> byteIdenticalRows(const std::vector<ResultRow>& rows);

class PictureGrouper {
 public:
  // Pictures larger than this are not read: no photograph comes near it.
  static constexpr std::uint64_t kLargestPicture = std::uint64_t{512} << 20;

  // maxDistance: the bits two pictures' hashes may differ in to share a group (see
  // similarity_steps.h). `cache`, when given, spares reading unchanged pictures and learns what
  // is read. readThreads: readers per disk, or 0 for as many as each disk is found to deserve.
  // `disks`: shared with the walk; the grouper finds its own without.
  PictureGrouper(const CandidateStore& store, SearchProgress& progress, const SearchControl& control,
                 unsigned readThreads, DigestCache* cache, unsigned maxDistance, StorageDevices* disks = nullptr);

  // The rows of the groups, numbered 1, 2, 3 ... in the order of their first rows' paths. A group's
  // first row is its leading picture (see groupSimilarHashes; the most pixels lead, then the larger
  // file), then come its byte-identical copies, by path, then the other pictures, nearest first,
  // the copies of each together. Only files whose names are of a picture kind read
  // (isPictureName) are looked at; those that could not be read or decoded are appended to
  // `skipped`. A group of pictures in reference folders alone is left out. Nothing when aborted;
  // `whenRead` as for DuplicateGrouper::run.
  std::vector<ResultRow> run(std::vector<SkippedFile>& skipped, const std::function<void()>& whenRead = {});

 private:
  struct Item {
    ContentDigest digest;
    PictureFacts facts;
    std::uint32_t candidate = 0;
    int failure = 0;     // an errno value, or one of the negative reasons below
    bool known = false;  // digest and facts both came from the cache
  };
  static constexpr int kChangedSinceWalk = -1;
  static constexpr int kShrankWhileRead = -2;
  static constexpr int kNotAPicture = -3;
  static constexpr int kTooLarge = -4;
  static constexpr int kDamaged = -5;
  static constexpr int kTooManyPixels = -6;
  static constexpr int kTooMuchMemory = -7;
  static std::string reasonText(int failure);
  static int failureOf(PictureFailure failure);
  static bool readWhole(int failure);

  struct ReadScratch;
  std::vector<Item> pictures();
  void readAll(std::vector<Item>& items);
  void readOne(Item& item, ReadScratch& scratch);
  std::vector<ResultRow> groupedRows(const std::vector<Item>& items) const;

  const CandidateStore& store_;
  SearchProgress& progress_;
  const SearchControl& control_;
  unsigned readThreads_;
  DigestCache* cache_;
  unsigned maxDistance_;
  std::unique_ptr<StorageDevices> ownDisks_;
  StorageDevices* disks_;
  unsigned sortThreads_;
};

}  // namespace pelimor
