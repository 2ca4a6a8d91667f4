#pragma once
// What earlier searches read of each file, so that a file unchanged since is not read again.
// A file is known by its file system and inode (a path breaks on a rename), and what was read of
// it counts only while its size, modification time and change time are all as they were: the
// modification time can be set back, the change time can't.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/directory_reader.h"
#include "platform/notice_text.h"
#include "search/candidate_store.h"
#include "search/content_digest.h"
#include "search/digest_cache_file.h"
#include "search/file_identity.h"
#include "search/racy_files.h"

namespace pelimor {

class DigestCache {
 public:
  using Kind = CacheRecord::Kind;
  static constexpr const char* kFileName = "Checksums.cache";

  // Loads the cache file in `folder`. None yet: empty. One that is damaged, truncated or not ours
  // is passed over with a warning (see takeWarnings), and replaced when saved.
  explicit DigestCache(std::string folder);

  // What was read before of this file, while it is unchanged and its file system is known again.
  // Samples come back as a grouper holds them: the two hashes in the strong half, CRC-32 0.
  // Safe from any number of threads.
  bool find(const FileIdentity& file, Kind kind, ContentDigest& digest) const;

  // Files this rule calls racy are never learned: their times can't vouch for what was read.
  void setRacyFiles(RacyFiles racy) { racy_ = std::move(racy); }

  // Notes what a search has just read of a file. From one thread at a time.
  void learn(const FileIdentity& file, std::uint64_t folderInode, Kind kind, const ContentDigest& digest);

  // Saving comes in two halves. The first sorts out what changed: what this search read (the
  // walk's digests are taken from `store`) replaces what no longer matches its file, and a file no
  // longer found in a folder walked whole (`walkedWhole`: the walk was not cut short) is forgotten;
  // anything else stays for searches of other folders. True when the file must be written anew;
  // `store` must then stay until writePrepared() has ended.
  bool prepareSave(const CandidateStore& store, bool walkedWhole);
  // Without records (a first search, or one after a damaged file) there is nothing to sort out, and
  // both halves may run once the rows are made, on a thread that keeps `store` until learned from.
  bool holdsNoRecords() const;
  // The second writes the file. It needs nothing of the search but the store, so it may run on
  // another thread while the result is shown. A failure costs the cache only: a warning.
  void writePrepared();

  // What went wrong with the cache file since the last call, for the user: a cache that could not
  // be used or saved costs time, never a result. From the thread that last used the cache.
  std::vector<NoticeText> takeWarnings();

 private:
  // The index of the file system on `device` among the names, or -1 when it has no lasting name.
  int fileSystemOf(std::uint64_t device) const;
  void addRecord(const FileIdentity& file, std::uint16_t fileSystem, std::uint64_t folderInode, Kind kind,
                 const ContentDigest& digest);
  // Marks old records that no longer hold, and learns the walk's digests that no record holds yet.
  void sortOutOldRecords(const CandidateStore& store, bool walkedWhole);
  // The records to write, in order: the old ones kept, and those learned now in place of any of
  // one key. False when the old ones could not be read.
  bool forEachRecordToWrite(const std::function<void(const CacheRecord&)>& each) const;
  // A file the walk read whole and no record knows (walkRead_) is made into a record only as it is
  // written, in order, so that ten million of them never take 64 bytes each at once.
  CacheRecord recordOf(std::uint32_t candidate) const;
  void writeRecords();
  void warn(NoticeText text);

  std::string folder_;
  // The records of the file loaded stay in it: ten million would take 640 MB here.
  CacheRecordFile records_;
  std::vector<std::string> fileSystems_;
  std::vector<bool> keep_;                                        // by old record, once prepared
  std::vector<std::pair<std::uint64_t, std::uint16_t>> devices_;  // sorted by device
  std::vector<CacheRecord> learned_;                              // what the comparison read
  std::vector<std::uint32_t> walkRead_;                           // candidates
  const CandidateStore* store_ = nullptr;                         // what walkRead_ counts, once prepared
  std::vector<std::uint16_t> storeFileSystems_;                   // by the store's device number
  bool changed_ = false;                                          // the file would differ from the one loaded
  RacyFiles racy_;
  std::vector<NoticeText> warnings_;
};

}  // namespace pelimor
