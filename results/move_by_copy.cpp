#include "results/move_by_copy.h"

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <vector>

#include "platform/file_operations.h"
#include "platform/file_reader.h"
#include "platform/io_error_text.h"
#include "results/file_check.h"
#include "search/content_digest.h"

namespace pelimor {

namespace {
constexpr std::size_t kBlockBytes = 1 << 20;
// The copy is written under a short dot name of ours, a number after the prefix, and gets its own
// name only once it is whole: a Move stopped half way leaves nothing that looks like the file.
constexpr std::string_view kCopyPrefix = ".pelimor-move-";
constexpr unsigned kCopyNames = 1000;
constexpr const char* kChangedWhileCopied = PELIMOR_WINDOW_TEXT("Notices", "it changed while it was copied");

using Reason = std::optional<NoticeText>;

bool isCopyName(std::string_view name) {
  if (!name.starts_with(kCopyPrefix) || name.size() == kCopyPrefix.size()) return false;
  name.remove_prefix(kCopyPrefix.size());
  return std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Calls `step(offset, length)` for each block of `size` bytes in turn, until one gives a reason.
template <typename Step>
Reason eachBlock(std::uint64_t size, Step step) {
  for (std::uint64_t offset = 0; offset < size; offset += kBlockBytes) {
    const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(kBlockBytes, size - offset));
    if (Reason reason = step(offset, length)) return reason;
  }
  return std::nullopt;
}

class CrossMove {
 public:
  CrossMove(const platform::FolderHandle& from, const ResultRow& row, const platform::FolderHandle& to,
            const std::string& targetName, const std::string& folderText)
      : from_(from), row_(row), to_(to), targetName_(targetName), folderText_(folderText), name_(row.name()) {}

  CopyMoveOutcome run(const std::function<Reason()>& beforeRemoval) {
    CopyMoveOutcome outcome;
    // Spares copying a large file only to find its name taken; the rename below still never replaces.
    platform::FileStatus there;
    if (!to_.statusOf(targetName_, there)) {
      outcome.targetTaken = true;
      return outcome;
    }
    if ((outcome.failure = openSource()) || (outcome.failure = createCopy())) return outcome;
    if ((outcome.failure = writeCopy())) {
      dropCopy(temporary_);
      return outcome;
    }
    if (const std::error_code error = to_.renameNoReplace(temporary_, to_, targetName_)) {
      dropCopy(temporary_);
      if (error == std::errc::file_exists)
        outcome.targetTaken = true;
      else
        outcome.failure = cannotCopy(error);
      return outcome;
    }
    if ((outcome.failure = removeSource(beforeRemoval))) dropCopy(targetName_);
    return outcome;
  }

 private:
  NoticeText cannotCopy(const std::error_code& error) const {
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it cannot be copied to %1: %2"), folderText_, error);
  }
  NoticeText readsBackOtherwise() const {
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "its copy in %1 does not read back the same"), folderText_);
  }

  Reason openSource() {
    if (const std::error_code error = source_.openIn(from_, name_)) return cannotCopy(error);
    if (!sameFile(row_.identity, source_.status())) return NoticeText::of(kChangedSinceSearch);
    source_.adviseSequential();
    return std::nullopt;
  }

  Reason createCopy() {
    std::error_code error = platform::errnoCode(EEXIST);
    for (unsigned number = 1; number <= kCopyNames && error == std::errc::file_exists; ++number) {
      temporary_ = std::string(kCopyPrefix) + std::to_string(number);
      error = copy_.createLockedIn(to_, temporary_);
    }
    if (!error && (error = copy_.status(copyStatus_))) {
      to_.removeFile(temporary_);
      copy_.close();
    }
    return error ? cannotCopy(error) : Reason();
  }

