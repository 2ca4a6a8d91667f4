#include "search/digest_cache_file.h"

#include <xxhash.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <tuple>

#include "platform/file_operations.h"
#include "platform/file_reader.h"
#include "platform/io_error_text.h"

namespace pelimor {

namespace {
constexpr char kMagic[8] = {'P', 'e', 'l', 'i', 'm', 'o', 'r', 'C'};
// Version 2 added picture records; a file of version 1 holds none and reads as it is. An older
// Pelimor takes a file of version 2 for one not its own, and makes it anew.
constexpr std::uint32_t kVersion = 2;
constexpr std::uint32_t kOldestVersionRead = 1;
// Records are written in this machine's byte order; a file from another order reads as foreign.
constexpr std::uint32_t kByteOrderMark = 0x01020304;
// Far more file systems than any machine mounts: a count beyond it is damage.
constexpr std::uint32_t kMostFileSystems = 1u << 16;

struct Head {
  char magic[8];
  std::uint32_t version;
  std::uint32_t byteOrder;
  std::uint32_t fileSystemCount;
  std::uint32_t namesBytes;  // a multiple of 8, so the records that follow stay aligned
  std::uint64_t recordCount;
  std::uint64_t checksum;  // XXH3-64 of the names and the records
};
static_assert(sizeof(Head) == 40);

// XXH3-64 of the names and the records, fed a piece at a time.
class Checksum {
 public:
  Checksum() : state_(XXH3_createState()) { XXH3_64bits_reset(state_); }
  ~Checksum() { XXH3_freeState(state_); }
  Checksum(const Checksum&) = delete;
  Checksum& operator=(const Checksum&) = delete;
  void add(const void* data, std::size_t length) { XXH3_64bits_update(state_, data, length); }
  std::uint64_t sum() const { return XXH3_64bits_digest(state_); }

 private:
  XXH3_state_t* state_;
};

// Records are read and written this many at a time: 4 MiB.
constexpr std::size_t kRecordsPerRead = 1u << 16;

std::string namesBlock(const std::vector<std::string>& names) {
  std::string block;
  for (const std::string& name : names) {
    const auto length = static_cast<std::uint32_t>(name.size());
    block.append(reinterpret_cast<const char*>(&length), sizeof length);
    block += name;
  }
  block.resize((block.size() + 7) / 8 * 8, '\0');
  return block;
}

bool parseNames(std::string_view block, std::uint32_t count, std::vector<std::string>& names) {
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t length = 0;
    if (block.size() < sizeof length) return false;
    std::memcpy(&length, block.data(), sizeof length);
    block.remove_prefix(sizeof length);
    if (block.size() < length) return false;
    names.emplace_back(block.substr(0, length));
    block.remove_prefix(length);
  }
  return block.size() < 8 && block.find_first_not_of('\0') == std::string_view::npos;
}
}  // namespace

