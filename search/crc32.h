#pragma once
// CRC-32 of IEEE 802.3 (zip, PNG): reflected polynomial 0xEDB88320, start all ones, final inversion.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace pelimor {

namespace platform {
class FileReader;
}

using CrcTableType = std::array<std::uint32_t, 256>;

// The reference lookup table, built once by BuildCRCTable.
extern CrcTableType CrcTable;

void BuildCRCTable();

// Folds `count` bytes into a running (not yet inverted) checksum, one byte at a time through
// CrcTable. The reference that the fast kernel is checked against.
std::uint32_t UpdateCRC32(std::uint32_t crc, const void* buffer, std::size_t count);

// The same fold as UpdateCRC32, by a vectorized kernel.
std::uint32_t fastUpdateCRC32(std::uint32_t crc, const void* buffer, std::size_t count);

// Checksum of a whole open file. Throws std::system_error when a read fails or the file ends early.
std::uint32_t StreamCRC32(const platform::FileReader& file);

// Checksum of the file at `path` as eight upper-case hex digits. Throws std::system_error.
std::string GetCRC32(const std::string& path);

// Eight upper-case hex digits, leading zeros kept.
std::string crc32Text(std::uint32_t crc);

}  // namespace pelimor
