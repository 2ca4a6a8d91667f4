#include "results/content_check.h"

#include <algorithm>
#include <vector>

#include "platform/file_reader.h"
#include "platform/io_error_text.h"
#include "results/file_check.h"

namespace pelimor {

namespace {
constexpr std::size_t kBlockBytes = 1 << 20;
}  // namespace

std::optional<std::string> contentMismatch(const platform::FolderHandle& folder, const ResultRow& row) {
  const std::string name(row.name());
  platform::FileReader reader;
  if (const std::error_code error = reader.openIn(folder, name))
    return "it cannot be read again: " + platform::systemErrorText(error);
  if (!sameFile(row.identity, reader.status())) return std::string("it has changed since the search");
  reader.adviseSequential();
  std::vector<unsigned char> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(kBlockBytes, row.size + 1)));
  ContentHasher hasher;
  std::uint64_t total = 0;
  for (;;) {
    const platform::ReadResult got = reader.readAt(total, buffer.data(), buffer.size());
    if (got.error) return "it cannot be read again: " + platform::systemErrorText(got.error);
    if (got.bytes == 0) break;
    hasher.update(buffer.data(), got.bytes);
    total += got.bytes;
    if (total > row.size) break;
  }
  if (total != row.size || !(hasher.finish() == row.digest()))
    return std::string("its bytes are no longer those of its group");
  return std::nullopt;
}

}  // namespace pelimor
