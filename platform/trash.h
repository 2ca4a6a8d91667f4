#pragma once
// The desktop's trash: what we put there, the desktop's own tools list and put back. On Linux the
// freedesktop.org trash (a trash per file system, never a copy across file systems); on Windows the
// Recycle Bin.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/file_status.h"
#include "platform/folder_handle.h"
#include "platform/notice_text.h"

namespace pelimor::platform {

// Whether two threads may each put files into the trash at once, with a Trash each: the
// freedesktop.org trash keeps names unique by itself; the shell's Recycle Bin is asked from one.
#ifdef _WIN32
inline constexpr bool kTrashFromTwoThreads = false;
#else
inline constexpr bool kTrashFromTwoThreads = true;
#endif

// Where a file went in the trash.
struct TrashedFile {
  std::string path;      // the file inside the trash; empty where the system does not tell (Windows)
  std::string infoPath;  // its .trashinfo; empty on Windows
  // The file as it lies in the trash, looked at right after it went, at `lookedAt` (wall clock);
  // lookedAt is 0 where the system does not tell.
  FileStatus status;
  std::int64_t lookedAt = 0;
};

// A file inside a trash, as Undo may take it back out.
struct TrashEntry {
  std::string trashFolder;  // the trash: holds files/ and info/
  std::string infoPath;     // the .trashinfo that must belong to it
};

// Where `pathInTrash` lies when it is an entry directly in the files/ folder of a trash we would
// have used for a file of its file system, named as we name it: the home trash on the home's file
// system, else the top trash (.Trash/$uid or .Trash-$uid) at the top of the file system it really
// lies on. The trash, its files/ and its info/ must be real folders of ours that no other user may
// write, as Trash asks of them. Nothing for any other place: a journal line naming one is not ours
// to act on. Nothing on Windows, where the Recycle Bin does not tell where a file went.
std::optional<TrashEntry> trashEntryOf(const std::string& pathInTrash);

// Puts files into the trash of their own file system. Remembers the trash folders it found, one per
// file system, for the files that follow.
class Trash {
 public:
  Trash();
  ~Trash();
  Trash(const Trash&) = delete;
  Trash& operator=(const Trash&) = delete;

  // Moves the file `name` of `folder`, which the caller found as `status`, into the trash of its
  // own file system, under `folder.path()` as its old place (off the home's file system, under the
  // folder's real path, relative to that file system's top). Nothing when it went, with `trashed`
  // telling where; otherwise why it stays where it was (no trash on its file system, a trash that
  // cannot be made or written, or that another user could change, the file gone: `gone` set then).
  std::optional<NoticeText> put(const FolderHandle& folder, const std::string& name, const FileStatus& status,
                                TrashedFile& trashed, bool& gone);

 private:
  struct Cans;
  Cans* cans_ = nullptr;
};

}  // namespace pelimor::platform
