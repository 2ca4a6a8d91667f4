#include "results/content_check.h"

#include <algorithm>
#include <vector>

#include "platform/file_reader.h"
#include "results/file_check.h"

namespace pelimor {

namespace {
constexpr std::size_t kBlockBytes = 1 << 20;
}  // namespace

std::optional<NoticeText> contentMismatch(const platform::FolderHandle& folder, const ResultRow& row) {
  const auto unreadable = [](const std::error_code& error) {
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it cannot be read again: %1"), error);
  };
  const std::string name(row.name());
  platform::FileReader reader;
  if (const std::error_code error = reader.openIn(folder, name)) return unreadable(error);
  if (!sameFile(row.identity, reader.status())) return NoticeText::of(kChangedSinceSearch);
  // A file that fits one read has nothing to be read ahead: the hint would be a call per file.
  if (row.size >= kBlockBytes) reader.adviseSequential();
  std::vector<unsigned char> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(kBlockBytes, row.size + 1)));
  ContentHasher hasher;
  std::uint64_t total = 0;
  for (;;) {
    const platform::ReadResult got = reader.readAt(total, buffer.data(), buffer.size());
    if (got.error) return unreadable(got.error);
    if (got.bytes == 0) break;
    hasher.update(buffer.data(), got.bytes);
    total += got.bytes;
    if (total > row.size) break;
  }
  if (total != row.size || !(hasher.finish() == row.digest()))
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "its bytes are no longer those of its group"));
  return std::nullopt;
}

}  // namespace pelimor
