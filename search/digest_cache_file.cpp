#include "search/digest_cache_file.h"

#include <xxhash.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

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

std::uint64_t checksumOf(std::string_view names, const CacheRecord* records, std::size_t count) {
  XXH3_state_t* state = XXH3_createState();
  XXH3_64bits_reset(state);
  XXH3_64bits_update(state, names.data(), names.size());
  XXH3_64bits_update(state, records, count * sizeof(CacheRecord));
  const std::uint64_t sum = XXH3_64bits_digest(state);
  XXH3_freeState(state);
  return sum;
}

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

std::string encodeCacheHead(const CacheContents& contents) {
  const std::string names = namesBlock(contents.fileSystems);
  Head head{};
  std::memcpy(head.magic, kMagic, sizeof kMagic);
  head.version = kVersion;
  head.byteOrder = kByteOrderMark;
  head.fileSystemCount = static_cast<std::uint32_t>(contents.fileSystems.size());
  head.namesBytes = static_cast<std::uint32_t>(names.size());
  head.recordCount = contents.records.size();
  head.checksum = checksumOf(names, contents.records.data(), contents.records.size());
  return std::string(reinterpret_cast<const char*>(&head), sizeof head) + names;
}

std::optional<NoticeText> loadCacheFile(const std::string& path, CacheContents& contents) {
  contents = CacheContents{};
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
  platform::FileReader file;
  if (const std::error_code error = file.open(path)) {
    if (error == std::errc::no_such_file_or_directory) return std::nullopt;  // gone since it was looked at
    return NoticeText(error);
  }
  if (file.status().device != seen.device || file.status().inode != seen.inode)
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it was replaced while it was read"));
  const std::uint64_t fileSize = file.status().size;
  Head head{};
  if (const platform::ReadResult got = file.readAt(0, &head, sizeof head); got.error || got.bytes != sizeof head)
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
  std::vector<CacheRecord> records(head.recordCount);
  const std::size_t recordBytes = records.size() * sizeof(CacheRecord);
  const auto readWhole = [&](std::uint64_t offset, void* into, std::size_t length) {
    const platform::ReadResult got = file.readAt(offset, into, length);
    return !got.error && got.bytes == length;
  };
  if (!readWhole(sizeof head, names.data(), names.size()) ||
      !readWhole(sizeof head + names.size(), records.data(), recordBytes))
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it could not be read whole"));
  if (checksumOf(names, records.data(), records.size()) != head.checksum)
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it is damaged"));
  if (!parseNames(names, head.fileSystemCount, contents.fileSystems))
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it is damaged"));
  // A checksum that agrees over records out of order or with unknown file systems is still damage.
  const bool sorted =
      std::adjacent_find(records.begin(), records.end(), [](const CacheRecord& a, const CacheRecord& b) {
        return !recordKeyLess(a, b);
      }) == records.end();
  const bool known = std::all_of(records.begin(), records.end(), [&](const CacheRecord& record) {
    return record.fileSystem < head.fileSystemCount && record.kind <= CacheRecord::kPicture;
  });
  if (!sorted || !known) {
    contents = CacheContents{};
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it is damaged"));
  }
  contents.records = std::move(records);
  return std::nullopt;
}

}  // namespace pelimor
