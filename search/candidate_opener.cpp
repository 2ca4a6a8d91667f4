#include "search/candidate_opener.h"

#include <algorithm>
#include <string>
#include <tuple>

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

}  // namespace pelimor
