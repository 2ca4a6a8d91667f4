#include "results/file_check.h"

#include <algorithm>
#include <cerrno>
#include <unordered_set>

#include "platform/io_error_text.h"

namespace pelimor {

bool isSameFile(const platform::FileStatus& status, const ResultRow& row) {
  const FileIdentity& seen = row.identity;
  return status.kind == platform::EntryKind::Regular && status.size == row.size && status.device == seen.device &&
         status.inode == seen.inode && status.modifiedTime() == seen.modifiedNanoseconds &&
         status.changedTime() == seen.changedNanoseconds;
}

FileState FileCheck::check(const ResultRow& row) {
  error_ = 0;
  std::string folderPath = platform::folderPartOf(row.path);
  // Rows of one folder often follow each other: the folder opened and checked for the last row is
  // still that folder, whatever has happened to its path since.
  if (!folder_.isOpen() || folderPath != folderPath_ || !(folderId_ == row.identity.folder)) {
    folderPath_.clear();
    if ((error_ = folder_.open(folderPath)) != 0) return FileState::Unreachable;
    platform::FileStatus own;
    if ((error_ = folder_.ownStatus(own)) != 0) return FileState::Unreachable;
    folderId_ = platform::FolderId{own.device, own.inode};
    if (!(folderId_ == row.identity.folder)) {
      folder_.close();
      return FileState::FolderChanged;
    }
    folderPath_ = std::move(folderPath);
  }
  error_ = folder_.statusOf(std::string(row.name()), status_);
  if (error_ == ENOENT) return FileState::Gone;
  if (error_ != 0) return FileState::Unreachable;
  return isSameFile(status_, row) ? FileState::Same : FileState::Changed;
}

std::string FileCheck::reasonFor(FileState state) const {
  switch (state) {
    case FileState::Gone:
      return "it no longer exists";
    case FileState::Changed:
      return "it has changed since the search";
    case FileState::FolderChanged:
      return "its folder has been replaced since the search";
    case FileState::Unreachable:
      return platform::systemErrorText(error_);
    case FileState::Same:
      break;
  }
  return {};
}

KeeperCheck::KeeperCheck(const std::vector<ResultRow>& rows, const std::vector<bool>& selected) : rows_(rows) {
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (!selected[i]) groups_[rows[i].group].rows.push_back(i);
  std::unordered_set<std::uint32_t> withSelection;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (selected[i]) withSelection.insert(rows[i].group);
  std::vector<Candidates*> first;
  for (auto& [number, group] : groups_)
    if (withSelection.count(number) != 0) first.push_back(&group);
  // In folder order, each folder is opened once however many groups keep a file there.
  std::sort(first.begin(), first.end(),
            [&](const Candidates* a, const Candidates* b) { return rows_[a->rows[0]].path < rows_[b->rows[0]].path; });
  for (Candidates* group : first) settle(*group);
}

void KeeperCheck::settle(Candidates& group) {
  while (!group.confirmed && group.cursor < group.rows.size()) {
    if (check_.check(rows_[group.rows[group.cursor]]) == FileState::Same) {
      group.confirmed = true;
      group.file = platform::FolderId{check_.status().device, check_.status().inode};
    } else {
      ++group.cursor;  // gone or changed: never looked at again in this action
    }
  }
}

std::optional<std::size_t> KeeperCheck::keeperFor(const ResultRow& row, const platform::FileStatus& target) {
  const platform::FolderId targetFile{target.device, target.inode};
  Candidates& group = groups_[row.group];
  settle(group);
  if (!group.confirmed) return std::nullopt;
  if (!(group.file == targetFile)) return group.rows[group.cursor];
  // The kept file found is the very file about to go, reached by another path: look further.
  for (std::size_t i = group.cursor + 1; i < group.rows.size(); ++i) {
    if (check_.check(rows_[group.rows[i]]) != FileState::Same) continue;
    if (!(platform::FolderId{check_.status().device, check_.status().inode} == targetFile)) return group.rows[i];
  }
  return std::nullopt;
}

}  // namespace pelimor
