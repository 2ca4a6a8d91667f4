#pragma once
// CRC-32 of IEEE 802.3 (zip, PNG): reflected polynomial 0xEDB88320, start all ones, final inversion.
#include <cstddef>
#include <cstdint>
#include <string>

namespace pelimor {

// Folds `count` bytes into a running (not yet inverted) checksum, by a vectorized kernel.
std::uint32_t fastUpdateCRC32(std::uint32_t crc, const void* buffer, std::size_t count);

// Eight upper-case hex digits, leading zeros kept.
std::string crc32Text(std::uint32_t crc);

}  // namespace pelimor
