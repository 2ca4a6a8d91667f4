#include "search/digest_cache.h"

#include <algorithm>
#include <exception>
#include <optional>
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

// What a record says its file was, on `device`: the device its file system is mounted on now.
FileIdentity identityIn(const CacheRecord& record, std::uint64_t device) {
  return FileIdentity{device, record.inode, record.size, record.modifiedNanoseconds, record.changedNanoseconds};
}
}  // namespace

DigestCache::DigestCache(std::string folder) : folder_(std::move(folder)) {
  const std::string path = platform::joinPath(folder_, kFileName);
  if (const std::optional<NoticeText> problem = records_.open(path)) {
    warn(NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "the checksum cache %1 was not used, %2; it is made anew"), path,
                        *problem));
    changed_ = true;
  }
  fileSystems_ = std::move(records_.fileSystems());
  std::vector<std::string>& names = fileSystems_;
  for (const platform::FileSystemIdentity& identity : platform::fileSystemIdentities()) {
    auto known = std::find(names.begin(), names.end(), identity.name);
    if (known == names.end()) {
      if (names.size() >= kMostFileSystems) continue;
      known = names.insert(names.end(), identity.name);
    }
    devices_.emplace_back(identity.device, static_cast<std::uint16_t>(known - names.begin()));
  }
  std::sort(devices_.begin(), devices_.end());
}

void DigestCache::warn(NoticeText text) { warnings_.push_back(std::move(text)); }

std::vector<NoticeText> DigestCache::takeWarnings() { return std::exchange(warnings_, {}); }

int DigestCache::fileSystemOf(std::uint64_t device) const {
  const auto at = std::lower_bound(devices_.begin(), devices_.end(), std::make_pair(device, std::uint16_t{0}));
  return at != devices_.end() && at->first == device ? at->second : -1;
}

