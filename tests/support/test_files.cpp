#include "support/test_files.h"

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "platform/paths.h"
#include "search/crc32.h"

namespace pelimor::testing {

namespace fs = std::filesystem;

TempFolder::TempFolder(const std::string& base) {
  std::string pattern = base + "/pelimor-results-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::system_error(errno, std::generic_category(), "mkdtemp " + base);
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  // Folders a test made read-only must be writable again before their contents can go.
  for (auto it = fs::recursive_directory_iterator(path_, ignored); it != fs::recursive_directory_iterator();
       it.increment(ignored)) {
    if (it->is_directory(ignored) && !it->is_symlink(ignored))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

std::string TempFolder::operator/(const std::string& relative) const { return path_ + "/" + relative; }

void writeFile(const std::string& path, const std::string& content) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

ResultRow rowAt(std::uint32_t group, std::string path) {
  ResultRow row;
  row.group = group;
  row.path = std::move(path);
  return row;
}

ResultRow rowFor(const std::string& path, std::uint32_t group) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) throw std::system_error(errno, std::generic_category(), "lstat " + path);
  ResultRow row;
  row.group = group;
  row.path = path;
  row.size = static_cast<std::uint64_t>(info.st_size);
  struct stat folder {};
  if (stat(platform::folderPartOf(path).c_str(), &folder) != 0)
    throw std::system_error(errno, std::generic_category(), "stat folder of " + path);
  const platform::FileStatus status = platform::fileStatusOf(info);
  if (S_ISREG(info.st_mode)) {
    const std::string content = readFile(path);
    row.crc32 = fastUpdateCRC32(0xFFFFFFFFu, content.data(), content.size()) ^ 0xFFFFFFFFu;
  }
  row.identity = FileIdentity{status.device, status.inode, status.modifiedTime(), status.changedTime(),
                              platform::FolderId{folder.st_dev, folder.st_ino}};
  return row;
}

void shiftModificationTime(const std::string& path, int seconds) {
  const auto time = fs::last_write_time(path);
  fs::last_write_time(path, time + std::chrono::seconds(seconds));
}

void openToEveryone(const std::string& folder) { fs::permissions(folder, fs::perms::all, fs::perm_options::replace); }

}  // namespace pelimor::testing
