#include "search/digest_cache.h"

#include <algorithm>
#include <exception>
#include <thread>

#include "platform/file_operations.h"
#include "platform/file_system_identity.h"
#include "platform/folders.h"
#include "platform/io_error_text.h"
#include "platform/paths.h"
#include "search/parallel_work.h"

namespace pelimor {

namespace {
constexpr const char* kCouldNotSave = PELIMOR_WINDOW_TEXT("Notices", "the checksum cache could not be saved in %1: %2");
}  // namespace

namespace {
// Record indexes are 16 bits wide.
constexpr std::size_t kMostFileSystems = 0xFFFF;
constexpr std::size_t kRecordsPerBucket = 4;

// Within one file system's records.
struct InodeOrder {
  bool operator()(const CacheRecord& record, std::uint64_t inode) const { return record.inode < inode; }
  bool operator()(std::uint64_t inode, const CacheRecord& record) const { return inode < record.inode; }
};

// What a record says its file was, on `device`: the device its file system is mounted on now.
FileIdentity identityIn(const CacheRecord& record, std::uint64_t device) {
  return FileIdentity{device, record.inode, record.size, record.modifiedNanoseconds, record.changedNanoseconds};
}
}  // namespace

DigestCache::DigestCache(std::string folder) : folder_(std::move(folder)) {
  const std::string path = platform::joinPath(folder_, kFileName);
  if (const std::optional<NoticeText> problem = loadCacheFile(path, contents_)) {
    warn(NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "the checksum cache %1 was not used, %2; it is made anew"), path,
                        *problem));
    changed_ = true;
  }
  std::vector<std::string>& names = contents_.fileSystems;
  for (const platform::FileSystemIdentity& identity : platform::fileSystemIdentities()) {
    auto known = std::find(names.begin(), names.end(), identity.name);
    if (known == names.end()) {
      if (names.size() >= kMostFileSystems) continue;
      known = names.insert(names.end(), identity.name);
    }
    devices_.emplace_back(identity.device, static_cast<std::uint16_t>(known - names.begin()));
  }
  std::sort(devices_.begin(), devices_.end());
  indexRecords();
}

void DigestCache::warn(NoticeText text) { warnings_.push_back(std::move(text)); }

std::vector<NoticeText> DigestCache::takeWarnings() { return std::exchange(warnings_, {}); }

int DigestCache::fileSystemOf(std::uint64_t device) const {
  const auto at = std::lower_bound(devices_.begin(), devices_.end(), std::make_pair(device, std::uint16_t{0}));
  return at != devices_.end() && at->first == device ? at->second : -1;
}

void DigestCache::indexRecords() {
  const std::vector<CacheRecord>& records = contents_.records;
  index_.assign(contents_.fileSystems.size(), FileSystemIndex{});
  for (std::size_t begin = 0; begin < records.size();) {
    std::size_t end = begin;
    while (end < records.size() && records[end].fileSystem == records[begin].fileSystem) ++end;
    FileSystemIndex& index = index_[records[begin].fileSystem];
    index.firstInode = records[begin].inode;
    index.lastInode = records[end - 1].inode;
    index.bucketStarts.assign((end - begin + kRecordsPerBucket - 1) / kRecordsPerBucket + 1, 0);
    std::size_t at = begin;
    for (std::size_t bucket = 0; bucket + 1 < index.bucketStarts.size(); ++bucket) {
      while (at < end && index.bucketOf(records[at].inode) < bucket) ++at;
      index.bucketStarts[bucket] = static_cast<std::uint32_t>(at);
    }
    index.bucketStarts.back() = static_cast<std::uint32_t>(end);
    begin = end;
  }
}

std::pair<std::size_t, std::size_t> DigestCache::recordsOf(std::uint16_t fileSystem, std::uint64_t inode) const {
  if (fileSystem >= index_.size()) return {0, 0};
  const FileSystemIndex& index = index_[fileSystem];
  if (index.bucketStarts.empty() || inode < index.firstInode || inode > index.lastInode) return {0, 0};
  const std::size_t bucket = index.bucketOf(inode);
  const auto first = contents_.records.begin() + index.bucketStarts[bucket];
  const auto last = contents_.records.begin() + index.bucketStarts[bucket + 1];
  const auto [begin, end] = std::equal_range(first, last, inode, InodeOrder{});
  return {static_cast<std::size_t>(begin - contents_.records.begin()),
          static_cast<std::size_t>(end - contents_.records.begin())};
}

