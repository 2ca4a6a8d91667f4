#pragma once
// What the fuzz targets share: a check that stops the run with a message libFuzzer keeps as a
// crash, and a private folder for the readers that take their input from a file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "settings/settings_test_support.h"

#define FUZZ_CHECK(condition)                                                        \
  do {                                                                               \
    if (!(condition)) pelimor::fuzzing::checkFailed(#condition, __FILE__, __LINE__); \
  } while (false)

namespace pelimor::fuzzing {

[[noreturn]] inline void checkFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  std::abort();
}

// A folder of this process's own, removed at its end. It lies in /dev/shm where that exists, so
// that the settings writers' flushes to disk cost nothing.
class FuzzFolder : public testing::TempFolder {
 public:
  FuzzFolder() : TempFolder(memoryBacked()) {}

  // Replaces the file's content with the bytes.
  void write(const std::string& name, const std::uint8_t* data, std::size_t size) const {
    testing::writeFile(path(name), std::string(reinterpret_cast<const char*>(data), size));
  }
  std::string read(const std::string& name) const { return testing::readFile(path(name)); }

 private:
  static std::filesystem::path memoryBacked() {
    std::error_code error;
    return std::filesystem::is_directory("/dev/shm", error) ? std::filesystem::path("/dev/shm")
                                                            : std::filesystem::temp_directory_path();
  }
};

}  // namespace pelimor::fuzzing
