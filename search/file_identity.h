#pragma once
// A file as a search saw it, and the one test of whether a file looked at later is still that
// file. Paths can be respelled, linked and swapped, so a file is known by its file system and
// inode; and a modification time can be set back, but the change time moves with every change and
// no owner can set it, so all of size, modification time and change time must be as they were.
#include <cstdint>

#include "platform/file_status.h"

namespace pelimor {

struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t modifiedNanoseconds = 0;
  std::int64_t changedNanoseconds = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

inline FileIdentity identityOf(const platform::FileStatus& status) {
  return FileIdentity{status.device, status.inode, status.size, status.modifiedTime(), status.changedTime()};
}

// True when `now` is still the very file seen as `seen`, unchanged.
inline bool sameFile(const FileIdentity& seen, const FileIdentity& now) { return seen == now; }
// The same for what the system says of a file now; only a regular file can be one the search saw.
inline bool sameFile(const FileIdentity& seen, const platform::FileStatus& now) {
  return now.kind == platform::EntryKind::Regular && sameFile(seen, identityOf(now));
}

}  // namespace pelimor
