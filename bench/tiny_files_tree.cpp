#include "bench/tiny_files_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <system_error>

#include "bench/in_parallel.h"

namespace pelimor::bench {

namespace {

constexpr std::uint64_t kFoldersPerParent = 100;
constexpr std::uint64_t kCopyEvery = 20;

// What file `number` holds: its number as text, or every twentieth the number of the one before.
std::string contentOf(std::uint64_t number) {
  return std::to_string(number % kCopyEvery == 0 && number > 0 ? number - 1 : number);
}

[[noreturn]] void fail(const std::string& what) { throw std::system_error(errno, std::generic_category(), what); }

void makeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) fail("mkdir " + path);
}

// One folder's files, each created relative to the open folder: no path is looked up twice.
void writeFolder(const std::string& root, std::uint64_t folder) {
  char parent[32], own[32];
  std::snprintf(parent, sizeof parent, "/d%03llu", static_cast<unsigned long long>(folder / kFoldersPerParent));
  std::snprintf(own, sizeof own, "/f%05llu", static_cast<unsigned long long>(folder));
  const std::string path = root + parent + own;
  makeFolder(path);
  const int at = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (at < 0) fail("open " + path);
  for (std::uint64_t k = 0; k < kTinyFilesPerFolder; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "n%llu.txt", static_cast<unsigned long long>(k));
    const std::string content = contentOf(folder * kTinyFilesPerFolder + k);
    const int fd = ::openat(at, name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) fail("create " + path + "/" + name);
    if (::write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size()))
      fail("write " + path + "/" + name);
    ::close(fd);
  }
  ::close(at);
}

}  // namespace

std::uint64_t tinyFilesFolders(const std::string& preset) {
  if (preset == "ten-million") return 10'000;
  if (preset == "tiny-million") return 1'000;
  return 0;
}

TreeSummary planTinyFilesTree(const std::string& preset, std::uint64_t seed) {
  TreeSummary summary;
  summary.preset = preset;
  summary.seed = seed;
  const std::uint64_t folders = tinyFilesFolders(preset);
  summary.files = folders * kTinyFilesPerFolder;
  summary.folders = 1 + (folders + kFoldersPerParent - 1) / kFoldersPerParent + folders;
  for (std::uint64_t number = 0; number < summary.files; ++number) {
    const std::uint64_t size = contentOf(number).size();
    summary.dataBytes += size;
    summary.largestFile = std::max(summary.largestFile, size);
  }
  summary.apparentBytes = summary.dataBytes;
  summary.exactCopies = (summary.files - 1) / kCopyEvery;
  return summary;
}

TreeSummary generateTinyFilesTree(const std::string& preset, std::uint64_t seed, const std::string& root, unsigned jobs,
                                  const std::function<void(double)>& progress) {
  const std::uint64_t folders = tinyFilesFolders(preset);
  if (folders == 0) throw std::invalid_argument("not a tiny-files preset: " + preset);
  std::error_code error;
  if (std::filesystem::exists(root, error)) throw std::runtime_error(root + " exists already");
  std::filesystem::create_directories(root, error);
  if (error) throw std::system_error(error, "mkdir " + root);
  for (std::uint64_t parent = 0; parent * kFoldersPerParent < folders; ++parent) {
    char name[32];
    std::snprintf(name, sizeof name, "/d%03llu", static_cast<unsigned long long>(parent));
    makeFolder(root + name);
  }
  std::atomic<std::uint64_t> done{0};
  std::mutex progressMutex;
  inParallel(folders, jobs, [&](std::size_t folder) {
    writeFolder(root, folder);
    if (progress && done.fetch_add(1) % 100 == 99) {
      std::lock_guard lock(progressMutex);
      progress(static_cast<double>(done.load()) / static_cast<double>(folders));
    }
  });
  if (progress) progress(1.0);
  return planTinyFilesTree(preset, seed);
}

}  // namespace pelimor::bench
