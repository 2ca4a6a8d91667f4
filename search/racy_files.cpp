#include "search/racy_files.h"

#include <algorithm>

#include "platform/file_times.h"

namespace pelimor {

void RacyFiles::noteFileSystem(std::uint64_t device, std::int64_t changeTimeStep) {
  if (!knows(device)) steps_.emplace_back(device, changeTimeStep);
}

bool RacyFiles::knows(std::uint64_t device) const {
  return std::any_of(steps_.begin(), steps_.end(), [&](const auto& step) { return step.first == device; });
}

bool RacyFiles::isRacy(std::uint64_t device, std::int64_t changedNanoseconds) const {
  if (!enabled_) return false;
  std::int64_t step = platform::kCoarseTimeStep;
  for (const auto& [known, knownStep] : steps_)
    if (known == device) step = knownStep;
  // Safely older means a whole step before the read began: a later change then gets a later time.
  return changedNanoseconds > readStart_ - step;
}

RacyFiles racyFilesOf(const CandidateStore& store, std::int64_t readStart) {
  RacyFiles racy(readStart);
  std::uint64_t lastDevice = 0;
  bool any = false;
  for (const Candidate& file : store.files()) {
    const std::uint64_t device = store.deviceOf(file);
    if (any && device == lastDevice) continue;
    any = true;
    lastDevice = device;
    if (racy.knows(device)) continue;
    std::int64_t step = platform::kCoarseTimeStep;
    platform::FolderHandle folder;
    platform::FileStatus own;
    if (!folder.open(store.folderPath(file.folder)) && !folder.ownStatus(own) && own.device == device)
      step = platform::changeTimeStep(folder);
    racy.noteFileSystem(device, step);
  }
  return racy;
}

}  // namespace pelimor
