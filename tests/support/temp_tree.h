#pragma once
// A temporary folder tree for tests on real files; removed with everything in it when it goes.
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "support/test_files.h"

namespace pelimor::testing {

// Builds files, links and folders in a TempFolder (see test_files.h), which removes them at the end.
class TempTree {
 public:
  TempTree() : root_(folder_.path()) {}
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const std::string& root() const { return root_; }
  std::string path(const std::string& relative) const { return root_ + "/" + relative; }

  // Writes `content` to a file, creating the folders on the way; returns its full path.
  std::string file(const std::string& relative, const std::string& content) const {
    const std::string full = path(relative);
    std::filesystem::create_directories(std::filesystem::path(full).parent_path());
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) throw std::runtime_error("cannot write " + full);
    return full;
  }
  // A file of `size` bytes filled from `seed`, so equal seeds and sizes give equal content.
  std::string patternFile(const std::string& relative, size_t size, unsigned seed) const {
    return file(relative, patternBytes(size, seed));
  }
  std::string folder(const std::string& relative) const {
    const std::string full = path(relative);
    std::filesystem::create_directories(full);
    return full;
  }
  void symlink(const std::string& target, const std::string& relativeLink) const {
    std::filesystem::create_directories(std::filesystem::path(path(relativeLink)).parent_path());
    makeSymlink(target, path(relativeLink));
  }
  void hardLink(const std::string& relativeTarget, const std::string& relativeLink) const {
    std::filesystem::create_directories(std::filesystem::path(path(relativeLink)).parent_path());
    std::filesystem::create_hard_link(path(relativeTarget), path(relativeLink));
  }

  static std::string patternBytes(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    std::uint32_t state = seed * 2654435761u + 12345u;
    for (char& c : bytes) {
      state = state * 1664525u + 1013904223u;
      c = static_cast<char>(state >> 24);
    }
    return bytes;
  }

 private:
  TempFolder folder_;
  std::string root_;
};

}  // namespace pelimor::testing
