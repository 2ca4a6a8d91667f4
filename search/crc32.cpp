#include "search/crc32.h"

#ifdef PELIMOR_CRC32_ZLIB
#include <zlib.h>
#else
#include <isa-l/crc.h>
#endif

namespace pelimor {

std::uint32_t fastUpdateCRC32(std::uint32_t crc, const void* buffer, std::size_t count) {
  // isa-l and zlib invert on the way in and out; our running value is the raw register.
#ifdef PELIMOR_CRC32_ZLIB
  return ~static_cast<std::uint32_t>(crc32_z(~crc, static_cast<const unsigned char*>(buffer), count));
#else
  return ~crc32_gzip_refl(~crc, static_cast<const unsigned char*>(buffer), count);
#endif
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
