#include "platform/folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/paths.h"

namespace pelimor::platform {

namespace {
std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string withTrailingSeparator(std::string folder) {
  if (folder.empty() || folder.back() != kSeparator) folder.push_back(kSeparator);
  return folder;
}
}  // namespace

std::string homeFolder() {
  std::string home = environment("HOME");
  if (home.empty()) {
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) home = entry->pw_dir;
  }
  return home.empty() ? std::string("/") : normalizedFolder(home);
}

std::string defaultSourceFolder() { return homeFolder(); }

namespace {
// Our folder in the base folder an XDG variable names; a relative or empty value counts as unset.
std::string xdgFolder(const char* variable, const char* fallbackInHome) {
  std::string base = environment(variable);
  if (base.empty() || base.front() != kSeparator) base = joinPath(homeFolder(), fallbackInHome);
  return withTrailingSeparator(joinPath(normalizedFolder(base), "Pelimor"));
}
}  // namespace

std::string dataFolder() { return xdgFolder("XDG_CONFIG_HOME", ".config"); }

std::string cacheFolder() { return xdgFolder("XDG_CACHE_HOME", ".cache"); }

std::string actionLogFolder() { return xdgFolder("XDG_DATA_HOME", ".local/share"); }

std::string removedFilesFolder() { return joinPath(homeFolder(), "Pelimor - Removed files"); }

std::string programFolder() {
  std::string buffer(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0) return "./";
  buffer.resize(static_cast<size_t>(length));
  return withTrailingSeparator(folderPartOf(buffer));
}

std::string programDataFolder() {
  const std::string program = programFolder();
  const std::string installed =
      withTrailingSeparator(joinPath(folderPartOf(normalizedFolder(program)), "share/pelimor"));
  struct stat info {};
  return stat((installed + "Help.html").c_str(), &info) == 0 ? installed : program;
}

std::string runtimeFolder() {
  const std::string runtime = environment("XDG_RUNTIME_DIR");
  struct stat info {};
  if (!runtime.empty() && runtime.front() == kSeparator && stat(runtime.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
    return normalizedFolder(runtime);
  std::string own = "/tmp/pelimor-" + std::to_string(getuid());
  mkdir(own.c_str(), 0700);
  // Someone else's folder of that name must not be trusted with our socket.
  if (lstat(own.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid()) return homeFolder();
  chmod(own.c_str(), 0700);
  return own;
}

std::error_code createFolderWithParents(const std::string& folder) {
  if (folder.empty()) return errnoCode(ENOENT);
  std::string partial;
  size_t position = 0;
  while (position <= folder.size()) {
    size_t next = folder.find(kSeparator, position);
    if (next == std::string::npos) next = folder.size();
    partial = folder.substr(0, next);
    if (!partial.empty() && mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) return errnoCode(errno);
    position = next + 1;
  }
  struct stat info {};
  if (stat(folder.c_str(), &info) != 0) return errnoCode(errno);
  return S_ISDIR(info.st_mode) ? std::error_code() : errnoCode(ENOTDIR);
}

std::error_code createPrivateFolder(const std::string& folder) {
  const std::string trimmed = normalizedFolder(folder);
  if (const std::error_code error = createFolderWithParents(folderPartOf(trimmed))) return error;
  if (mkdir(trimmed.c_str(), 0700) != 0 && errno != EEXIST) return errnoCode(errno);
  struct stat info {};
  if (lstat(trimmed.c_str(), &info) != 0) return errnoCode(errno);
  if (!S_ISDIR(info.st_mode)) return errnoCode(ENOTDIR);
  if (info.st_uid != getuid()) return errnoCode(EPERM);  // someone else's folder is no place for our files
  if ((info.st_mode & 0777) != 0700 && chmod(trimmed.c_str(), 0700) != 0) return errnoCode(errno);
  return {};
}

std::vector<std::string> systemTrees() {
  return {"/proc", "/sys",   "/dev",   "/run",    "/boot", "/usr", "/bin",  "/sbin",
          "/lib",  "/lib32", "/lib64", "/libx32", "/etc",  "/opt", "/snap", "/var"};
}

std::vector<std::string> foldersNeverSearched() {
  std::vector<std::string> folders = systemTrees();
  folders.push_back(removedFilesFolder());
  return folders;
}

std::vector<std::string> excludedPathFragments() { return {"Program Files"}; }

}  // namespace pelimor::platform
