#pragma once
// A file or folder a search passed over, and why; shown to the user after the search.
#include <string>

namespace pelimor {

struct SkippedFile {
  std::string path;
  std::string reason;
};

}  // namespace pelimor
