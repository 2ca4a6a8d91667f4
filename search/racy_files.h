#pragma once
// Files changed too shortly before they were read for their times to vouch for their bytes: on a
// file system whose clock keeps whole seconds, a file rewritten in the second it was read keeps
// size, modification and change time. Such a file is never remembered in the checksum cache, and
// is read again before anything is done to it or because of it.
#include <cstdint>
#include <utility>
#include <vector>

#include "search/candidate_store.h"

namespace pelimor {

class RacyFiles {
 public:
  // Nothing is racy.
  RacyFiles() = default;
  // Files read from `readStart` on (wall-clock nanoseconds); a file system not noted counts as coarse.
  explicit RacyFiles(std::int64_t readStart) : readStart_(readStart), enabled_(true) {}

  void noteFileSystem(std::uint64_t device, std::int64_t changeTimeStep);
  bool knows(std::uint64_t device) const;
  // True when a change at `changedNanoseconds` on `device` may hide a later one before the read.
  bool isRacy(std::uint64_t device, std::int64_t changedNanoseconds) const;

 private:
  std::int64_t readStart_ = 0;
  bool enabled_ = false;
  std::vector<std::pair<std::uint64_t, std::int64_t>> steps_;  // by device; a few at most
};

// The rule for a search that started reading at `readStart`, with the time step of the file system
// of every file in `store`, asked of one of its folders.
RacyFiles racyFilesOf(const CandidateStore& store, std::int64_t readStart);

}  // namespace pelimor
