#pragma once
// Pictures whose header claims far more pixels than their few bytes hold, as a hostile file does:
// a small real picture with its size in the header rewritten. Shared by the tests and bench/;
// plain bytes, no libvips.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "search/crc32.h"

namespace pelimor::testing {

inline void putBigEndian(std::string& bytes, std::size_t at, std::uint32_t value, int count) {
  for (int i = 0; i < count; ++i) bytes[at + i] = static_cast<char>((value >> (8 * (count - 1 - i))) & 0xFF);
}

// The JPEG with the size in its frame header (SOF0 baseline, SOF2 progressive) rewritten.
inline std::string jpegClaiming(std::string jpeg, std::uint16_t width, std::uint16_t height) {
  for (std::size_t at = 2; at + 9 < jpeg.size();) {
    const auto marker = static_cast<unsigned char>(jpeg[at + 1]);
    const std::size_t length = static_cast<std::size_t>(static_cast<unsigned char>(jpeg[at + 2])) << 8 |
                               static_cast<unsigned char>(jpeg[at + 3]);
    if (marker == 0xC0 || marker == 0xC2) {
      putBigEndian(jpeg, at + 5, height, 2);
      putBigEndian(jpeg, at + 7, width, 2);
      return jpeg;
    }
    at += 2 + length;
  }
  throw std::runtime_error("no frame header in the JPEG");
}

// The PNG with the size in its IHDR chunk rewritten, and the chunk's CRC made right again.
inline std::string pngClaiming(std::string png, std::uint32_t width, std::uint32_t height) {
  constexpr std::size_t kIhdr = 8;  // after the signature: length, "IHDR", width, height, ...
  if (png.size() < kIhdr + 25 || png.compare(kIhdr + 4, 4, "IHDR") != 0) throw std::runtime_error("no IHDR");
  putBigEndian(png, kIhdr + 8, width, 4);
  putBigEndian(png, kIhdr + 12, height, 4);
  const std::uint32_t crc = ~fastUpdateCRC32(~std::uint32_t{0}, png.data() + kIhdr + 4, 17);
  putBigEndian(png, kIhdr + 21, crc, 4);
  return png;
}

}  // namespace pelimor::testing
