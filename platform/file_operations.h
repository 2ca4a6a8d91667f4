#pragma once
// Files the program writes: the report, and the copy that a move across file systems makes.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/descriptor_io.h"
#include "platform/directory_reader.h"
#include "platform/error_code.h"
#include "platform/folder_handle.h"

namespace pelimor::platform {

// A file written front to back, then closed.
class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  // Creates `path` anew, replacing an old file.
  std::error_code create(const std::string& path);
  // Creates `name` in `folder`, only this user may read it, and never where anything of that name
  // is already (EEXIST).
  std::error_code createNewIn(const FolderHandle& folder, const std::string& name);
  // As createNewIn, and holds an exclusive lock on the file until it is closed, which tells a file
  // still being written from one its writer left behind. EEXIST also when the new file was taken
  // away before it was locked. On Windows others may still rename and remove it.
  std::error_code createLockedIn(const FolderHandle& folder, const std::string& name);
  // Opens `path` for adding to its end, creating it when missing; only this user may read it.
  // Each write lands whole at the end, even with another writer at the same time.
  std::error_code openForAppending(const std::string& path);
  bool isOpen() const { return descriptor_ != kNoHandle; }

  // All of `bytes`; Failure::ShortWrite when the system took fewer bytes without an error.
  std::error_code write(std::string_view bytes);
  // Reads back what was written (a file made by createNewIn).
  ReadResult readAt(std::uint64_t offset, void* buffer, std::size_t length) const;
  // Gives the file the permission bits and modification time of `source`, and its owner where the
  // system lets us.
  std::error_code keepAttributesOf(const FileStatus& source);
  // Waits until the bytes are on the disk.
  std::error_code sync();
  std::error_code status(FileStatus& status) const;
  std::error_code close();

 private:
  NativeHandle descriptor_ = kNoHandle;
};

// Removes the regular file `name` from `folder` only if its lock (see createLockedIn) can be taken
// at once: nobody is writing it any more. EBUSY while it is locked.
std::error_code removeUnlockedFile(const FolderHandle& folder, const std::string& name);

// Writes `pieces` one after another to a new file beside `name` in `folder` that only this user may
// read, then puts it in place of `name` in one step: readers see the old file or the new one, never
// a mix, and of two writers at once one wins whole. On failure the new file is removed and the old
// one stays. Failure::ShortWrite when the system took fewer bytes without an error.
std::error_code replaceWholeFile(const std::string& folder, const std::string& name,
                                 const std::vector<std::string_view>& pieces);
// The same for a file too large to be held in memory: `write` writes it into the new file, front to
// back, and returns its first error.
std::error_code replaceWholeFile(const std::string& folder, const std::string& name,
                                 const std::function<std::error_code(OutputFile&)>& write);

}  // namespace pelimor::platform
