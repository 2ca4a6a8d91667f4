#pragma once
// A file in a folder the user asked about that has no identical file anywhere else in the search.
#include <cstdint>
#include <string>

namespace pelimor {

struct UniqueFile {
  std::string path;
  std::uint64_t size = 0;
};

}  // namespace pelimor
