#pragma once
// The CRC-32 as first written, a table and one byte at a time: the plain statement that
// fastUpdateCRC32 and ContentHasher are checked against. Tests and benchmarks only.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace pelimor::platform {
class FileReader;
}

namespace pelimor::testing {

using CrcTableType = std::array<std::uint32_t, 256>;

// The lookup table, built by buildReferenceCrcTable.
extern CrcTableType CrcTable;

void buildReferenceCrcTable();

// Folds `count` bytes into a running (not yet inverted) checksum, one byte at a time through
// CrcTable.
std::uint32_t referenceUpdateCrc32(std::uint32_t crc, const void* buffer, std::size_t count);

// Checksum of a whole open file. Throws std::system_error when a read fails or the file ends early.
std::uint32_t StreamCRC32(const platform::FileReader& file);

// Checksum of the file at `path` as eight upper-case hex digits. Throws std::system_error.
std::string referenceFileCrc32(const std::string& path);

}  // namespace pelimor::testing
