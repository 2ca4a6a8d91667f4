#include "search/storage_devices.h"

#include <algorithm>

#include "platform/mount_table.h"

namespace pelimor {

Seeking judgeBySmallReads(std::vector<std::uint64_t> nanoseconds) {
  if (nanoseconds.size() < kReadsJudged) return Seeking::Unknown;
  const auto middle = nanoseconds.begin() + static_cast<std::ptrdiff_t>(nanoseconds.size() / 2);
  std::nth_element(nanoseconds.begin(), middle, nanoseconds.end());
  return *middle > kSeekNanoseconds ? Seeking::Yes : Seeking::No;
}

void DiskReading::noteSmallRead(std::uint64_t nanoseconds) {
  std::lock_guard lock(samplesMutex_);
  if (seeking() != Seeking::Unknown) return;
  samples_.push_back(nanoseconds);
  if (const Seeking judged = judgeBySmallReads(samples_); judged != Seeking::Unknown) {
    setSeeking(judged);
    std::vector<std::uint64_t>().swap(samples_);
  }
}

void DiskReading::noteFolderWalked() {
  if (seeking() != Seeking::Unknown || device_.remote) return;
  if (foldersWalkedUnjudged_.fetch_add(1, std::memory_order_relaxed) + 1 >= kFoldersBeforeFlash)
    setSeeking(Seeking::No);
}

bool DiskReading::walksInInodeOrder() const {
  const Seeking known = seeking();
  return known == Seeking::Yes || (known == Seeking::Unknown && device_.rotational && !device_.remote);
}

ReaderTuner::Start DiskReading::tunerStart() const {
  ReaderTuner::Start start;
  start.most = mostReaders();
  const bool seeks = seeking() == Seeking::Yes;
  if (seeks) {
    // Every try costs such a disk its order; its best is rarely more than one reader.
    start.moreKeptAbove = 1.5;
    start.firstHold = 64;
    start.longestHold = 256;
  }
  if (const unsigned settled = settledReaders_.load(std::memory_order_relaxed)) {
    start.first = settled;
    start.settled = true;
  } else if (seeks) {
    start.first = 1;
    // One reader is known to be right: a try of two waits.
    start.settled = true;
  } else if (device_.remote) {
    start.first = 16;
  } else if (seeking() == Seeking::No) {
    start.first = 8;
  } else {
    start.first = device_.rotational ? 1 : 4;
  }
  return start;
}

StorageDevices::StorageDevices() {
  for (const platform::MountedFileSystem& mount : platform::mountedFileSystems())
    typeOfDevice_.emplace(mount.device, mount.type);
}

DiskReading& StorageDevices::of(std::uint64_t fileSystemDevice) {
  std::lock_guard lock(mutex_);
  if (const auto known = byFileSystem_.find(fileSystemDevice); known != byFileSystem_.end()) return *known->second;
  const auto type = typeOfDevice_.find(fileSystemDevice);
  platform::StorageDevice device =
      platform::storageDeviceOf(fileSystemDevice, type == typeOfDevice_.end() ? std::string() : type->second);
  std::unique_ptr<DiskReading>& disk = byDisk_[device.key];
  if (!disk) disk = std::make_unique<DiskReading>(std::move(device));
  byFileSystem_.emplace(fileSystemDevice, disk.get());
  return *disk;
}

}  // namespace pelimor