bool DigestCache::find(const FileIdentity& file, Kind kind, ContentDigest& digest) const {
  const int fileSystem = fileSystemOf(file.device);
  if (fileSystem < 0) return false;
  bool found = false;
  records_.forEachOf(static_cast<std::uint16_t>(fileSystem), file.inode, [&](std::size_t, const CacheRecord& record) {
    if (found || record.kind != kind || !sameFile(identityIn(record, file.device), file)) return;
    digest = ContentDigest{record.crc32, record.high, record.low};
    found = true;
  });
  return found;
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

void DigestCache::sortOutOldRecords(const CandidateStore& store, bool walkedWhole) {
  std::vector<bool>& keep = keep_;
  keep.assign(records_.size(), true);
  std::vector<bool> seen(records_.size(), false);
  store_ = &store;
  walkRead_.clear();
  // Only a device with a file system may have a file in walkRead_.
  storeFileSystems_.clear();
  for (const std::uint64_t device : store.numberedDevices())
    storeFileSystems_.push_back(static_cast<std::uint16_t>(std::max(fileSystemOf(device), 0)));
  // Files come folder by folder, so mostly from the file system of the file before.
  std::uint64_t lastDevice = 0;
  int fileSystem = fileSystemOf(lastDevice);
  const std::vector<Candidate>& files = store.files();
  for (std::uint32_t at = 0; at < files.size(); ++at) {
    const Candidate& file = files[at];
    const FileIdentity identity = store.identityOf(file);
    if (identity.device != lastDevice) {
      lastDevice = identity.device;
      fileSystem = fileSystemOf(identity.device);
    }
    if (fileSystem < 0) continue;
    bool contentKnown = false;
    // A record that can't be read now is kept as it is: the save reads it again, or fails.
    records_.forEachOf(static_cast<std::uint16_t>(fileSystem), identity.inode,
                       [&](std::size_t i, const CacheRecord& record) {
                         seen[i] = true;
                         if (sameFile(identityIn(record, identity.device), identity)) {
                           contentKnown = contentKnown || record.kind == CacheRecord::kContent;
                         } else if (keep[i]) {
                           keep[i] = false;
                           changed_ = true;
                         }
                       });
    if (file.contentRead && !contentKnown && !racy_.isRacy(identity.device, identity.changedNanoseconds)) {
      walkRead_.push_back(at);
      changed_ = true;
    }
  }
  if (!walkedWhole) return;
  // A file gone from a folder that was walked whole is gone, or no longer searched for there.
  std::vector<std::pair<std::uint16_t, std::uint64_t>> walked;
  for (const platform::FolderId& folder : store.folderIds())
    if (const int fileSystem = fileSystemOf(folder.device); fileSystem >= 0)
      walked.emplace_back(static_cast<std::uint16_t>(fileSystem), folder.inode);
  std::sort(walked.begin(), walked.end());
  records_.forEach([&](std::size_t i, const CacheRecord& record) {
    if (seen[i] ||
        !std::binary_search(walked.begin(), walked.end(), std::make_pair(record.fileSystem, record.folderInode)))
      return;
    keep[i] = false;
    changed_ = true;
  });
}

bool DigestCache::holdsNoRecords() const { return records_.size() == 0; }

bool DigestCache::prepareSave(const CandidateStore& store, bool walkedWhole) {
  sortOutOldRecords(store, walkedWhole);
  return changed_;
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

CacheRecord DigestCache::recordOf(std::uint32_t file) const {
  const Candidate& candidate = store_->files()[file];
  CacheRecord record;
  record.inode = candidate.inode;
  record.size = candidate.size;
  record.modifiedNanoseconds = candidate.modifiedNanoseconds;
  record.changedNanoseconds = candidate.changedNanoseconds;
  record.folderInode = store_->folderId(candidate.folder).inode;
  record.high = candidate.strongHigh;
  record.low = candidate.strongLow;
  record.crc32 = candidate.crc32;
  record.fileSystem = storeFileSystems_[store_->deviceNumber(candidate)];
  record.kind = CacheRecord::kContent;
  return record;
}

bool DigestCache::forEachRecordToWrite(const std::function<void(const CacheRecord&)>& each) const {
  // What this search learned, in key order, from the comparison's reads and the walk's; of two
  // with one key (one file under two names, say) the first, as both hold now.
  std::size_t learned = 0, walked = 0;
  std::optional<CacheRecord> fresh;
  const auto nextFresh = [&] {
    const std::optional<CacheRecord> before = fresh;
    do {
      fresh.reset();
      const bool anyLearned = learned < learned_.size();
      if (walked < walkRead_.size()) {
        const CacheRecord record = recordOf(walkRead_[walked]);
        if (!anyLearned || recordKeyLess(record, learned_[learned])) fresh = record, ++walked;
      }
      if (!fresh && anyLearned) fresh = learned_[learned++];
    } while (fresh && before && !recordKeyLess(*before, *fresh));
  };
  nextFresh();
  const bool read = records_.forEach([&](std::size_t i, const CacheRecord& old) {
    for (; fresh && recordKeyLess(*fresh, old); nextFresh()) each(*fresh);
    const bool learnedAnew = fresh && !recordKeyLess(old, *fresh);
    if (keep_[i] && !learnedAnew) each(old);
  });
  for (; fresh; nextFresh()) each(*fresh);
  return read;
}

void DigestCache::writeRecords() {
  // A lambda, not the function itself: the sort then compares inline instead of calling out.
  const auto keyLess = [](const CacheRecord& a, const CacheRecord& b) { return recordKeyLess(a, b); };
  const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  sortInParallel(learned_, keyLess, threads);
  // Mostly in order already, file system by file system and folder by folder: the sort reads the
  // candidates it compares nearly front to back.
  const auto key = [&](std::uint32_t file) {
    const Candidate& candidate = store_->files()[file];
    return std::pair{storeFileSystems_[store_->deviceNumber(candidate)], candidate.inode};
  };
  sortInParallel(
      walkRead_, [&](std::uint32_t a, std::uint32_t b) { return key(a) < key(b); }, threads);
  keep_.resize(records_.size(), true);
  // File systems no record names any more are left out, the others renumbered in their order.
  std::vector<bool> used(fileSystems_.size(), false);
  if (!forEachRecordToWrite([&](const CacheRecord& record) { used[record.fileSystem] = true; }))
    return warn(NoticeText::of(kCouldNotSave, folder_, NoticeText(std::make_error_code(std::errc::io_error))));
  std::vector<std::uint16_t> newIndex(fileSystems_.size(), 0);
  std::vector<std::string> kept;
  for (std::size_t i = 0; i < fileSystems_.size(); ++i) {
    if (!used[i]) continue;
    newIndex[i] = static_cast<std::uint16_t>(kept.size());
    kept.push_back(fileSystems_[i]);
  }
  const CacheRecordSource renumbered = [&](const std::function<void(const CacheRecord&)>& each) {
    return forEachRecordToWrite([&](const CacheRecord& record) {
      CacheRecord written = record;
      written.fileSystem = newIndex[record.fileSystem];
      each(written);
    });
  };
  std::error_code error = platform::createPrivateFolder(folder_);
  if (!error) error = writeCacheFile(folder_, kFileName, kept, renumbered, [&] { records_.close(); });
  std::vector<CacheRecord>().swap(learned_);
  std::vector<std::uint32_t>().swap(walkRead_);
  if (error) warn(NoticeText::of(kCouldNotSave, folder_, NoticeText(error)));
}

}  // namespace pelimor
