#pragma once
// What the fuzz targets share: a check that stops the run with a message libFuzzer keeps as a
// crash, and a private folder for the readers that take their input from a file.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#define FUZZ_CHECK(condition)                                                        \
  do {                                                                               \
    if (!(condition)) pelimor::fuzzing::checkFailed(#condition, __FILE__, __LINE__); \
  } while (false)

namespace pelimor::fuzzing {

[[noreturn]] inline void checkFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  std::abort();
}

// A folder of this process's own, created on first use and removed at its end. It lies in
// /dev/shm where that exists, so that the settings writers' flushes to disk cost nothing.
class FuzzFolder {
 public:
  FuzzFolder() {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    std::string pattern = (base / "pelimor-fuzz-XXXXXX").string();
    FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
    root_ = pattern;
  }
  ~FuzzFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  FuzzFolder(const FuzzFolder&) = delete;
  FuzzFolder& operator=(const FuzzFolder&) = delete;

  // With a trailing '/', as the program gives its data folder.
  std::string folder() const { return root_ + "/"; }
  std::string path(const std::string& name) const { return root_ + "/" + name; }

  // Replaces the file's content with the bytes.
  void write(const std::string& name, const std::uint8_t* data, std::size_t size) const {
    const int descriptor = ::open(path(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    FUZZ_CHECK(descriptor >= 0);
    while (size > 0) {
      const ssize_t count = ::write(descriptor, data, size);
      FUZZ_CHECK(count > 0);
      data += count;
      size -= static_cast<std::size_t>(count);
    }
    FUZZ_CHECK(::close(descriptor) == 0);
  }

  std::string read(const std::string& name) const {
    const int descriptor = ::open(path(name).c_str(), O_RDONLY | O_CLOEXEC);
    FUZZ_CHECK(descriptor >= 0);
    std::string bytes;
    char buffer[4096];
    for (ssize_t count; (count = ::read(descriptor, buffer, sizeof buffer)) != 0;) {
      FUZZ_CHECK(count > 0);
      bytes.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(descriptor);
    return bytes;
  }

  // Every name in the folder, to see that no temporary file stays behind.
  std::vector<std::string> names() const {
    std::vector<std::string> result;
    for (const auto& entry : std::filesystem::directory_iterator(root_))
      result.push_back(entry.path().filename().string());
    return result;
  }

 private:
  std::string root_;
};

}  // namespace pelimor::fuzzing
