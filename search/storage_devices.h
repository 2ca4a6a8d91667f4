#pragma once
// What a search learns of each disk it reads from, shared by the walk and the comparison: whether
// the disk seeks (is fastest with one reader, in its own order) and how many readers it settled on.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/storage_device.h"
#include "search/reader_tuner.h"

namespace pelimor {

enum class Seeking : std::uint8_t { Unknown, Yes, No };

// A small read that takes longer than this waited for a disk head: flash answers far sooner, and a
// page already in memory at once.
inline constexpr std::uint64_t kSeekNanoseconds = 3'000'000;
// Small reads timed before the walk judges a disk.
inline constexpr std::size_t kReadsJudged = 16;
inline constexpr unsigned kFoldersBeforeFlash = 64;
// Seeking::Yes when the middle one of `nanoseconds` (small reads of one disk) took longer than a
// seek on flash; Unknown while there are fewer than kReadsJudged.
Seeking judgeBySmallReads(std::vector<std::uint64_t> nanoseconds);

class DiskReading {
 public:
  explicit DiskReading(platform::StorageDevice device) : device_(std::move(device)) {}
  const platform::StorageDevice& device() const { return device_; }

  Seeking seeking() const { return seeking_.load(std::memory_order_relaxed); }
  void setSeeking(Seeking seeking) { seeking_.store(seeking, std::memory_order_relaxed); }
  // Whether the walk should time its small reads of this disk: a local disk not judged yet.
  bool timesSmallReads() const { return !device_.remote && seeking() == Seeking::Unknown; }
  // Notes one small read of the walk; judges the disk once enough are known.
  void noteSmallRead(std::uint64_t nanoseconds);
  // Whether the walk takes the entries of a folder in inode order: the disk seeks, or is said to.
  bool walksInInodeOrder() const;
  // Whether one thread walks the disk: it seeks, or it is local and not judged yet.
  bool walkedByOneThread() const { return !device_.remote && seeking() != Seeking::No; }
  // Notes a folder walked; a disk with no small reads to judge it by is taken as flash after
  // kFoldersBeforeFlash folders (a comparison stage may still find that it seeks).
  void noteFolderWalked();

  // How a comparison stage's tuner starts: from what an earlier stage settled on, else from a
  // guess by what is known of the disk.
  ReaderTuner::Start tunerStart() const;
  void settleReaders(unsigned readers) { settledReaders_.store(readers, std::memory_order_relaxed); }
  unsigned mostReaders() const { return device_.remote ? 32 : 16; }

 private:
  const platform::StorageDevice device_;
  std::atomic<Seeking> seeking_{Seeking::Unknown};
  std::atomic<unsigned> settledReaders_{0};
  std::atomic<unsigned> foldersWalkedUnjudged_{0};
  std::mutex samplesMutex_;
  std::vector<std::uint64_t> samples_;
};

// The disks of one search, each found once from the mount list and sysfs.
class StorageDevices {
 public:
  StorageDevices();
  // The disk the file system `fileSystemDevice` reads from; the reference lasts as long as this.
  DiskReading& of(std::uint64_t fileSystemDevice);

 private:
  std::mutex mutex_;
  std::map<std::uint64_t, std::string> typeOfDevice_;  // from the mount list
  std::map<std::uint64_t, DiskReading*> byFileSystem_;
  std::map<std::uint64_t, std::unique_ptr<DiskReading>> byDisk_;
};

}  // namespace pelimor
