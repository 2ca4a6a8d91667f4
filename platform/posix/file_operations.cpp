#include "platform/file_operations.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace pelimor::platform {

OutputFile::~OutputFile() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

int OutputFile::create(const std::string& path) {
  if (descriptor_ >= 0) ::close(descriptor_);
  descriptor_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  return descriptor_ < 0 ? errno : 0;
}

int OutputFile::createNewIn(const FolderHandle& folder, const std::string& name) {
  if (descriptor_ >= 0) ::close(descriptor_);
  descriptor_ = ::openat(folder.descriptor(), name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  return descriptor_ < 0 ? errno : 0;
}

int OutputFile::write(std::string_view bytes) { return writeFully(descriptor_, bytes); }

std::int64_t OutputFile::readAt(std::uint64_t offset, void* buffer, std::size_t length) const {
  return readFullyAt(descriptor_, offset, buffer, length);
}

int OutputFile::keepAttributesOf(const FileStatus& source) {
  // Only a privileged user can give a file away; a copy owned by whoever moves it is fine.
  [[maybe_unused]] const int ignored = ::fchown(descriptor_, source.owner, source.ownerGroup);
  const struct timespec times[2] = {{0, UTIME_OMIT}, {source.modifiedSeconds, source.modifiedNanoseconds}};
  if (::fchmod(descriptor_, source.permissions) != 0 || ::futimens(descriptor_, times) != 0) return errno;
  return 0;
}

int OutputFile::sync() { return ::fsync(descriptor_) == 0 ? 0 : errno; }

int OutputFile::status(FileStatus& status) const {
  struct stat info {};
  if (fstat(descriptor_, &info) != 0) return errno;
  status = fileStatusOf(info);
  return 0;
}

int OutputFile::close() {
  const int descriptor = descriptor_;
  descriptor_ = -1;
  return ::close(descriptor) == 0 ? 0 : errno;
}

}  // namespace pelimor::platform
