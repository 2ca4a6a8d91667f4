#pragma once
// Delete, Move, Trash and links for the selected files, never the last copy of a group.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/folders.h"
#include "results/action_journal.h"
#include "results/action_notice.h"
#include "results/action_progress.h"
#include "search/result_row.h"

namespace pelimor {

// A selected file the action left where it was; its row stays selected.
struct FileFailure {
  std::size_t row = 0;  // position in the rows passed in
  std::string path;
  NoticeText reason;
};

struct MovedFile {
  std::size_t row = 0;
  std::string destination;
};

// A selected file that now shares its content with the kept file of its group.
struct LinkedFile {
  std::size_t row = 0;
  std::size_t keeper = 0;  // the kept file's row
};

// What is done to each selected file.
enum class FileAction {
  Delete,
  Move,   // into the removed-files folder
  Link,   // replaced by a hard link to the group's kept file
  Clone,  // made to share the kept file's disk blocks, keeping its own inode, owner and times
  Trash   // into the desktop's trash on the file's own file system
};

struct ActionOptions {
  bool dryRun = false;  // every check, but nothing changed on disk
  // Every file and its kept copy are read again and must give their group's CRC-32 and strong hash
  // before the file is acted on: for groups that no search of ours made (a saved search, which
  // anybody may have edited). Without it, only racy files are read again.
  bool verifyContent = false;
  // Counts each file as it is done, and stops the action before its next file when cancelled.
  ActionProgress* progress = nullptr;
  std::string moveFolder = platform::removedFilesFolder();
  // Move: each file goes under its path below its source folder instead of flat.
  bool moveKeepsFolders = false;
  // The folders the search started from: Move keeps the paths below them, and none of them is ever
  // removed for being empty.
  std::vector<std::string> sourceFolders;
  // After Delete, Move and Trash, the folders the action emptied are removed, from the inside out.
  bool removeEmptyFolders = false;
  // Every file done is written to it as it goes; the action begins it.
  ActionJournal* journal = nullptr;
};

struct RemovalResult {
  // When `refused`, why the action stopped before touching anything (empty list, no selection,
  // the group guard); otherwise the warning that lists `failures`, if there are any.
  std::optional<Notice> notice;
  bool refused = false;
  // Stopped through ActionProgress::cancel: the files after the last one done were not looked at.
  bool cancelled = false;
  // Selected rows whose file was deleted or moved, or was found gone from its folder; ascending
  // positions in the rows passed in. Unselected rows are never among them, and the rows that stay
  // keep their group numbers.
  std::vector<std::size_t> rowsToRemove;
  // Delete: those of rowsToRemove whose file was gone before we came to it, ascending. Not deleted
  // by us, and counted in no freed bytes.
  std::vector<std::size_t> alreadyGone;
  // Bytes the disk has back: a file counts only when its last name went (a hard link elsewhere keeps
  // its bytes), once however often it was listed; a clone counts only blocks not shared before.
  // Move counts what went to the removed-files folder instead, once per file.
  std::uint64_t freedBytes = 0;
  // Files not deleted or moved, in list order.
  std::vector<FileFailure> failures;
  // Move and Trash: where each file went, or would go in a dry run, in list order (a trashed file's
  // place is empty where the system does not tell it, and in a dry run).
  std::vector<MovedFile> moved;
  // Link and Clone: the files now sharing their content, in list order.
  std::vector<LinkedFile> linked;
  // Link: files done, but whose owner, permissions or modification time differed from their kept
  // file's and are now the kept file's.
  std::vector<FileFailure> attributesLost;
  // Folders removed because the action left them empty, innermost first.
  std::vector<std::string> removedFolders;
  // The action's number in the journal, 0 when none was written.
  std::uint64_t journalAction = 0;
  // Why the journal could not be written (the action went on); also in the notice.
  std::optional<NoticeText> journalFailure;
};

// Carries out `action` on the selected files. A file is acted on only while it is still the very
// file the search found, in the very folder (see FileCheck), and some unselected file of its group
// is still on disk unchanged; the rest stay, with the reasons in `failures` and the notice. A
// reference row stays whatever else holds, its file not even looked at.
// Throws std::invalid_argument when `selected` does not match `rows` in size.
RemovalResult actOnSelectedFiles(FileAction action, const std::vector<ResultRow>& rows,
                                 const std::vector<bool>& selected, const ActionOptions& options = {});

// The Delete action: deletes the selected files outright. A file is deleted only while it is still
// the very file the search found, in the very folder (see FileCheck), and some unselected file of
// its group is still on disk unchanged.
// Throws std::invalid_argument when `selected` does not match `rows` in size.
RemovalResult deleteSelectedFiles(const std::vector<ResultRow>& rows, const std::vector<bool>& selected);

// The Move action: moves the selected files into `folder` (created with its parents when missing),
// under their bare names; a taken name gets a number (see platform::numberedFileName), nothing there is ever
// replaced. The same checks as Delete come first.
// Throws std::invalid_argument when `selected` does not match `rows` in size.
RemovalResult moveSelectedFiles(const std::vector<ResultRow>& rows, const std::vector<bool>& selected,
                                const std::string& folder = platform::removedFilesFolder());

// The Replace Selected With Hard Links action.
RemovalResult replaceWithHardLinks(const std::vector<ResultRow>& rows, const std::vector<bool>& selected);

// The notice's lines for selected files that were gone before Delete came to them.
NoticeText alreadyGoneNoticeText(const std::vector<ResultRow>& rows, const std::vector<std::size_t>& gone);

// The notice's line after Cancel: "Cancelled: 3 of 10 selected files were deleted."
NoticeText cancelledNoticeText(FileAction action, std::size_t done, std::size_t selected);

// The warning after an action: how many files stayed, then "path: reason" for the first 20.
NoticeText failureNotice(FileAction action, const std::vector<FileFailure>& failures);
// The same in English.
std::string failureNoticeText(FileAction action, const std::vector<FileFailure>& failures);

}  // namespace pelimor
