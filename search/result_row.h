#pragma once
// One row of the result list: a file that has at least one identical copy elsewhere.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/paths.h"

namespace pelimor {

struct ResultRow {
  std::uint32_t group = 0;   // "#": 1, 2, 3 ... from the top after a search
  std::string path;          // "Path": the full path
  std::uint64_t size = 0;    // "Size" in bytes
  std::uint32_t crc32 = 0;   // "CRC32"
  // When the search saw the file; lets an action check that it still is the same file.
  std::int64_t modifiedNanoseconds = 0;

  // "Name": everything after the last separator.
  std::string_view name() const { return platform::fileNameOf(path); }
};

}  // namespace pelimor
