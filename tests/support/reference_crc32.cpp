#include "support/reference_crc32.h"

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <vector>

#include "platform/file_reader.h"
#include "search/crc32.h"

namespace pelimor::testing {

CrcTableType CrcTable{};

void buildReferenceCrcTable() {
  for (int n = 255; n >= 0; --n) {
    std::uint32_t v = static_cast<std::uint32_t>(n);
    for (int bit = 0; bit < 8; ++bit) v = (v & 1u) ? (v >> 1) ^ 0xEDB88320u : v >> 1;
    CrcTable[static_cast<size_t>(n)] = v;
  }
}

std::uint32_t referenceUpdateCrc32(std::uint32_t crc, const void* buffer, std::size_t count) {
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  for (std::size_t i = 0; i < count; ++i) crc = (crc >> 8) ^ CrcTable[(crc ^ bytes[i]) & 0xFFu];
  return crc;
}

std::uint32_t StreamCRC32(const platform::FileReader& file) {
  constexpr std::uint64_t kBlock = 16384;
  std::uint64_t remaining = file.status().size;
  std::vector<unsigned char> buffer(static_cast<size_t>(std::min(remaining, kBlock)));
  std::uint32_t crc = 0xFFFFFFFFu;
  std::uint64_t offset = 0;
  while (remaining != 0) {
    const size_t n = static_cast<size_t>(std::min<std::uint64_t>(buffer.size(), remaining));
    const platform::ReadResult got = file.readAt(offset, buffer.data(), n);
    if (got.error) throw std::system_error(got.error, "read");
    if (got.bytes != n) throw std::system_error(EIO, std::generic_category(), "file ended early");
    crc = fastUpdateCRC32(crc, buffer.data(), n);
    remaining -= n;
    offset += n;
  }
  return crc ^ 0xFFFFFFFFu;
}

std::string referenceFileCrc32(const std::string& path) {
  platform::FileReader file;
  if (const std::error_code error = file.open(path)) throw std::system_error(error, path);
  return crc32Text(StreamCRC32(file));
}

}  // namespace pelimor::testing
