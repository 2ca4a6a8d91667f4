#include "results/file_check.h"

#include <algorithm>
#include <utility>

#include "platform/file_times.h"
#include "results/content_check.h"

namespace pelimor {

FileState FileCheck::check(const ResultRow& row) {
  error_.clear();
  std::string folderPath = platform::folderPartOf(row.path);
  // Rows of one folder often follow each other: the folder opened and checked for the last row is
  // still that folder, whatever has happened to its path since.
  if (!folder_.isOpen() || folderPath != folderPath_ || !(folderId_ == row.identity.folder)) {
    folderPath_.clear();
    if ((error_ = folder_.open(folderPath))) return FileState::Unreachable;
    platform::FileStatus own;
    if ((error_ = folder_.ownStatus(own))) return FileState::Unreachable;
    folderId_ = platform::FolderId{own.device, own.inode};
    if (!(folderId_ == row.identity.folder)) {
      folder_.close();
      return FileState::FolderChanged;
    }
    folderPath_ = std::move(folderPath);
  }
  error_ = folder_.statusOf(std::string(row.name()), status_);
  if (error_ == std::errc::no_such_file_or_directory) return FileState::Gone;
  if (error_) return FileState::Unreachable;
  return sameFile(row.identity, status_) ? FileState::Same : FileState::Changed;
}

NoticeText FileCheck::reasonFor(FileState state) const {
  switch (state) {
    case FileState::Gone:
      return NoticeText::of(kNoLongerExists);
    case FileState::Changed:
      return NoticeText::of(kChangedSinceSearch);
    case FileState::FolderChanged:
      return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "its folder has been replaced since the search"));
    case FileState::Unreachable:
      return NoticeText(error_);
    case FileState::Same:
      break;
  }
  return {};
}

KeeperCheck::KeeperCheck(const std::vector<ResultRow>& rows, const std::vector<bool>& selected, bool readAll)
    : rows_(rows), readAll_(readAll), marks_(rows.size(), kUnknown) {
  std::vector<std::pair<std::uint32_t, std::size_t>> kept;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (!selected[i]) kept.emplace_back(rows[i].group, i);
  std::sort(kept.begin(), kept.end());
  keptRows_.reserve(kept.size());
  for (const auto& [group, row] : kept) {
    Group& span = groups_.try_emplace(group, Group{keptRows_.size(), keptRows_.size()}).first->second;
    keptRows_.push_back(row);
    span.end = keptRows_.size();
  }
}

ResultRow KeeperCheck::expected(std::size_t keeper) const {
  ResultRow row = rows_[keeper];
  if (const auto since = changedByUs_.find(keeper); since != changedByUs_.end())
    row.identity.changedNanoseconds = since->second;
  return row;
}

bool KeeperCheck::stillGood(std::size_t keeper) {
  // Copied only when our own links moved its change time; mostly it is the row as it stands.
  ResultRow changed;
  const bool changedByUs = changedByUs_.count(keeper) != 0;
  if (changedByUs) changed = expected(keeper);
  const ResultRow& row = changedByUs ? changed : rows_[keeper];
  if (check_.check(row) != FileState::Same) return false;
  if (!(readAll_ || row.racy) || marks_[keeper] == kReadDurably) return true;
  const std::int64_t readStart = platform::wallClockNanoseconds();
  if (contentMismatch(check_.folder(), row)) return false;
  // Once its last change lies a whole coarse step before the read, a later change shows in its
  // times, and looking at them is enough from then on.
  if (check_.status().changedTime() <= readStart - platform::kCoarseTimeStep) marks_[keeper] = kReadDurably;
  return true;
}

std::optional<std::size_t> KeeperCheck::keeperFor(const ResultRow& row, const platform::FileStatus& target) {
  const auto found = groups_.find(row.group);
  if (found == groups_.end()) return std::nullopt;
  Group& group = found->second;
  for (std::size_t i = group.cursor; i < group.end; ++i) {
    const std::size_t keeper = keptRows_[i];
    if (marks_[keeper] == kBad || !stillGood(keeper)) {
      marks_[keeper] = kBad;  // gone or changed: never looked at again in this action
      if (i == group.cursor) ++group.cursor;
      continue;
    }
    // The very file about to go, reached by another path, keeps nothing.
    if (check_.status().device == target.device && check_.status().inode == target.inode) continue;
    return keeper;
  }
  return std::nullopt;
}

void KeeperCheck::acceptOwnChange(std::size_t keeper) {
  ResultRow row = expected(keeper);
  if (check_.check(row) != FileState::Changed) return;
  row.identity.changedNanoseconds = check_.status().changedTime();
  if (sameFile(row.identity, check_.status())) changedByUs_[keeper] = row.identity.changedNanoseconds;
}

}  // namespace pelimor