bool DigestCache::find(const FileIdentity& file, Kind kind, ContentDigest& digest) const {
  const int fileSystem = fileSystemOf(file.device);
  if (fileSystem < 0) return false;
  const auto [begin, end] = recordsOf(static_cast<std::uint16_t>(fileSystem), file.inode);
  for (std::size_t i = begin; i < end; ++i) {
    const CacheRecord& record = contents_.records[i];
    if (record.kind != kind || !sameFile(identityIn(record, file.device), file)) continue;
    digest = ContentDigest{record.crc32, record.high, record.low};
    return true;
  }
  return false;
}

void DigestCache::learn(const FileIdentity& file, std::uint64_t folderInode, Kind kind, const ContentDigest& digest) {
  if (const int fileSystem = fileSystemOf(file.device); fileSystem >= 0)
    addRecord(file, static_cast<std::uint16_t>(fileSystem), folderInode, kind, digest);
}

void DigestCache::addRecord(const FileIdentity& file, std::uint16_t fileSystem, std::uint64_t folderInode, Kind kind,
                            const ContentDigest& digest) {
  if (racy_.isRacy(file.device, file.changedNanoseconds)) return;
  CacheRecord record;
  record.inode = file.inode;
  record.size = file.size;
  record.modifiedNanoseconds = file.modifiedNanoseconds;
  record.changedNanoseconds = file.changedNanoseconds;
  record.folderInode = folderInode;
  record.high = digest.strongHigh;
  record.low = digest.strongLow;
  record.crc32 = digest.crc32;
  record.fileSystem = fileSystem;
  record.kind = kind;
  learned_.push_back(record);
  changed_ = true;
}

std::vector<bool> DigestCache::sortOutOldRecords(const CandidateStore& store, bool walkedWhole) {
  const std::vector<CacheRecord>& records = contents_.records;
  std::vector<bool> keep(records.size(), true), seen(records.size(), false);
  // Grown once: a million files read by the walk would otherwise copy the records over and over.
  learned_.reserve(learned_.size() +
                   static_cast<std::size_t>(std::count_if(store.files().begin(), store.files().end(),
                                                          [](const Candidate& file) { return file.contentRead; })));
  // Files come folder by folder, so mostly from the file system of the file before.
  std::uint64_t lastDevice = 0;
  int fileSystem = fileSystemOf(lastDevice);
  for (const Candidate& file : store.files()) {
    const FileIdentity identity = store.identityOf(file);
    if (identity.device != lastDevice) {
      lastDevice = identity.device;
      fileSystem = fileSystemOf(identity.device);
    }
    if (fileSystem < 0) continue;
    const auto [begin, end] = recordsOf(static_cast<std::uint16_t>(fileSystem), identity.inode);
    bool contentKnown = false;
    for (std::size_t i = begin; i < end; ++i) {
      seen[i] = true;
      if (sameFile(identityIn(records[i], identity.device), identity)) {
        contentKnown = contentKnown || records[i].kind == CacheRecord::kContent;
      } else if (keep[i]) {
        keep[i] = false;
        changed_ = true;
      }
    }
    if (file.contentRead && !contentKnown)
      addRecord(identity, static_cast<std::uint16_t>(fileSystem), store.folderId(file.folder).inode,
                CacheRecord::kContent, file.content());
  }
  if (!walkedWhole) return keep;
  // A file gone from a folder that was walked whole is gone, or no longer searched for there.
  std::vector<std::pair<std::uint16_t, std::uint64_t>> walked;
  for (const platform::FolderId& folder : store.folderIds())
    if (const int fileSystem = fileSystemOf(folder.device); fileSystem >= 0)
      walked.emplace_back(static_cast<std::uint16_t>(fileSystem), folder.inode);
  std::sort(walked.begin(), walked.end());
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (seen[i] || !std::binary_search(walked.begin(), walked.end(),
                                       std::make_pair(records[i].fileSystem, records[i].folderInode)))
      continue;
    keep[i] = false;
    changed_ = true;
  }
  return keep;
}

