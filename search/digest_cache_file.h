#pragma once
// The digest cache as a file: a short head, the names of the file systems, then fixed-size records
// sorted by key, so that loading is a few reads straight into memory and a lookup a binary search.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/notice_text.h"

namespace pelimor {

// What one read of a file taught, valid while its size and times stay as they were.
// A picture's record (kPicture) holds what the "Similar pictures" search learned of it instead:
// its hash in `high`, its width and height in the upper and lower half of `low`, and in `crc32`
// the version of the hash (kPictureHashVersion), so that a hash of another version is never used.
struct CacheRecord {
  enum Kind : std::uint8_t { kSamples = 0, kContent = 1, kPicture = 2 };
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t modifiedNanoseconds = 0;
  std::int64_t changedNanoseconds = 0;
  std::uint64_t folderInode = 0;  // the folder it was found in, on the same file system
  std::uint64_t high = 0;         // the strong hash, or the hash of the first sample
  std::uint64_t low = 0;          // the strong hash, or the hash of the last sample
  std::uint32_t crc32 = 0;        // 0 for samples
  std::uint16_t fileSystem = 0;   // index into the file's file system names
  std::uint8_t kind = kSamples;
  std::uint8_t unused = 0;
};
static_assert(sizeof(CacheRecord) == 64, "records are written as they lie in memory");

inline bool recordKeyLess(const CacheRecord& a, const CacheRecord& b) {
  if (a.fileSystem != b.fileSystem) return a.fileSystem < b.fileSystem;
  if (a.inode != b.inode) return a.inode < b.inode;
  return a.kind < b.kind;
}

struct CacheContents {
  std::vector<std::string> fileSystems;
  std::vector<CacheRecord> records;  // sorted by recordKeyLess, no key twice
};

// The head and the names: written before the records' own bytes.
std::string encodeCacheHead(const CacheContents& contents);

// Loads the file at `path` into `contents`; no file there is an empty cache. Why it was not used,
// when it is damaged, truncated or not a cache of ours: `contents` is empty then.
std::optional<NoticeText> loadCacheFile(const std::string& path, CacheContents& contents);

}  // namespace pelimor
