#pragma once
// Moving a file to another file system, where no rename can: a checked copy, then the source goes.
#include <functional>
#include <optional>
#include <string>

#include "platform/folder_handle.h"
#include "platform/notice_text.h"
#include "search/result_row.h"

namespace pelimor {

struct CopyMoveOutcome {
  bool targetTaken = false;           // the name is taken in the target folder; nothing was changed
  std::optional<NoticeText> failure;  // why the file stays; the copy is gone again
  bool moved() const { return !targetTaken && !failure; }
};

// Copies the row's file from `from` (its checked folder) into a new file `targetName` in `to`. The
// copy is written under a locked temporary name and takes `targetName` only once it is whole: its
// bytes, read back, must hash as the source's did while copying, and those must still give the
// digest the search found. Only when the copy is on the disk and the source is still
// the very same file is the source removed. Any failure removes the copy and keeps the source.
// `folderText` names the target folder in the reasons.
// `beforeRemoval`, when given, is asked last, right before the source goes: a reason it returns
// keeps the source and takes the copy away.
CopyMoveOutcome moveByCopy(const platform::FolderHandle& from, const ResultRow& row, const platform::FolderHandle& to,
                           const std::string& targetName, const std::string& folderText,
                           const std::function<std::optional<NoticeText>()>& beforeRemoval = {});

// Removes from `folder` the unfinished copies that a Move of ours left there when it was stopped
// (killed, or the machine went down) and that no running Move is still writing.
void removeLeftoverCopies(const platform::FolderHandle& folder);

}  // namespace pelimor