void DigestCache::dropUnusedFileSystems() {
  std::vector<std::string>& names = contents_.fileSystems;
  std::vector<CacheRecord>& records = contents_.records;
  std::vector<bool> used(names.size(), false);
  // The records lie sorted by file system: one binary search finds the end of each one's run.
  for (auto at = records.begin(); at != records.end();) {
    const std::uint16_t fileSystem = at->fileSystem;
    used[fileSystem] = true;
    at = std::upper_bound(at, records.end(), fileSystem,
                          [](std::uint16_t index, const CacheRecord& record) { return index < record.fileSystem; });
  }
  std::vector<int> newIndex(names.size(), -1);
  std::vector<std::string> kept;
  bool renumbered = false;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (!used[i]) continue;
    newIndex[i] = static_cast<int>(kept.size());
    renumbered = renumbered || kept.size() != i;
    kept.push_back(std::move(names[i]));
  }
  names = std::move(kept);
  // Renumbering keeps the order of the records: it keeps the order of the file systems.
  if (renumbered)
    for (CacheRecord& record : records) record.fileSystem = static_cast<std::uint16_t>(newIndex[record.fileSystem]);
  std::erase_if(devices_, [&](const auto& device) { return newIndex[device.second] < 0; });
  for (auto& device : devices_) device.second = static_cast<std::uint16_t>(newIndex[device.second]);
}

bool DigestCache::holdsNoRecords() const { return contents_.records.empty(); }

bool DigestCache::prepareSave(const CandidateStore& store, bool walkedWhole) {
  const std::vector<bool> keep = sortOutOldRecords(store, walkedWhole);
  if (!changed_) return false;
  std::vector<CacheRecord>& records = contents_.records;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < records.size(); ++i)
    if (keep[i]) records[kept++] = records[i];
  records.resize(kept);
  return true;
}

void DigestCache::writePrepared() {
  // Often on a thread of its own, where nothing would catch what is thrown.
  try {
    writeRecords();
  } catch (const std::exception& error) {
    warn(NoticeText::of(kCouldNotSave, folder_, error.what()));
  }
  changed_ = false;
}

void DigestCache::writeRecords() {
  std::vector<CacheRecord>& records = contents_.records;
  const std::size_t kept = records.size();
  // A lambda, not the function itself: the sort then compares inline instead of calling out.
  const auto keyLess = [](const CacheRecord& a, const CacheRecord& b) { return recordKeyLess(a, b); };
  if (records.empty()) {
    // A first search: this runs while the rows are shown, which mostly takes one core. Sorting in
    // place on this thread takes the other, and no second buffer of records.
    std::sort(learned_.begin(), learned_.end(), keyLess);
    records.swap(learned_);  // nothing to merge with, nothing to copy
  } else {
    sortInParallel(learned_, keyLess, std::max(1u, std::thread::hardware_concurrency()));
    records.insert(records.end(), learned_.begin(), learned_.end());
  }
  std::vector<CacheRecord>().swap(learned_);
  // Stable: of two records with one key, the one learned now comes last, and is the one kept.
  std::inplace_merge(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(kept), records.end(), keyLess);
  std::size_t unique = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (i + 1 < records.size() && !recordKeyLess(records[i], records[i + 1])) continue;
    if (unique != i) records[unique] = records[i];  // mostly in place already
    ++unique;
  }
  records.resize(unique);
  dropUnusedFileSystems();
  indexRecords();

  const std::string head = encodeCacheHead(contents_);
  const std::string_view body(reinterpret_cast<const char*>(records.data()), records.size() * sizeof(CacheRecord));
  std::error_code error = platform::createPrivateFolder(folder_);
  if (!error) error = platform::replaceWholeFile(folder_, kFileName, {head, body});
  if (error) warn(NoticeText::of(kCouldNotSave, folder_, NoticeText(error)));
}

}  // namespace pelimor
