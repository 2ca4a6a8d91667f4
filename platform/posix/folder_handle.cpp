#include "platform/folder_handle.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "platform/paths.h"

namespace pelimor::platform {

namespace {
// The error of a call that returned `result`: none when it succeeded (0).
std::error_code errorOf(int result) { return result == 0 ? std::error_code() : errnoCode(errno); }

// One name inside a folder: no way up, none across.
bool isSingleName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find(kSeparator) == std::string_view::npos;
}
}  // namespace

FolderHandle::~FolderHandle() { close(); }

std::error_code FolderHandle::open(const std::string& path) {
  close();
  descriptor_ = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (descriptor_ < 0) return errnoCode(errno);
  path_ = path;
  return {};
}

std::size_t FolderHandle::rootLength(std::string_view path) {
  return !path.empty() && path.front() == kSeparator ? 1 : 0;
}

std::error_code FolderHandle::openChildNoLink(const FolderHandle& parent, const std::string& name) {
  if (!isSingleName(name)) return errnoCode(EINVAL);
  const int descriptor = ::openat(parent.descriptor_, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (descriptor < 0) {
    int error = errno;
    // The system says a link is no folder: told apart, so that the reason says what is there.
    struct stat info {};
    if (error == ENOTDIR && fstatat(parent.descriptor_, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(info.st_mode))
      error = ELOOP;
    return errnoCode(error);
  }
  // `parent` may be this very handle: its path is taken before it closes.
  std::string path = joinPath(parent.path_, name);
  close();
  descriptor_ = descriptor;
  path_ = std::move(path);
  return {};
}

void FolderHandle::close() {
  if (descriptor_ >= 0) ::close(descriptor_);
  descriptor_ = -1;
  path_.clear();
}

std::error_code FolderHandle::ownStatus(FileStatus& status) const {
  struct stat info {};
  if (fstat(descriptor_, &info) != 0) return errnoCode(errno);
  status = fileStatusOf(info);
  return {};
}

std::error_code FolderHandle::statusOf(const std::string& name, FileStatus& status) const {
  struct stat info {};
  if (fstatat(descriptor_, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return errnoCode(errno);
  status = fileStatusOf(info);
  return {};
}

std::error_code FolderHandle::makeChildFolder(const std::string& name) const {
  if (!isSingleName(name)) return errnoCode(EINVAL);
  return errorOf(::mkdirat(descriptor_, name.c_str(), 0777));
}

std::error_code FolderHandle::removeFile(const std::string& name) const {
  return errorOf(::unlinkat(descriptor_, name.c_str(), 0));
}

std::error_code FolderHandle::removeEmptyFolder(const std::string& name) const {
  return errorOf(::unlinkat(descriptor_, name.c_str(), AT_REMOVEDIR));
}

std::error_code FolderHandle::renameReplacing(const std::string& name, const std::string& targetName) const {
  return errorOf(::renameat(descriptor_, name.c_str(), descriptor_, targetName.c_str()));
}

std::error_code FolderHandle::renameNoReplace(const std::string& name, const FolderHandle& target,
                                              const std::string& targetName) const {
  if (::renameat2(descriptor_, name.c_str(), target.descriptor_, targetName.c_str(), RENAME_NOREPLACE) == 0) return {};
  const int error = errno;
  if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP) return errnoCode(error);
  // A file system without the no-replace flag: a hard link fails on a taken name, then the old
  // name goes (and the link with it when that fails).
  if (::linkat(descriptor_, name.c_str(), target.descriptor_, targetName.c_str(), 0) != 0)
    return errnoCode(errno == EPERM || errno == EOPNOTSUPP || errno == EMLINK ? EXDEV : errno);
  if (::unlinkat(descriptor_, name.c_str(), 0) != 0) {
    const int unlinkError = errno;
    ::unlinkat(target.descriptor_, targetName.c_str(), 0);
    return errnoCode(unlinkError);
  }
  return {};
}

std::error_code FolderHandle::linkTo(const std::string& name, const FolderHandle& source,
                                     const std::string& sourceName) const {
  return errorOf(::linkat(source.descriptor_, sourceName.c_str(), descriptor_, name.c_str(), 0));
}

std::error_code FolderHandle::entryNames(std::vector<std::string>& names) const {
  const int descriptor = ::openat(descriptor_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* const listing = descriptor < 0 ? nullptr : fdopendir(descriptor);
  if (!listing) {
    const int error = errno;
    if (descriptor >= 0) ::close(descriptor);
    return errnoCode(error);
  }
  errno = 0;
  while (const dirent* entry = readdir(listing)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  const int error = errno;
  closedir(listing);
  return errnoCode(error);
}

std::error_code FolderHandle::syncEntries() const {
  const int descriptor = ::openat(descriptor_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return errnoCode(errno);
  // EINVAL: the file system has no way to sync a folder.
  const int error = ::fsync(descriptor) == 0 || errno == EINVAL ? 0 : errno;
  ::close(descriptor);
  return errnoCode(error);
}

}  // namespace pelimor::platform
