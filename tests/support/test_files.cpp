#include "support/test_files.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "platform/directory_reader.h"
#include "platform/paths.h"
#include "search/content_digest.h"
#include "search/crc32.h"

namespace pelimor::testing {

namespace fs = std::filesystem;

TempFolder::TempFolder(const std::string& base) {
  // The system's temporary folder in the program's path form ('/' between parts on every system).
  const std::string folder =
      base.empty() ? platform::normalizedFolder(fs::temp_directory_path().generic_string()) : base;
  std::random_device random;
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    const std::string candidate = folder + "/pelimor-results-" + std::to_string(random());
    if (fs::create_directory(candidate)) path_ = candidate;
  }
  if (path_.empty()) throw std::runtime_error("no new temporary folder in " + folder);
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
  platform::FileStatus status;
  return !platform::statusOfPath(path, false, status);
}

ResultRow rowAt(std::uint32_t group, std::string path) {
  ResultRow row;
  row.group = group;
  row.path = std::move(path);
  return row;
}

ResultRow rowFor(const std::string& path, std::uint32_t group) {
  platform::FileStatus status, folder;
  if (const std::error_code error = platform::statusOfPath(path, false, status))
    throw std::system_error(error, "status of " + path);
  ResultRow row;
  row.group = group;
  row.path = path;
  row.size = status.size;
  if (const std::error_code error = platform::statusOfPath(platform::folderPartOf(path), true, folder))
    throw std::system_error(error, "status of the folder of " + path);
  if (status.kind == platform::EntryKind::Regular) {
    const std::string content = readFile(path);
    ContentHasher hasher;
    hasher.update(content.data(), content.size());
    row.setDigest(hasher.finish());
  }
  row.identity = RowIdentity{identityOf(status), platform::FolderId{folder.device, folder.inode}};
  return row;
}

void shiftModificationTime(const std::string& path, int seconds) {
  const auto time = fs::last_write_time(path);
  fs::last_write_time(path, time + std::chrono::seconds(seconds));
}

std::string setEnvironment(const char* name, const std::string& value) {
  const char* old = std::getenv(name);
  std::string previous = old ? old : "";
#ifdef _WIN32
  _putenv_s(name, value.c_str());  // an empty value removes it
#else
  if (value.empty())
    unsetenv(name);
  else
    setenv(name, value.c_str(), 1);
#endif
  return previous;
}

std::string setHomeFolder(const std::string& folder) {
  return setEnvironment(PELIMOR_ON_WINDOWS ? "USERPROFILE" : "HOME", folder);
}

void openToEveryone(const std::string& folder) { fs::permissions(folder, fs::perms::all, fs::perm_options::replace); }

}  // namespace pelimor::testing
