#include "platform/folder_handle.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace pelimor::platform {

FolderHandle::~FolderHandle() { close(); }

int FolderHandle::open(const std::string& path) {
  close();
  descriptor_ = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  path_ = descriptor_ < 0 ? std::string() : path;
  return descriptor_ < 0 ? errno : 0;
}

void FolderHandle::close() {
  if (descriptor_ >= 0) ::close(descriptor_);
  descriptor_ = -1;
  path_.clear();
}

int FolderHandle::ownStatus(FileStatus& status) const {
  struct stat info {};
  if (fstat(descriptor_, &info) != 0) return errno;
  status = fileStatusOf(info);
  return 0;
}

int FolderHandle::statusOf(const std::string& name, FileStatus& status) const {
  struct stat info {};
  if (fstatat(descriptor_, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return errno;
  status = fileStatusOf(info);
  return 0;
}

int FolderHandle::removeFile(const std::string& name) const {
  return ::unlinkat(descriptor_, name.c_str(), 0) == 0 ? 0 : errno;
}

int FolderHandle::renameReplacing(const std::string& name, const std::string& targetName) const {
  return ::renameat(descriptor_, name.c_str(), descriptor_, targetName.c_str()) == 0 ? 0 : errno;
}

int FolderHandle::renameNoReplace(const std::string& name, const FolderHandle& target,
                                  const std::string& targetName) const {
  if (::renameat2(descriptor_, name.c_str(), target.descriptor_, targetName.c_str(), RENAME_NOREPLACE) == 0) return 0;
  const int error = errno;
  if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP) return error;
  // A file system without the no-replace flag: a hard link fails on a taken name, then the old
  // name goes (and the link with it when that fails).
  if (::linkat(descriptor_, name.c_str(), target.descriptor_, targetName.c_str(), 0) != 0)
    return errno == EPERM || errno == EOPNOTSUPP || errno == EMLINK ? EXDEV : errno;
  if (::unlinkat(descriptor_, name.c_str(), 0) != 0) {
    const int unlinkError = errno;
    ::unlinkat(target.descriptor_, targetName.c_str(), 0);
    return unlinkError;
  }
  return 0;
}

int FolderHandle::linkTo(const std::string& name, const FolderHandle& source, const std::string& sourceName) const {
  return ::linkat(source.descriptor_, sourceName.c_str(), descriptor_, name.c_str(), 0) == 0 ? 0 : errno;
}

int FolderHandle::entryNames(std::vector<std::string>& names) const {
  const int descriptor = ::openat(descriptor_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* const listing = descriptor < 0 ? nullptr : fdopendir(descriptor);
  if (!listing) {
    const int error = errno;
    if (descriptor >= 0) ::close(descriptor);
    return error;
  }
  errno = 0;
  while (const dirent* entry = readdir(listing)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  const int error = errno;
  closedir(listing);
  return error;
}

int FolderHandle::syncEntries() const {
  const int descriptor = ::openat(descriptor_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return errno;
  // EINVAL: the file system has no way to sync a folder.
  const int error = ::fsync(descriptor) == 0 || errno == EINVAL ? 0 : errno;
  ::close(descriptor);
  return error;
}

}  // namespace pelimor::platform
