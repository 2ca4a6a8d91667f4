#pragma once
// What the system says a file or folder is: its kind, size, identity and times.
#include <cstdint>

struct stat;

namespace pelimor::platform {

enum class EntryKind : std::uint8_t { Unknown, Directory, Regular, SymbolicLink, Other };

struct FileStatus {
  EntryKind kind = EntryKind::Other;  // after following links when asked to
  std::uint64_t size = 0;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t modifiedSeconds = 0;
  std::int64_t modifiedNanoseconds = 0;
  // The status change time: the system sets it on every change, and no owner can set it back.
  std::int64_t changedSeconds = 0;
  std::int64_t changedNanoseconds = 0;
  std::uint32_t permissions = 0;  // the mode's permission bits
  std::uint32_t owner = 0;
  std::uint32_t ownerGroup = 0;
  std::uint32_t linkCount = 1;  // names the file has; 1 where a listing does not tell

  // The modification time as one number, in nanoseconds since the epoch.
  std::int64_t modifiedTime() const { return modifiedSeconds * 1'000'000'000 + modifiedNanoseconds; }
  std::int64_t changedTime() const { return changedSeconds * 1'000'000'000 + changedNanoseconds; }
  // Nobody may write it: the read-only attribute on Windows, the nearest thing elsewhere.
  bool markedReadOnly() const { return (permissions & 0222) == 0; }
};

// A folder as the system knows it, whatever path led there.
struct FolderId {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  friend bool operator==(const FolderId&, const FolderId&) = default;
};

// The fields above from the system's own record.
FileStatus fileStatusOf(const struct ::stat& info);

}  // namespace pelimor::platform