  // The copy, checked against the search's digest and read back, with the source's attributes.
  Reason writeCopy() {
    std::vector<unsigned char> buffer(kBlockBytes);
    ContentDigest read;
    if (Reason reason = copyContent(buffer, read)) return reason;
    if (read != row_.digest()) return NoticeText::of(kChangedSinceSearch);
    std::error_code error = copy_.keepAttributesOf(source_.status());
    if (!error) error = copy_.sync();
    if (error) return cannotCopy(error);
    ContentDigest written;
    if (Reason reason = readBack(buffer, written)) return reason;
    if (written != read) return readsBackOtherwise();
    return std::nullopt;
  }

  Reason copyContent(std::vector<unsigned char>& buffer, ContentDigest& digest) {
    ContentHasher hasher;
    Reason reason = eachBlock(row_.size, [&](std::uint64_t offset, std::size_t length) -> Reason {
      const platform::ReadResult got = source_.readAt(offset, buffer.data(), length);
      if (got.error) return cannotCopy(got.error);
      if (got.bytes != length) return NoticeText::of(kChangedWhileCopied);
      const std::error_code error = copy_.write(std::string_view(reinterpret_cast<const char*>(buffer.data()), length));
      // A write cut short without an error is a full file system.
      if (error) return cannotCopy(error == platform::Failure::ShortWrite ? platform::errnoCode(ENOSPC) : error);
      hasher.update(buffer.data(), length);
      return std::nullopt;
    });
    digest = hasher.finish();
    return reason;
  }

  Reason readBack(std::vector<unsigned char>& buffer, ContentDigest& digest) {
    ContentHasher hasher;
    Reason reason = eachBlock(row_.size, [&](std::uint64_t offset, std::size_t length) -> Reason {
      const platform::ReadResult got = copy_.readAt(offset, buffer.data(), length);
      if (got.error)
        return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "its copy in %1 cannot be read back: %2"), folderText_,
                              got.error);
      if (got.bytes != length) return readsBackOtherwise();
      hasher.update(buffer.data(), length);
      return std::nullopt;
    });
    digest = hasher.finish();
    return reason;
  }

  // With the copy under its own name, on the disk: the source goes if it is still the same file.
  Reason removeSource(const std::function<Reason()>& beforeRemoval) {
    if (const std::error_code error = to_.syncEntries()) return cannotCopy(error);
    platform::FileStatus now;
    if (from_.statusOf(name_, now) || !sameFile(row_.identity, now)) return NoticeText::of(kChangedWhileCopied);
    if (beforeRemoval)
      if (Reason reason = beforeRemoval()) return reason;
    if (const std::error_code error = copy_.close()) return cannotCopy(error);
    if (const std::error_code error = from_.removeFile(name_))
      return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it cannot be removed from its folder: %1"), error);
    return std::nullopt;
  }

  // Takes the copy away from under `name`, if that is still our copy.
  void dropCopy(const std::string& name) {
    platform::FileStatus there;
    if (!to_.statusOf(name, there) && there.device == copyStatus_.device && there.inode == copyStatus_.inode)
      to_.removeFile(name);
    if (copy_.isOpen()) copy_.close();
  }

  const platform::FolderHandle& from_;
  const ResultRow& row_;
  const platform::FolderHandle& to_;
  const std::string& targetName_;
  const std::string& folderText_;
  const std::string name_;
  platform::FileReader source_;
  platform::OutputFile copy_;
  platform::FileStatus copyStatus_;
  std::string temporary_;
};
}  // namespace

CopyMoveOutcome moveByCopy(const platform::FolderHandle& from, const ResultRow& row, const platform::FolderHandle& to,
                           const std::string& targetName, const std::string& folderText,
                           const std::function<std::optional<NoticeText>()>& beforeRemoval) {
  return CrossMove(from, row, to, targetName, folderText).run(beforeRemoval);
}

void removeLeftoverCopies(const platform::FolderHandle& folder) {
  std::vector<std::string> names;
  folder.entryNames(names);
  // A copy whose lock is held is still being written by a running Move, and stays.
  for (const std::string& name : names)
    if (isCopyName(name)) platform::removeUnlockedFile(folder, name);
}

}  // namespace pelimor
