#pragma once
// Finds a row's file again where the search saw it and tells whether it is still the very same file:
// its folder opened and checked to be the same folder, the file looked at inside it without
// following a link, and device, inode, size, modification and change time all as they were.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/folder_handle.h"
#include "search/result_row.h"

namespace pelimor {

enum class FileState {
  Same,           // the file the search found, unchanged
  Gone,           // its folder is the same, and holds no such name any more
  Changed,        // another file, or this one changed
  FolderChanged,  // the path leads to another folder than the search's
  Unreachable     // the folder or the file could not be looked at; `error` says why
};

// True when `status` is the row's file as the search saw it.
bool isSameFile(const platform::FileStatus& status, const ResultRow& row);

class FileCheck {
 public:
  // Leaves the row's folder open in folder(), for acting on the file by its name.
  FileState check(const ResultRow& row);
  const platform::FolderHandle& folder() const { return folder_; }
  const platform::FileStatus& status() const { return status_; }
  int error() const { return error_; }
  // The reason shown when a file stays because of `state`.
  std::string reasonFor(FileState state) const;

 private:
  platform::FolderHandle folder_;
  std::string folderPath_;  // the path folder_ was opened by, and found to be the search's folder
  platform::FolderId folderId_;
  platform::FileStatus status_;
  int error_ = 0;
};

// The unselected rows of each group. A selected file goes only while one of them is still on disk,
// unchanged, and is not the very file about to go: the list may be minutes old, and a copy
// deleted or edited meanwhile must not leave us removing the last one.
class KeeperCheck {
 public:
  // Looks at the first unselected file of every group with a selection at once, folder by folder.
  KeeperCheck(const std::vector<ResultRow>& rows, const std::vector<bool>& selected);
  // The row of an unselected file of `row`'s group that is on disk unchanged and is not `target`.
  std::optional<std::size_t> keeperFor(const ResultRow& row, const platform::FileStatus& target);

 private:
  struct Candidates {
    std::vector<std::size_t> rows;
    std::size_t cursor = 0;   // rows before it are gone or changed for good
    bool confirmed = false;   // rows[cursor] was found unchanged during this action
    platform::FolderId file;  // then: its device and inode
  };
  // Moves the cursor to the group's first file that is on disk unchanged, and remembers it.
  void settle(Candidates& group);
  const std::vector<ResultRow>& rows_;
  std::unordered_map<std::uint32_t, Candidates> groups_;
  FileCheck check_;
};

}  // namespace pelimor
