#include "search/candidate_opener.h"

#include <algorithm>
#include <string>
#include <tuple>

#include "search/parallel_work.h"

namespace pelimor {

std::error_code CandidateOpener::open(const Candidate& file, platform::FileReader& reader) {
  if (folderId_ != file.folder) {
    folder_.open(store_.folderPath(file.folder));
    folderId_ = file.folder;
  }
  return folder_.isOpen() ? reader.openIn(folder_, std::string(store_.nameOf(file))) : reader.open(store_.pathOf(file));
}

void CandidateOpener::sortPlaces(std::span<Place> places, std::span<std::uint32_t> order) {
  std::stable_sort(places.begin(), places.end(), [](const Place& a, const Place& b) {
    return std::tie(a.offset, a.inode) < std::tie(b.offset, b.inode);
  });
  for (std::size_t i = 0; i < places.size(); ++i) order[i] = places[i].item;
}

void ReadingOrder::add(std::uint32_t item, const Candidate& file) {
  std::uint64_t& first = folderFirstInode_[store_.denseFolderIndex(file.folder)];
  first = std::min(first, file.inode);
  // Files come folder by folder, so mostly from the disk of the file before.
  const std::uint64_t device = store_.deviceOf(file);
  if (lastDisk_ == UINT32_MAX || device != lastDevice_) {
    DiskReading* disk = &disks_.of(device);
    const auto known = std::find_if(queues_.begin(), queues_.end(), [&](const DiskQueue& q) { return q.disk == disk; });
    lastDisk_ = static_cast<std::uint32_t>(known - queues_.begin());
    if (known == queues_.end()) queues_.push_back(DiskQueue{disk, {}});
    lastDevice_ = device;
  }
  places_.push_back(Place{0, file.inode, file.folder, item, lastDisk_});
}

std::vector<DiskQueue> ReadingOrder::queues(unsigned sortThreads) {
  for (Place& place : places_) place.folderFirstInode = folderFirstInode_[store_.denseFolderIndex(place.folder)];
  std::vector<std::uint64_t>().swap(folderFirstInode_);
  sortInParallel(
      places_,
      [](const Place& a, const Place& b) {
        return std::tie(a.disk, a.folderFirstInode, a.folder, a.inode) <
               std::tie(b.disk, b.folderFirstInode, b.folder, b.inode);
      },
      sortThreads);
  for (const Place& place : places_) queues_[place.disk].items.push_back(place.item);
  std::vector<Place>().swap(places_);
  return std::move(queues_);
}

}  // namespace pelimor
