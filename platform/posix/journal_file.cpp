#include "platform/journal_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/descriptor_io.h"

namespace pelimor::platform {

namespace {
// 0 for a regular file, else why it is no journal.
int notRegularReason(int descriptor) {
  struct stat info {};
  if (fstat(descriptor, &info) != 0) return errno;
  if (S_ISREG(info.st_mode)) return 0;
  return S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
}
}  // namespace

std::error_code JournalFile::open(const std::string& path, bool create) {
  close();
  // O_NONBLOCK only for the open: a pipe would hold it for ever.
  const int flags = O_RDWR | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (create ? O_CREAT : 0);
  const int descriptor = ::open(path.c_str(), flags, 0600);
  if (descriptor < 0) return errnoCode(errno);
  int error = notRegularReason(descriptor);
  if (error == 0 && ::fcntl(descriptor, F_SETFL, O_APPEND) != 0) error = errno;
  if (error != 0) {
    ::close(descriptor);
    return errnoCode(error);
  }
  // Made by someone or something else with wider rights: ours is private.
  ::fchmod(descriptor, 0600);
  handle_ = descriptor;
  return {};
}

void JournalFile::close() {
  if (handle_ >= 0) ::close(handle_);
  handle_ = kNoHandle;
}

std::error_code JournalFile::tryLock() {
  // flock, not fcntl: two opens in one process exclude each other too.
  while (::flock(handle_, LOCK_EX | LOCK_NB) != 0)
    if (errno != EINTR) return errnoCode(errno == EAGAIN ? EWOULDBLOCK : errno);
  return {};
}

void JournalFile::unlock() { ::flock(handle_, LOCK_UN); }

bool JournalFile::stillAt(const std::string& path) const {
  struct stat opened {
  }, named{};
  return fstat(handle_, &opened) == 0 && lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
         opened.st_ino == named.st_ino;
}

std::error_code JournalFile::size(std::uint64_t& size) const {
  struct stat info {};
  if (fstat(handle_, &info) != 0) return errnoCode(errno);
  size = static_cast<std::uint64_t>(info.st_size);
  return {};
}

ReadResult JournalFile::readAt(std::uint64_t offset, void* buffer, std::size_t length) const {
  return readFullyAt(handle_, offset, buffer, length);
}

std::error_code JournalFile::append(std::string_view bytes) { return writeFully(handle_, bytes); }

}  // namespace pelimor::platform
