#include "search/crc32.h"

#ifdef PELIMOR_CRC32_ZLIB
#include <zlib.h>
#else
#include <isa-l/crc.h>
#endif

#include <cerrno>
#include <system_error>
#include <vector>

#include "platform/file_reader.h"

namespace pelimor {

CrcTableType CrcTable{};

void BuildCRCTable() {
  for (int n = 255; n >= 0; --n) {
    std::uint32_t v = static_cast<std::uint32_t>(n);
    for (int bit = 0; bit < 8; ++bit) v = (v & 1u) ? (v >> 1) ^ 0xEDB88320u : v >> 1;
    CrcTable[static_cast<size_t>(n)] = v;
  }
}

std::uint32_t UpdateCRC32(std::uint32_t crc, const void* buffer, std::size_t count) {
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  for (std::size_t i = 0; i < count; ++i) crc = (crc >> 8) ^ CrcTable[(crc ^ bytes[i]) & 0xFFu];
  return crc;
}

std::uint32_t fastUpdateCRC32(std::uint32_t crc, const void* buffer, std::size_t count) {
  // isa-l and zlib invert on the way in and out; our running value is the raw register.
#ifdef PELIMOR_CRC32_ZLIB
  return ~static_cast<std::uint32_t>(crc32_z(~crc, static_cast<const unsigned char*>(buffer), count));
#else
  return ~crc32_gzip_refl(~crc, static_cast<const unsigned char*>(buffer), count);
#endif
}

std::uint32_t StreamCRC32(const platform::FileReader& file) {
  constexpr std::uint64_t kBlock = 16384;
  std::uint64_t remaining = file.status().size;
  std::vector<unsigned char> buffer(static_cast<size_t>(std::min(remaining, kBlock)));
  std::uint32_t crc = 0xFFFFFFFFu;
  std::uint64_t offset = 0;
  while (remaining != 0) {
    const size_t n = static_cast<size_t>(std::min<std::uint64_t>(buffer.size(), remaining));
    const std::int64_t got = file.readAt(offset, buffer.data(), n);
    if (got < 0) throw std::system_error(static_cast<int>(-got), std::generic_category(), "read");
    if (static_cast<size_t>(got) != n) throw std::system_error(EIO, std::generic_category(), "file ended early");
    crc = fastUpdateCRC32(crc, buffer.data(), n);
    remaining -= n;
    offset += n;
  }
  return crc ^ 0xFFFFFFFFu;
}

std::string GetCRC32(const std::string& path) {
  platform::FileReader file;
  if (const int error = file.open(path); error != 0) throw std::system_error(error, std::generic_category(), path);
  return crc32Text(StreamCRC32(file));
}

std::string crc32Text(std::uint32_t crc) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text(8, '0');
  for (int i = 7; i >= 0; --i) {
    text[static_cast<size_t>(i)] = kDigits[crc & 0xFu];
    crc >>= 4;
  }
  return text;
}

}  // namespace pelimor
