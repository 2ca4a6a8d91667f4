#include "results/folder_selection.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <utility>

#include "platform/directory_reader.h"
#include "results/safe_selection.h"

namespace pelimor {

std::vector<ResultRow> twinRows(const std::vector<FolderGroup>& groups) {
  std::vector<ResultRow> twins;
  for (const FolderGroup& group : groups) {
    for (const TwinFolder& folder : group.folders) {
      ResultRow& twin = twins.emplace_back();
      twin.group = group.number;
      twin.path = folder.path;
      twin.size = group.bytes;
      twin.identity.folder = folder.parent;
      twin.identity.device = folder.identity.device;
      twin.identity.inode = folder.identity.inode;
    }
  }
  return twins;
}

namespace {
constexpr std::size_t kNone = static_cast<std::size_t>(-1);
// Deeper trees than this are taken for a loop in the folders above, as selectInFolders takes them.
constexpr std::size_t kDeepestFolder = 4096;

using FolderKey = std::pair<std::uint64_t, std::uint64_t>;
FolderKey keyOf(platform::FolderId folder) { return {folder.device, folder.inode}; }
platform::FolderId folderOf(const ResultRow& twin) { return {twin.identity.device, twin.identity.inode}; }

// The twin folders, each once (with --contained-in one may stand in several groups), and which
// lies nearest below which, as found on disk through "..", whatever path led there.
class TwinNesting {
 public:
  explicit TwinNesting(const std::vector<ResultRow>& twins) {
    std::map<FolderKey, std::size_t> index;
    for (std::size_t row = 0; row < twins.size(); ++row) {
      const auto [at, added] = index.try_emplace(keyOf(folderOf(twins[row])), rowsOf_.size());
      if (added) rowsOf_.emplace_back();
      rowsOf_[at->second].push_back(row);
      folderOfRow_.push_back(at->second);
    }
    above_.assign(rowsOf_.size(), kNone);
    below_.resize(rowsOf_.size());
    std::map<FolderKey, std::size_t> nearest;  // other folders' nearest twin folder above, as found
    for (std::size_t folder = 0; folder < rowsOf_.size(); ++folder) {
      above_[folder] = nearestAbove(twins[rowsOf_[folder].front()], index, nearest);
      if (above_[folder] != kNone) below_[above_[folder]].push_back(folder);
    }
  }

  std::size_t folderOfRow(std::size_t row) const { return folderOfRow_[row]; }
  const std::vector<std::size_t>& rowsOf(std::size_t folder) const { return rowsOf_[folder]; }

  // What choosing `folder` takes a file from: itself, the twins below it and the twins above it.
  // Each once, even should folders moved during the lookups have made the nesting a loop.
  std::vector<std::size_t> touchedBy(std::size_t folder) const {
    std::vector<bool> seen(rowsOf_.size(), false);
    std::vector<std::size_t> touched;
    const auto touch = [&](std::size_t other) {
      if (!seen[other]) touched.push_back(other);
      seen[other] = true;
    };
    touch(folder);
    for (std::size_t at = 0; at < touched.size(); ++at)
      for (const std::size_t other : below_[touched[at]]) touch(other);
    for (std::size_t up = above_[folder]; up != kNone && !seen[up]; up = above_[up]) touch(up);
    return touched;
  }

 private:
  // The nearest twin folder above `twin`, from its parent as the search saw it when that is known,
  // else looked up on disk once: the folders on the way keep their answer, so twins that share
  // folders above them cost no further lookup.
  static std::size_t nearestAbove(const ResultRow& twin, const std::map<FolderKey, std::size_t>& twinFolders,
                                  std::map<FolderKey, std::size_t>& nearest) {
    const auto answerFor = [&](FolderKey folder) -> std::optional<std::size_t> {
      if (const auto found = twinFolders.find(folder); found != twinFolders.end()) return found->second;
      if (const auto found = nearest.find(folder); found != nearest.end()) return found->second;
      return std::nullopt;
    };
    if (const std::optional<std::size_t> known = answerFor(keyOf(twin.identity.folder))) return *known;
    const std::vector<platform::FolderId> above = foldersAbove(twin);
    std::optional<std::size_t> answer;
    auto stop = above.begin();
    while (stop != above.end() && !(answer = answerFor(keyOf(*stop)))) ++stop;
    for (auto folder = above.begin(); folder != stop; ++folder) nearest[keyOf(*folder)] = answer.value_or(kNone);
    return answer.value_or(kNone);
  }

  // None when the folder is no longer the one the search saw: the action refuses its files anyway.
  static std::vector<platform::FolderId> foldersAbove(const ResultRow& twin) {
    const platform::Directory directory = platform::Directory::open(twin.path);
    platform::FileStatus status;
    if (!directory.isOpen() || directory.ownStatus(status) ||
        platform::FolderId{status.device, status.inode} != folderOf(twin))
      return {};
    return directory.foldersAbove(kDeepestFolder);
  }

  std::vector<std::vector<std::size_t>> rowsOf_;  // per folder, its twin rows
  std::vector<std::size_t> folderOfRow_;
  std::vector<std::size_t> above_;               // per folder, the nearest twin folder above it
  std::vector<std::vector<std::size_t>> below_;  // per folder, the twin folders it is nearest above
};

// The chosen twins in the twins' order (largest groups first), each let go when choosing it would
// take a file from every twin of some group, so that every group keeps one twin whole.
std::vector<platform::FolderId> foldersToSelect(const std::vector<ResultRow>& twins, const std::vector<bool>& chosen) {
  const TwinNesting nesting(twins);
  std::map<std::uint32_t, std::size_t> wholeTwins;  // per group
  for (const ResultRow& twin : twins) ++wholeTwins[twin.group];
  std::vector<bool> touched(twins.size(), false);  // per folder
  std::vector<platform::FolderId> folders;
  for (std::size_t row = 0; row < twins.size(); ++row) {
    if (!chosen[row]) continue;
    std::vector<std::size_t> newly = nesting.touchedBy(nesting.folderOfRow(row));
    std::erase_if(newly, [&](std::size_t folder) { return touched[folder]; });
    std::map<std::uint32_t, std::size_t> taken;
    for (const std::size_t folder : newly)
      for (const std::size_t other : nesting.rowsOf(folder)) ++taken[twins[other].group];
    if (std::any_of(taken.begin(), taken.end(),
                    [&](const auto& group) { return group.second >= wholeTwins[group.first]; }))
      continue;
    for (const auto& [group, count] : taken) wholeTwins[group] -= count;
    for (const std::size_t folder : newly) touched[folder] = true;
    folders.push_back(folderOf(twins[row]));
  }
  return folders;
}
}  // namespace

void selectFilesOfTwins(const std::vector<ResultRow>& rows, std::vector<bool>& selected,
                        const std::vector<ResultRow>& twins, const std::vector<bool>& chosen) {
  if (chosen.size() != twins.size()) throw std::invalid_argument("selectFilesOfTwins: one flag per twin");
  const std::vector<platform::FolderId> folders = foldersToSelect(twins, chosen);
  if (!folders.empty()) selectInFolders(rows, selected, folders, true);
}

}  // namespace pelimor
