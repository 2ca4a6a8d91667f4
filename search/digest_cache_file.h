#pragma once
// The digest cache as a file: a short head, the names of the file systems, then fixed-size records
// sorted by key, so that a lookup reads the few records of a file where they lie, and a save
// merges what it learned into them front to back.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_reader.h"
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

// The records of a cache file read where they lie: the file is checked whole once when opened,
// then read a few records at a time. Ten million records would take 640 MB of memory; read in
// place they take a key for every kRecordsPerKey of them.
class CacheRecordFile {
 public:
  static constexpr std::size_t kRecordsPerKey = 8;

  // Opens and checks the file at `path`, once; no file there: no records. Why it is not used, when it is
  // damaged, truncated or not a cache of ours: no records then.
  std::optional<NoticeText> open(const std::string& path);
  std::size_t size() const { return count_; }
  std::vector<std::string>& fileSystems() { return fileSystems_; }

  // Calls each(position, record) for the records of this file system and inode; false when the
  // file could not be read. From any thread.
  bool forEachOf(std::uint16_t fileSystem, std::uint64_t inode,
                 const std::function<void(std::size_t, const CacheRecord&)>& each) const;
  // Calls each(position, record) for every record, in order; false when the file could not be read.
  bool forEach(const std::function<void(std::size_t, const CacheRecord&)>& each) const;
  // Lets the file go, with its records: Windows puts no new file in the place of one held open.
  void close();

 private:
  struct Key {
    std::uint16_t fileSystem;
    std::uint64_t inode;
  };
  bool read(std::size_t first, std::size_t count, CacheRecord* into) const;

  platform::FileReader file_;
  std::uint64_t recordsAt_ = 0;
  std::size_t count_ = 0;
  std::vector<std::string> fileSystems_;
  std::vector<Key> keys_;  // of records 0, kRecordsPerKey, 2 kRecordsPerKey ...
};

// Loads the file at `path` into `contents` whole; no file there is an empty cache. Why it was not
// used, when it is damaged, truncated or not a cache of ours: `contents` is empty then.
std::optional<NoticeText> loadCacheFile(const std::string& path, CacheContents& contents);

// Writes the cache file `name` in `folder` anew: the names of the file systems, then the records
// forEachRecord gives, in order. It is called twice, to sum the records up for the head and to
// write them, and returns false when they could not be had. `whenWritten` is called before the new
// file takes the old one's place.
using CacheRecordSource = std::function<bool(const std::function<void(const CacheRecord&)>&)>;
std::error_code writeCacheFile(const std::string& folder, const std::string& name,
                               const std::vector<std::string>& fileSystems, const CacheRecordSource& forEachRecord,
                               const std::function<void()>& whenWritten);

}  // namespace pelimor
