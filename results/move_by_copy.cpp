#include "results/move_by_copy.h"

#include <vector>

#include "platform/file_operations.h"
#include "platform/file_reader.h"
#include "platform/io_error_text.h"
#include "results/file_check.h"
#include "search/content_digest.h"

namespace pelimor {

namespace {
constexpr std::size_t kBlockBytes = 1 << 20;

// Hashes `size` bytes read by `read(offset, buffer, length)`; false when fewer came or reading failed.
template <typename Read>
bool hashAll(std::uint64_t size, std::vector<unsigned char>& buffer, ContentDigest& digest, int& error, Read read) {
  ContentHasher hasher;
  for (std::uint64_t offset = 0; offset < size;) {
    const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size - offset));
    const std::int64_t got = read(offset, buffer.data(), length);
    if (got < 0) error = static_cast<int>(-got);
    if (got != static_cast<std::int64_t>(length)) return false;
    hasher.update(buffer.data(), length);
    offset += length;
  }
  digest = hasher.finish();
  return true;
}
}  // namespace

CopyMoveOutcome moveByCopy(const platform::FolderHandle& from, const ResultRow& row, const platform::FolderHandle& to,
                           const std::string& targetName, const std::string& folderText) {
  CopyMoveOutcome outcome;
  const std::string name(row.name());
  const auto fail = [&](std::string reason) {
    outcome.failure = std::move(reason);
    return outcome;
  };
  const auto cannotCopy = [&](int error) {
    return fail("it cannot be copied to " + folderText + ": " + platform::systemErrorText(error));
  };

  platform::FileReader source;
  if (const int error = source.openIn(from, name); error != 0) return cannotCopy(error);
  if (!isSameFile(source.status(), row)) return fail("it has changed since the search");
  platform::OutputFile copy;
  if (const int error = copy.createNewIn(to, targetName); error != 0) {
    if (error == EEXIST)
      outcome.targetTaken = true;
    else
      outcome = cannotCopy(error);
    return outcome;
  }
  platform::FileStatus copyStatus;
  copy.status(copyStatus);
  // From here on every way out but success takes the copy away again, if it is still ours.
  const auto dropCopy = [&](std::string reason) {
    copy.close();
    platform::FileStatus there;
    if (to.statusOf(targetName, there) == 0 && there.device == copyStatus.device && there.inode == copyStatus.inode)
      to.removeFile(targetName);
    return fail(std::move(reason));
  };

  std::vector<unsigned char> buffer(kBlockBytes);
  ContentDigest read;
  int error = 0;
  const bool copied = hashAll(row.size, buffer, read, error, [&](std::uint64_t offset, void* data, std::size_t length) {
    const std::int64_t got = source.readAt(offset, data, length);
    if (got > 0) {
      const int writeError =
          copy.write(std::string_view(static_cast<const char*>(data), static_cast<std::size_t>(got)));
      if (writeError != 0) {
        error = writeError == platform::OutputFile::kShortWrite ? ENOSPC : writeError;
        return std::int64_t{-1};
      }
    }
    return got;
  });
  if (!copied)
    return dropCopy(error != 0 ? "it cannot be copied to " + folderText + ": " + platform::systemErrorText(error)
                               : "it changed while it was copied");
  if (read.crc32 != row.crc32) return dropCopy("it has changed since the search");
  if ((error = copy.keepAttributesOf(source.status())) != 0 || (error = copy.sync()) != 0)
    return dropCopy("it cannot be copied to " + folderText + ": " + platform::systemErrorText(error));

  ContentDigest written;
  error = 0;
  if (!hashAll(
          row.size, buffer, written, error,
          [&](std::uint64_t offset, void* data, std::size_t length) { return copy.readAt(offset, data, length); }) ||
      !(written == read))
    return dropCopy("its copy in " + folderText + " does not read back the same");

  platform::FileStatus now;
  if (from.statusOf(name, now) != 0 || !isSameFile(now, row)) return dropCopy("it changed while it was copied");
  if ((error = copy.close()) != 0)
    return dropCopy("it cannot be copied to " + folderText + ": " + platform::systemErrorText(error));
  if ((error = from.removeFile(name)) != 0)
    return dropCopy("it cannot be removed from its folder: " + platform::systemErrorText(error));
  return outcome;
}

}  // namespace pelimor
