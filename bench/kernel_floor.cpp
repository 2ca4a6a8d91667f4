// pelimor-bench-floor: the least any duplicate finder has to ask of the system on a tree of small
// files, and nothing else. It lists every folder, takes the status of every file, and opens, reads
// whole and closes every file that shares its size with another (one path per device and inode).
// No hashing, no grouping, no output: its time is the floor under every tool's time on the same
// tree, and the ratio of its times on two trees shows how the system itself scales.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// Kept lean, so the tool's own work stays small next to the system's: names in one text per
// walking thread, no string per file.
struct FileEntry {
  std::uint64_t size, device, inode;
  std::uint32_t folder;
  std::uint32_t nameOffset;  // into the walking thread's names
  bool linked;               // more than one name: may be met again
};

struct Found {
  std::vector<FileEntry> files;  // in walk order: the files of a folder stand together
  std::string names;             // each name ends with a 0
};

class FloorWalk {
 public:
  explicit FloorWalk(const std::string& root) {
    folders_.push_back(root);
    pending_.push_back(0);
  }

  std::vector<Found> run(unsigned threads) {
    std::vector<Found> found(threads);
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t) pool.emplace_back(&FloorWalk::work, this, std::ref(found[t]));
    work(found[0]);
    for (std::thread& thread : pool) thread.join();
    return found;
  }
  const std::string& folder(std::uint32_t index) const { return folders_[index]; }

 private:
  void work(Found& found) {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [&] { return !pending_.empty() || busy_ == 0; });
      if (pending_.empty()) break;
      const std::uint32_t index = pending_.back();
      pending_.pop_back();
      const std::string path = folders_[index];
      ++busy_;
      lock.unlock();
      std::vector<std::string> subfolders;
      list(index, path, found, subfolders);
      lock.lock();
      --busy_;
      for (std::string& subfolder : subfolders) {
        folders_.push_back(std::move(subfolder));
        pending_.push_back(static_cast<std::uint32_t>(folders_.size() - 1));
      }
      changed_.notify_all();
    }
    changed_.notify_all();
  }

  static void list(std::uint32_t index, const std::string& path, Found& found, std::vector<std::string>& subfolders) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    DIR* folder = fdopendir(descriptor);
    if (folder == nullptr) {
      ::close(descriptor);
      return;
    }
    while (const dirent* entry = readdir(folder)) {
      if (entry->d_name[0] == '.') continue;
      if (entry->d_type == DT_DIR) {
        subfolders.push_back(path + '/' + entry->d_name);
        continue;
      }
      struct stat info {};
      if (fstatat(descriptor, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode) ||
          info.st_size == 0)
        continue;
      found.files.push_back(FileEntry{static_cast<std::uint64_t>(info.st_size), info.st_dev, info.st_ino, index,
                                      static_cast<std::uint32_t>(found.names.size()), info.st_nlink > 1});
      found.names.append(entry->d_name).push_back('\0');
    }
    closedir(folder);
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> folders_;
  std::vector<std::uint32_t> pending_;
  unsigned busy_ = 0;
};

// Marks the files to read: those sharing a size with another, one per device and inode.
std::vector<std::vector<bool>> filesToRead(const std::vector<Found>& found, std::size_t& count) {
  std::unordered_map<std::uint64_t, std::uint32_t> sizes;
  for (const Found& part : found)
    for (const FileEntry& file : part.files) ++sizes[file.size];
  std::set<std::pair<std::uint64_t, std::uint64_t>> linkedSeen;
  std::vector<std::vector<bool>> chosen;
  count = 0;
  for (const Found& part : found) {
    chosen.emplace_back(part.files.size());
    for (std::size_t i = 0; i < part.files.size(); ++i) {
      const FileEntry& file = part.files[i];
      if (sizes[file.size] < 2 || (file.linked && !linkedSeen.emplace(file.device, file.inode).second)) continue;
      chosen.back()[i] = true;
      ++count;
    }
  }
  return chosen;
}

std::uint64_t readAll(const FloorWalk& walk, const std::vector<Found>& found,
                      const std::vector<std::vector<bool>>& chosen, unsigned threads) {
  // Work in runs of 16 files of one walking thread's list, in walk order.
  constexpr std::size_t kRun = 16;
  std::vector<std::pair<std::size_t, std::size_t>> runs;
  for (std::size_t part = 0; part < found.size(); ++part)
    for (std::size_t begin = 0; begin < found[part].files.size(); begin += kRun) runs.emplace_back(part, begin);
  std::atomic<std::size_t> next{0};
  std::atomic<std::uint64_t> total{0};
  const auto reader = [&] {
    std::vector<char> buffer(256 * 1024);
    std::uint32_t openFolder = UINT32_MAX;
    int folderDescriptor = -1;
    std::uint64_t bytes = 0;
    for (std::size_t run = next++; run < runs.size(); run = next++) {
      const auto [part, begin] = runs[run];
      const std::vector<FileEntry>& files = found[part].files;
      for (std::size_t i = begin; i < std::min(files.size(), begin + kRun); ++i) {
        if (!chosen[part][i]) continue;
        const FileEntry& file = files[i];
        if (file.folder != openFolder) {
          if (folderDescriptor >= 0) ::close(folderDescriptor);
          folderDescriptor = ::open(walk.folder(file.folder).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
          openFolder = file.folder;
        }
        const int descriptor =
            ::openat(folderDescriptor, found[part].names.c_str() + file.nameOffset, O_RDONLY | O_CLOEXEC | O_NOATIME);
        if (descriptor < 0) continue;
        struct stat info {};
        if (fstat(descriptor, &info) == 0) {
          for (off_t offset = 0; offset < info.st_size;) {
            const ssize_t got = pread(descriptor, buffer.data(), buffer.size(), offset);
            if (got <= 0) break;
            offset += got;
            bytes += static_cast<std::uint64_t>(got);
          }
        }
        ::close(descriptor);
      }
    }
    if (folderDescriptor >= 0) ::close(folderDescriptor);
    total += bytes;
  };
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < threads; ++t) pool.emplace_back(reader);
  reader();
  for (std::thread& thread : pool) thread.join();
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  std::string root;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--threads") == 0 && i + 1 < argc) {
      threads = static_cast<unsigned>(std::max(1, std::atoi(argv[++i])));
    } else if (argv[i][0] != '-' && root.empty()) {
      root = argv[i];
    } else {
      std::fprintf(stderr, "usage: pelimor-bench-floor [--threads N] FOLDER\n");
      return 2;
    }
  }
  if (root.empty()) {
    std::fprintf(stderr, "usage: pelimor-bench-floor [--threads N] FOLDER\n");
    return 2;
  }
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  FloorWalk walk(root);
  const std::vector<Found> found = walk.run(threads);
  const auto walked = Clock::now();
  std::size_t toRead = 0, files = 0;
  const std::vector<std::vector<bool>> chosen = filesToRead(found, toRead);
  for (const Found& part : found) files += part.files.size();
  const std::uint64_t bytes = readAll(walk, found, chosen, threads);
  const auto done = Clock::now();
  const auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
  std::fprintf(stderr, "floor: %zu files, %zu read (%llu bytes); walk %.0f ms, read %.0f ms\n", files, toRead,
               static_cast<unsigned long long>(bytes), ms(walked - start), ms(done - walked));
  return 0;
}
