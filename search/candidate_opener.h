#pragma once
// Opening the walk's files for reading, as each reader thread does: relative to the folder of the
// file before when it is the same folder (the system need not walk the path again), by the whole
// path otherwise. And putting a run of files in the order they lie on the disk.
#include <cstdint>
#include <span>
#include <system_error>

#include "platform/directory_reader.h"
#include "platform/file_reader.h"
#include "search/candidate_store.h"
#include "search/disk_readers.h"
#include "search/search_control.h"
#include "search/storage_devices.h"

namespace pelimor {

class CandidateOpener {
 public:
  explicit CandidateOpener(const CandidateStore& store) : store_(store) {}
  std::error_code open(const Candidate& file, platform::FileReader& reader);

  // Puts the files of `order` (positions in some list, whose file candidateOf gives) in the order
  // of their first byte on the disk; by inode where the system won't say. Left as it was on an abort.
  template <typename CandidateOf>
  void putInDiskOrder(std::span<std::uint32_t> order, const SearchControl& control, CandidateOf candidateOf);

 private:
  struct Place {
    std::uint64_t offset;  // 0 when the system won't say: those go first, by inode
    std::uint64_t inode;
    std::uint32_t item;
  };
  static void sortPlaces(std::span<Place> places, std::span<std::uint32_t> order);

  const CandidateStore& store_;
  std::uint32_t folderId_ = CandidateStore::kNoParent;
  platform::FolderHandle folder_;
};

// The files a grouper is to read, as each disk's queue in the order they are read: each disk with
// readers of its own; a folder's files together, which spares the system walking each path again;
// folders in the order of their first inode, files by inode within them, as the disk lays them.
class ReadingOrder {
 public:
  ReadingOrder(const CandidateStore& store, StorageDevices& disks)
      : store_(store), disks_(disks), folderFirstInode_(store.folderCount(), UINT64_MAX) {}
  // `item`: the file's position in the grouper's own list.
  void add(std::uint32_t item, const Candidate& file);
  std::vector<DiskQueue> queues(unsigned sortThreads);

 private:
  struct Place {
    std::uint64_t folderFirstInode;
    std::uint64_t inode;
    std::uint32_t folder;
    std::uint32_t item;
    std::uint32_t disk;
  };
  const CandidateStore& store_;
  StorageDevices& disks_;
  std::vector<std::uint64_t> folderFirstInode_;
  std::vector<Place> places_;
  std::vector<DiskQueue> queues_;
  std::uint64_t lastDevice_ = 0;
  std::uint32_t lastDisk_ = UINT32_MAX;
};

template <typename CandidateOf>
void CandidateOpener::putInDiskOrder(std::span<std::uint32_t> order, const SearchControl& control,
                                     CandidateOf candidateOf) {
  std::vector<Place> places;
  places.reserve(order.size());
  platform::FileReader reader;
  for (const std::uint32_t item : order) {
    if (control.aborted()) return;
    const Candidate& file = candidateOf(item);
    const bool opened = !open(file, reader);
    places.push_back(Place{opened ? reader.physicalOffset().value_or(0) : 0, file.inode, item});
    reader.close();
  }
  sortPlaces(places, order);
}

}  // namespace pelimor
