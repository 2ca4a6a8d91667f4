#pragma once
// Finds a row's file again where the search saw it and tells whether it is still the very same file:
// its folder opened and checked to be the same folder, the file looked at inside it without
// following a link, and device, inode, size, modification and change time all as they were.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "platform/folder_handle.h"
#include "platform/notice_text.h"
#include "search/result_row.h"

namespace pelimor {

enum class FileState {
  Same,           // the file the search found, unchanged
  Gone,           // its folder is the same, and holds no such name any more
  Changed,        // another file, or this one changed
  FolderChanged,  // the path leads to another folder than the search's
  Unreachable     // the folder or the file could not be looked at; `error` says why
};

// Reasons a file stays, given by more than one check.
inline constexpr const char* kNoLongerExists = PELIMOR_WINDOW_TEXT("Notices", "it no longer exists");
inline constexpr const char* kChangedSinceSearch = PELIMOR_WINDOW_TEXT("Notices", "it has changed since the search");

class FileCheck {
 public:
  // Leaves the row's folder open in folder(), for acting on the file by its name.
  FileState check(const ResultRow& row);
  const platform::FolderHandle& folder() const { return folder_; }
  const platform::FileStatus& status() const { return status_; }
  const std::error_code& error() const { return error_; }
  // The reason shown when a file stays because of `state`.
  NoticeText reasonFor(FileState state) const;

 private:
  platform::FolderHandle folder_;
  std::string folderPath_;  // the path folder_ was opened by, and found to be the search's folder
  platform::FolderId folderId_;
  platform::FileStatus status_;
  std::error_code error_;
};

// The unselected rows of each group. A selected file goes only while one of them is on disk
// unchanged at that very moment, and is not the very file about to go: the list may be minutes
// old, and a copy deleted or edited meanwhile, or while the action runs, must not leave us removing
// the last one.
class KeeperCheck {
 public:
  // `readAll`: every kept file is read again before it vouches for a file (the groups came from a
  // saved search); otherwise only racy ones are.
  KeeperCheck(const std::vector<ResultRow>& rows, const std::vector<bool>& selected, bool readAll = false);
  // The row of an unselected file of `row`'s group that is on disk unchanged now, with its bytes
  // read again where they must be, and is not `target`. Asked right before each file goes.
  std::optional<std::size_t> keeperFor(const ResultRow& row, const platform::FileStatus& target);
  // Our own action changed the kept file's change time (a new hard link to it): its time now is
  // taken as the one it should have, as long as everything else is as the search saw it.
  void acceptOwnChange(std::size_t keeper);

 private:
  // A group's unselected rows: keptRows_[cursor, end), in list order.
  struct Group {
    std::size_t cursor = 0;  // rows before it are gone or changed for good
    std::size_t end = 0;
  };
  enum Mark : std::uint8_t { kUnknown, kBad, kReadDurably };
  // The row as it should be found now: with the change time our own links gave it.
  ResultRow expected(std::size_t keeper) const;
  // Looks at the kept file now, and reads it again where it must.
  bool stillGood(std::size_t keeper);

  const std::vector<ResultRow>& rows_;
  const bool readAll_;
  std::vector<std::size_t> keptRows_;  // by group
  std::unordered_map<std::uint32_t, Group> groups_;
  std::vector<Mark> marks_;
  std::unordered_map<std::size_t, std::int64_t> changedByUs_;
  FileCheck check_;
};

}  // namespace pelimor
