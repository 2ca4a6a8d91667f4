#pragma once
// A folder held open as a place to look at, open, remove and rename its entries. Acting on a name
// inside an open folder, rather than on a whole path, keeps a folder swapped for a link meanwhile
// from leading anywhere else.
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/directory_reader.h"
#include "platform/error_code.h"

namespace pelimor::platform {

class FolderHandle {
 public:
  FolderHandle() = default;
  FolderHandle(const FolderHandle&) = delete;
  FolderHandle& operator=(const FolderHandle&) = delete;
  ~FolderHandle();
  std::error_code open(const std::string& path);
  // Opens the folder at the absolute `path` from its root down, one folder at a time, never
  // following a link: ELOOP where a folder on the way is a link, ENOTDIR where it is no folder,
  // EINVAL for a path that is not absolute or holds "." or "..". With `made`, a missing folder on
  // the way is made and opened the same way, and `made` tells whether the folder itself was made
  // here: then it is a new one.
  std::error_code openPathNoLinks(const std::string& path, bool* made = nullptr);
  // Opens the folder `name` of `parent`, never following a link: ELOOP when it is one, ENOTDIR
  // when it is no folder, EINVAL when `name` is no single name.
  std::error_code openChildNoLink(const FolderHandle& parent, const std::string& name);
  void close();
  bool isOpen() const { return descriptor_ >= 0; }
  NativeHandle descriptor() const { return descriptor_; }
  // The path it was opened by, for systems that act on entries by path only.
  const std::string& path() const { return path_; }

  // Status of the folder itself.
  std::error_code ownStatus(FileStatus& status) const;
  // Status of the entry `name`, never following a link.
  std::error_code statusOf(const std::string& name, FileStatus& status) const;
  // Makes the folder `name` here, never over anything that is there (EEXIST).
  std::error_code makeChildFolder(const std::string& name) const;
  // Removes the file `name`.
  std::error_code removeFile(const std::string& name) const;
  // Removes the folder `name`, only when it is empty (ENOTEMPTY otherwise).
  std::error_code removeEmptyFolder(const std::string& name) const;
  // Renames `name` to `targetName` in `target` without ever replacing anything there: EEXIST when
  // that name is taken, EXDEV when the folders lie on different file systems.
  std::error_code renameNoReplace(const std::string& name, const FolderHandle& target,
                                  const std::string& targetName) const;
  // Makes `name` here a new hard link to `sourceName` in `source`; never replaces (EEXIST).
  // EXDEV across file systems.
  std::error_code linkTo(const std::string& name, const FolderHandle& source, const std::string& sourceName) const;
  // Renames `name` to `targetName` in this folder, replacing what is there in one step: the target
  // name is never missing.
  std::error_code renameReplacing(const std::string& name, const std::string& targetName) const;
  // The names of the folder's entries, "." and ".." left out.
  std::error_code entryNames(std::vector<std::string>& names) const;
  // Waits until the folder's renames and new names are on the disk.
  std::error_code syncEntries() const;

 private:
  // How much of `path` is its root ("/"; "C:/", "//server/share/" on Windows): 0 when it has none.
  static std::size_t rootLength(std::string_view path);

  NativeHandle descriptor_ = kNoHandle;
  std::string path_;
};

}  // namespace pelimor::platform
