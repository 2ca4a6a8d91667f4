#pragma once
// Real files in a temporary folder, byte images, and the process limits that make file
// operations fail on demand (they work as root too, where permission bits don't). Windows has no
// such limits: the tests that need them are skipped there (posix_only.h).
#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace pelimor::testing {

class TempFolder {
 public:
  explicit TempFolder(const std::filesystem::path& base = std::filesystem::temp_directory_path()) {
    std::random_device random;
    for (int attempt = 0; attempt < 100 && root_.empty(); ++attempt) {
      const std::filesystem::path candidate = base / ("pelimor-settings-" + std::to_string(random()));
      if (std::filesystem::create_directory(candidate)) root_ = candidate.generic_string();
    }
    if (root_.empty()) throw std::runtime_error("no new temporary folder");
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // With a trailing '/', as the data folder is given.
  std::string folder() const { return root_ + "/"; }
  std::string path(const std::string& name) const { return root_ + "/" + name; }
  // Names in the folder, to see that no temporary file stays behind.
  std::vector<std::string> names() const {
    std::vector<std::string> result;
    for (const auto& entry : std::filesystem::directory_iterator(root_))
      result.push_back(entry.path().filename().string());
    return result;
  }

 private:
  std::string root_;
};

inline std::string bytesOf(std::initializer_list<int> values) {
  std::string result;
  for (int value : values) result.push_back(static_cast<char>(value));
  return result;
}

inline void writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void putInt32(std::string& image, std::size_t offset, std::int32_t value) {
  auto bits = static_cast<std::uint32_t>(value);
  for (std::size_t i = 0; i < 4; ++i, bits >>= 8) image[offset + i] = static_cast<char>(bits & 0xFFu);
}

inline std::int32_t int32In(const std::string& image, std::size_t offset) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i)
    value = (value << 8) | static_cast<unsigned char>(image[offset + static_cast<std::size_t>(i)]);
  return static_cast<std::int32_t>(value);
}

#ifdef _WIN32
inline int descriptorsOpenOn(const std::string&) { return 0; }
class NoFreeDescriptors {
 public:
  NoFreeDescriptors() {}
};
class FileSizeLimit {
 public:
  explicit FileSizeLimit(std::uint64_t) {}
};
#else
// How many descriptors of this process are open on the file.
inline int descriptorsOpenOn(const std::string& path) {
  const std::string wanted = std::filesystem::canonical(path).string();
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const auto target = std::filesystem::read_symlink(entry.path(), error);
    if (!error && target.string() == wanted) ++count;
  }
  return count;
}

// No further file can be opened while this lives (every open fails with EMFILE).
class NoFreeDescriptors {
 public:
  NoFreeDescriptors() {
    getrlimit(RLIMIT_NOFILE, &saved_);
    const int lowestFree = dup(0);
    ::close(lowestFree);
    rlimit limit = saved_;
    limit.rlim_cur = static_cast<rlim_t>(lowestFree);
    setrlimit(RLIMIT_NOFILE, &limit);
  }
  ~NoFreeDescriptors() { setrlimit(RLIMIT_NOFILE, &saved_); }

 private:
  rlimit saved_{};
};

// Files can't grow beyond `bytes` while this lives (writes past it fail with EFBIG).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit saved_{};
  void (*previousHandler_)(int) = nullptr;
};
#endif

}  // namespace pelimor::testing