std::optional<NoticeText> CacheRecordFile::open(const std::string& path) {
  // Looked at before it is opened: a link or a pipe put in its place is named as such.
  platform::FileStatus seen;
  if (const std::error_code error = platform::statusOfPath(path, false, seen)) {
    if (error == std::errc::no_such_file_or_directory) return std::nullopt;
    return NoticeText(error);
  }
  if (seen.kind == platform::EntryKind::SymbolicLink)
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it is a symbolic link"));
  if (seen.kind != platform::EntryKind::Regular)
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it is not a regular file"));
  if (const std::error_code error = file_.open(path)) {
    if (error == std::errc::no_such_file_or_directory) return std::nullopt;  // gone since it was looked at
    return NoticeText(error);
  }
  if (file_.status().device != seen.device || file_.status().inode != seen.inode)
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it was replaced while it was read"));
  const std::uint64_t fileSize = file_.status().size;
  Head head{};
  if (const platform::ReadResult got = file_.readAt(0, &head, sizeof head); got.error || got.bytes != sizeof head)
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it is truncated"));
  if (std::memcmp(head.magic, kMagic, sizeof kMagic) != 0 || head.version < kOldestVersionRead ||
      head.version > kVersion || head.byteOrder != kByteOrderMark)
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it is not a cache of this version of Pelimor"));
  if (head.namesBytes % 8 != 0 || head.fileSystemCount > kMostFileSystems ||
      head.recordCount > fileSize / sizeof(CacheRecord))
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it is damaged"));
  const std::uint64_t expected = sizeof head + head.namesBytes + head.recordCount * sizeof(CacheRecord);
  if (fileSize < expected) return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it is truncated"));
  if (fileSize > expected) return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it is damaged"));

  std::string names(head.namesBytes, '\0');
  if (const platform::ReadResult got = file_.readAt(sizeof head, names.data(), names.size());
      got.error || got.bytes != names.size())
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it could not be read whole"));
  recordsAt_ = sizeof head + names.size();
  count_ = head.recordCount;
  // Checked a piece at a time: the checksum, the order, and that every record is of a known kind
  // and file system. A checksum that agrees over records out of order is still damage.
  Checksum checksum;
  checksum.add(names.data(), names.size());
  bool sorted = true, known = true;
  CacheRecord before{};
  const bool read = forEach([&](std::size_t at, const CacheRecord& record) {
    checksum.add(&record, sizeof record);
    sorted = sorted && (at == 0 || recordKeyLess(before, record));
    known = known && record.fileSystem < head.fileSystemCount && record.kind <= CacheRecord::kPicture;
    if (at % kRecordsPerKey == 0) keys_.push_back(Key{record.fileSystem, record.inode});
    before = record;
  });
  const auto damaged = [&](NoticeText why) {
    count_ = 0;
    keys_.clear();
    fileSystems_.clear();
    return why;
  };
  if (!read) return damaged(NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it could not be read whole")));
  if (checksum.sum() != head.checksum || !sorted || !known || !parseNames(names, head.fileSystemCount, fileSystems_))
    return damaged(NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it is damaged")));
  return std::nullopt;
}

bool CacheRecordFile::read(std::size_t first, std::size_t count, CacheRecord* into) const {
  const std::size_t length = count * sizeof(CacheRecord);
  const platform::ReadResult got = file_.readAt(recordsAt_ + first * sizeof(CacheRecord), into, length);
  return !got.error && got.bytes == length;
}

bool CacheRecordFile::forEach(const std::function<void(std::size_t, const CacheRecord&)>& each) const {
  std::vector<CacheRecord> piece(std::min(count_, kRecordsPerRead));
  for (std::size_t first = 0; first < count_; first += piece.size()) {
    const std::size_t count = std::min(piece.size(), count_ - first);
    if (!read(first, count, piece.data())) return false;
    for (std::size_t i = 0; i < count; ++i) each(first + i, piece[i]);
  }
  return true;
}

bool CacheRecordFile::forEachOf(std::uint16_t fileSystem, std::uint64_t inode,
                                const std::function<void(std::size_t, const CacheRecord&)>& each) const {
  const auto before = [](const Key& a, const Key& b) {
    return std::tie(a.fileSystem, a.inode) < std::tie(b.fileSystem, b.inode);
  };
  // The records of one inode begin in the last piece whose first key is below theirs, or in the
  // piece they open; a few kinds of record may run on into the next pieces.
  const Key wanted{fileSystem, inode};
  auto key = std::lower_bound(keys_.begin(), keys_.end(), wanted, before);
  if (key != keys_.begin()) --key;
  CacheRecord piece[kRecordsPerKey];
  for (auto first = static_cast<std::size_t>(key - keys_.begin()) * kRecordsPerKey; first < count_;
       first += kRecordsPerKey) {
    const std::size_t count = std::min(kRecordsPerKey, count_ - first);
    if (!read(first, count, piece)) return false;
    for (std::size_t i = 0; i < count; ++i) {
      const Key at{piece[i].fileSystem, piece[i].inode};
      if (before(wanted, at)) return true;
      if (!before(at, wanted)) each(first + i, piece[i]);
    }
  }
  return true;
}

void CacheRecordFile::close() {
  file_.close();
  count_ = 0;
  keys_.clear();
}

std::optional<NoticeText> loadCacheFile(const std::string& path, CacheContents& contents) {
  contents = CacheContents{};
  CacheRecordFile file;
  if (std::optional<NoticeText> problem = file.open(path)) return problem;
  contents.records.reserve(file.size());
  if (!file.forEach([&](std::size_t, const CacheRecord& record) { contents.records.push_back(record); })) {
    contents = CacheContents{};
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it could not be read whole"));
  }
  contents.fileSystems = std::move(file.fileSystems());
  return std::nullopt;
}

std::error_code writeCacheFile(const std::string& folder, const std::string& name,
                               const std::vector<std::string>& fileSystems, const CacheRecordSource& forEachRecord,
                               const std::function<void()>& whenWritten) {
  const std::string names = namesBlock(fileSystems);
  Head head{};
  std::memcpy(head.magic, kMagic, sizeof kMagic);
  head.version = kVersion;
  head.byteOrder = kByteOrderMark;
  head.fileSystemCount = static_cast<std::uint32_t>(fileSystems.size());
  head.namesBytes = static_cast<std::uint32_t>(names.size());
  Checksum checksum;
  checksum.add(names.data(), names.size());
  if (!forEachRecord([&](const CacheRecord& record) {
        checksum.add(&record, sizeof record);
        ++head.recordCount;
      }))
    return std::make_error_code(std::errc::io_error);
  head.checksum = checksum.sum();
  return platform::replaceWholeFile(folder, name, [&](platform::OutputFile& file) {
    std::error_code error = file.write(std::string_view(reinterpret_cast<const char*>(&head), sizeof head));
    if (!error) error = file.write(names);
    std::vector<CacheRecord> piece;
    piece.reserve(kRecordsPerRead);
    const auto writePiece = [&] {
      if (!error)
        error = file.write(
            std::string_view(reinterpret_cast<const char*>(piece.data()), piece.size() * sizeof(CacheRecord)));
      piece.clear();
    };
    std::uint64_t written = 0;
    const bool had = forEachRecord([&](const CacheRecord& record) {
      piece.push_back(record);
      ++written;
      if (piece.size() == kRecordsPerRead) writePiece();
    });
    writePiece();
    // What the head sums up must be what was written.
    if (!error && (!had || written != head.recordCount)) error = std::make_error_code(std::errc::io_error);
    whenWritten();
    return error;
  });
}

}  // namespace pelimor
