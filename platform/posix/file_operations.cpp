#include "platform/file_operations.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace pelimor::platform {

namespace {
bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// True when `name` in `folder` is still the open file `descriptor`.
bool nameLeadsTo(const FolderHandle& folder, const std::string& name, int descriptor) {
  struct stat opened {
  }, named{};
  return fstat(descriptor, &opened) == 0 &&
         fstatat(folder.descriptor(), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(opened, named);
}

// Opens a regular file only: a device or a pipe under that name is never opened. -1 and errno otherwise.
int openRegularFile(const FolderHandle& folder, const std::string& name) {
  struct stat named {};
  if (fstatat(folder.descriptor(), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0) return -1;
  if (!S_ISREG(named.st_mode)) {
    errno = EINVAL;
    return -1;
  }
  constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  int descriptor = ::openat(folder.descriptor(), name.c_str(), O_RDONLY | kFlags);
  // A copy of a file nobody may read keeps its mode: writing is enough for the lock.
  if (descriptor < 0 && errno == EACCES) descriptor = ::openat(folder.descriptor(), name.c_str(), O_WRONLY | kFlags);
  return descriptor;
}
}  // namespace

OutputFile::~OutputFile() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

std::error_code OutputFile::create(const std::string& path) {
  if (descriptor_ >= 0) ::close(descriptor_);
  descriptor_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  return errnoCode(descriptor_ < 0 ? errno : 0);
}

std::error_code OutputFile::openForAppending(const std::string& path) {
  if (descriptor_ >= 0) ::close(descriptor_);
  descriptor_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (descriptor_ < 0) return errnoCode(errno);
  // Made by someone or something else with wider rights: ours is private.
  ::fchmod(descriptor_, 0600);
  return {};
}

std::error_code OutputFile::createNewIn(const FolderHandle& folder, const std::string& name) {
  if (descriptor_ >= 0) ::close(descriptor_);
  descriptor_ = ::openat(folder.descriptor(), name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  return errnoCode(descriptor_ < 0 ? errno : 0);
}

std::error_code OutputFile::createLockedIn(const FolderHandle& folder, const std::string& name) {
  if (const std::error_code error = createNewIn(folder, name)) return error;
  // Until it is locked the new file looks left behind and may be removed; then the name no longer
  // leads to it. A file system without locks leaves the copy unlocked, and nobody can remove it.
  const bool heldElsewhere = ::flock(descriptor_, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  if (heldElsewhere || !nameLeadsTo(folder, name, descriptor_)) {
    close();
    return errnoCode(EEXIST);
  }
  return {};
}

std::error_code OutputFile::write(std::string_view bytes) { return writeFully(descriptor_, bytes); }

ReadResult OutputFile::readAt(std::uint64_t offset, void* buffer, std::size_t length) const {
  return readFullyAt(descriptor_, offset, buffer, length);
}

std::error_code OutputFile::keepAttributesOf(const FileStatus& source) {
  // Only a privileged user can give a file away; a copy owned by whoever moves it is fine.
  [[maybe_unused]] const int ignored = ::fchown(descriptor_, source.owner, source.ownerGroup);
  const struct timespec times[2] = {{0, UTIME_OMIT}, {source.modifiedSeconds, source.modifiedNanoseconds}};
  if (::fchmod(descriptor_, source.permissions) != 0 || ::futimens(descriptor_, times) != 0) return errnoCode(errno);
  return {};
}

std::error_code OutputFile::sync() { return errnoCode(::fsync(descriptor_) == 0 ? 0 : errno); }

std::error_code OutputFile::status(FileStatus& status) const {
  struct stat info {};
  if (fstat(descriptor_, &info) != 0) return errnoCode(errno);
  status = fileStatusOf(info);
  return {};
}

std::error_code OutputFile::close() {
  const int descriptor = descriptor_;
  descriptor_ = -1;
  return errnoCode(::close(descriptor) == 0 ? 0 : errno);
}

std::error_code removeUnlockedFile(const FolderHandle& folder, const std::string& name) {
  const int descriptor = openRegularFile(folder, name);
  if (descriptor < 0) return errnoCode(errno);
  int error = 0;
  if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0)
    error = errno == EWOULDBLOCK ? EBUSY : errno;
  else if (!nameLeadsTo(folder, name, descriptor))
    error = ENOENT;
  else if (::unlinkat(folder.descriptor(), name.c_str(), 0) != 0)
    error = errno;
  ::close(descriptor);
  return errnoCode(error);
}

}  // namespace pelimor::platform
