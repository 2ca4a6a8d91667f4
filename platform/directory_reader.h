#pragma once
// Reading folders through descriptors, so a deep walk never rebuilds long paths for the system.
#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

#include "platform/error_code.h"
#include "platform/file_status.h"
#include "platform/native_handle.h"

namespace pelimor::platform {

// An open folder. Movable, closes itself.
#ifdef _WIN32
// Windows lists entries with their status instead, which holds only for the entry just listed.
inline constexpr bool kListingTellsInodes = false;
#else
inline constexpr bool kListingTellsInodes = true;
#endif

class Directory {
 public:
  Directory() = default;
  // Opens `path`; on failure isOpen() is false and error() tells why.
  static Directory open(const std::string& path);
  // Opens the folder `name` inside this one; a link put there meanwhile is not followed (ELOOP):
  // links are walked by their own path, where the walk can tell where they lead.
  Directory openChild(const char* name) const;

  Directory(Directory&& other) noexcept;
  Directory& operator=(Directory&& other) noexcept;
  Directory(const Directory&) = delete;
  Directory& operator=(const Directory&) = delete;
  ~Directory();

  bool isOpen() const { return stream_ != nullptr; }
  const std::error_code& error() const { return error_; }

  // Next entry other than "." and ".."; false at the end. The name stays valid until the next call.
  bool next(const char*& name, EntryKind& kind);

  // Whether the entry next() gave last, named `name`, is hidden: its name starts with '.', or on
  // Windows it has the hidden or system attribute.
  bool entryHidden(const char* name) const;
  // The inode number of the entry next() gave last, as the listing tells it; 0 where it does not
  // (kListingTellsInodes).
  std::uint64_t entryInode() const { return entryInode_; }

  // Status of an entry of this folder; follows a link when `followLinks`.
  std::error_code statusOf(const char* name, bool followLinks, FileStatus& status) const;
  // The text of the symbolic link `name` in this folder, as it was written: where it points, unresolved.
  std::error_code linkTarget(const char* name, std::string& target) const;
  // Status of the folder itself.
  std::error_code ownStatus(FileStatus& status) const;
  // The folders above this one, nearest first, up to the root: found through "..", so neither links
  // nor respelled paths hide where the folder really is. At most `limit` of them.
  std::vector<FolderId> foldersAbove(std::size_t limit) const;
  // Whether the folder is the top of a mount, a bind mount's too: its parent's listing tells the
  // inode of the folder it covers. False where the system can't tell.
  bool isMountRoot() const;
  // For opening entries relative to this folder; -1 when not open.
  NativeHandle descriptor() const { return descriptor_; }

 private:
  friend class FileReader;
  explicit Directory(NativeHandle descriptor);
  void* stream_ = nullptr;  // DIR*, or on Windows the folder's path and listing
  NativeHandle descriptor_ = kNoHandle;
  std::error_code error_;
  std::uint64_t entryInode_ = 0;
};

// Status of a path; follows links when asked.
std::error_code statusOfPath(const std::string& path, bool followLinks, FileStatus& status);

}  // namespace pelimor::platform
