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
#include "search/search_control.h"

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
    places.push_back(Place{opened ? reader.physicalOffset().value_or(0) : 0, file.identity.inode, item});
    reader.close();
  }
  sortPlaces(places, order);
}

}  // namespace pelimor
