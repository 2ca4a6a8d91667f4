#include "results/link_replacement.h"

#include <algorithm>

#include "platform/block_sharing.h"
#include "platform/file_reader.h"

namespace pelimor {

namespace {
// Beside the file, so the final rename stays within its folder; a dot name, hidden from listings.
constexpr std::string_view kTemporaryPrefix = ".pelimor-link-";
constexpr unsigned kTemporaryNames = 1000;
// The longest name most file systems take, in bytes (Windows counts 255 UTF-16 units, never fewer).
constexpr std::size_t kLongestName = 255;
constexpr const char* kOtherFileSystem =
    PELIMOR_WINDOW_TEXT("Notices", "it lies on another file system than its kept copy");
constexpr const char* kChangedWhileReplaced = PELIMOR_WINDOW_TEXT("Notices", "it changed while it was replaced");

NoticeText noLinkReason(const std::error_code& error) {
  if (error == std::errc::cross_device_link) return NoticeText::of(kOtherFileSystem);
  if (error == std::errc::operation_not_permitted)
    return NoticeText::of(
        PELIMOR_WINDOW_TEXT("Notices", "the system does not allow a hard link to its kept copy here"));
  if (error == std::errc::operation_not_supported)
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "its file system has no hard links"));
  if (error == std::errc::too_many_links)
    return NoticeText::of(
        PELIMOR_WINDOW_TEXT("Notices", "its kept copy has as many hard links as its file system allows"));
  return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "no hard link can be made beside it: %1"), error);
}

NoticeText noSharingReason(const std::error_code& error) {
  if (error == platform::Failure::BytesDiffer)
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "its bytes differ from its kept copy's"));
  if (error == std::errc::cross_device_link) return NoticeText::of(kOtherFileSystem);
  if (error == std::errc::operation_not_supported || error == std::errc::invalid_argument ||
      error == std::errc::inappropriate_io_control_operation)
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "its file system cannot share blocks between files"));
  return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "its blocks cannot be shared: %1"), error);
}

// The file's name after our prefix and number, cut short where it would not fit, at a character's
// first byte.
std::string temporaryNameFor(unsigned number, std::string_view name) {
  std::string temporary = std::string(kTemporaryPrefix) + std::to_string(number) + "-";
  std::size_t length = std::min(name.size(), kLongestName - temporary.size());
  while (length < name.size() && length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80) --length;
  return temporary.append(name.substr(0, length));
}

bool sameAttributes(const platform::FileStatus& a, const platform::FileStatus& b) {
  return a.owner == b.owner && a.ownerGroup == b.ownerGroup && a.permissions == b.permissions &&
         a.modifiedTime() == b.modifiedTime();
}
}  // namespace

std::optional<NoticeText> LinkReplacer::checkKeeper(std::size_t keeper) {
  ResultRow expected = rows_[keeper];
  if (const auto since = keeperChangedSince_.find(keeper); since != keeperChangedSince_.end())
    expected.identity.changedNanoseconds = since->second;
  const FileState state = keeperCheck_.check(expected);
  if (state == FileState::Same) return std::nullopt;
  return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "its kept copy %1 has changed: %2"), expected.path,
                        keeperCheck_.reasonFor(state));
}

std::optional<NoticeText> LinkReplacer::link(const ResultRow& row, const platform::FolderHandle& folder,
                                             const platform::FileStatus& status, std::size_t keeper,
                                             NoticeText& attributeNote) {
  if (std::optional<NoticeText> reason = checkKeeper(keeper)) return reason;
  const platform::FileStatus kept = keeperCheck_.status();
  const std::string name(row.name());
  const std::string keptName(rows_[keeper].name());
  std::string temporary;
  std::error_code error = std::make_error_code(std::errc::file_exists);
  for (unsigned number = 1; number <= kTemporaryNames && error == std::errc::file_exists; ++number) {
    temporary = temporaryNameFor(number, name);
    error = folder.linkTo(temporary, keeperCheck_.folder(), keptName);
  }
  if (error) return noLinkReason(error);

  // Both once more, now that the link is there: the new name must be the kept file, the old one
  // still the selected file.
  platform::FileStatus linked, now;
  bool stillSame = !folder.statusOf(temporary, linked);
  if (stillSame) {
    // The new link itself moved the kept file's change time; nothing else of it may have changed.
    FileIdentity keptNow = identityOf(kept);
    keptNow.changedNanoseconds = linked.changedTime();
    stillSame = sameFile(keptNow, linked) && !folder.statusOf(name, now) && sameFile(row.identity, now);
  }
  if (!stillSame) {
    folder.removeFile(temporary);
    return NoticeText::of(kChangedWhileReplaced);
  }
  if ((error = folder.renameReplacing(temporary, name))) {
    folder.removeFile(temporary);
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it cannot be replaced: %1"), error);
  }
  if (!folder.statusOf(name, linked)) keeperChangedSince_[keeper] = linked.changedTime();
  if (!sameAttributes(status, kept))
    attributeNote = NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it now has the owner, permissions and time of %1"),
                                   rows_[keeper].path);
  return std::nullopt;
}

std::optional<NoticeText> LinkReplacer::clone(const ResultRow& row, const platform::FolderHandle& folder,
                                              std::size_t keeper) {
  if (std::optional<NoticeText> reason = checkKeeper(keeper)) return reason;
  platform::FileReader source;
  if (const std::error_code error = source.openIn(keeperCheck_.folder(), std::string(rows_[keeper].name())))
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "its kept copy cannot be read: %1"), error);
  platform::FileStatus status;
  platform::NativeHandle target = platform::kNoHandle;
  if (const std::error_code error = platform::openForSharing(folder, std::string(row.name()), target, status))
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it cannot be opened for writing: %1"), error);
  const bool unchanged = sameFile(row.identity, status) && sameFile(rows_[keeper].identity, source.status());
  const std::error_code error = unchanged ? platform::shareBlocks(source, target, row.size) : std::error_code();
  platform::closeDescriptor(target);
  if (!unchanged) return NoticeText::of(kChangedWhileReplaced);
  if (error) return noSharingReason(error);
  return std::nullopt;
}

}  // namespace pelimor
