#include "platform/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>

#include "platform/descriptor_io.h"
#include "platform/paths.h"

namespace pelimor::platform {

namespace {

int closeDescriptor(int& descriptor) {
  int error = 0;
  if (descriptor >= 0 && ::close(descriptor) != 0 && errno != EINTR) error = errno;
  descriptor = -1;
  return error;
}

// A link is followed so that a settings file kept elsewhere (a dotfiles folder) stays a link.
std::string resolvedTarget(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;
  std::string target(resolved);
  std::free(resolved);
  return target;
}

}  // namespace

bool settingsFileExists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

InputFile::~InputFile() { close(); }

std::error_code InputFile::open(const std::string& path, Access access) {
  close();
  // Non-blocking, so a pipe put in a settings file's place can't hold up the start.
  const int flags = (access == Access::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NONBLOCK;
  descriptor_ = ::open(path.c_str(), flags);
  if (descriptor_ < 0) return errnoCode(errno);
  struct stat info {};
  const int error = fstat(descriptor_, &info) != 0 ? errno : 0;
  return errnoCode(acceptOpened(error, fileStatusOf(info), access));
}

void InputFile::close() { closeDescriptor(descriptor_); }

ReplacingFile::ReplacingFile(std::string path) : path_(std::move(path)), target_(resolvedTarget(path_)) {}

ReplacingFile::~ReplacingFile() { discard(); }

std::error_code ReplacingFile::create() {
  discard();
  mode_t mode = 0666;  // narrowed by the umask, as for any new file
  struct stat info {};
  if (stat(target_.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return errnoCode(EISDIR);
    if (S_ISREG(info.st_mode)) {
      if (fileStatusOf(info).markedReadOnly() || faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0)
        return errnoCode(EACCES);
      mode = info.st_mode & 07777;
    }
  }
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = target_ + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    descriptor_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor_ >= 0) {
      temporary_ = std::move(name);
      // The replacement keeps the permissions the user gave the old file.
      if (S_ISREG(info.st_mode)) fchmod(descriptor_, mode);
      return {};
    }
    if (errno != EEXIST) return errnoCode(errno);
  }
  return errnoCode(EEXIST);
}

std::error_code ReplacingFile::write(const void* data, std::size_t length) {
  if (descriptor_ < 0) return errnoCode(EBADF);
  // A write that makes no progress counts as a full disk.
  const std::error_code error = writeFully(descriptor_, std::string_view(static_cast<const char*>(data), length));
  return error == Failure::ShortWrite ? errnoCode(ENOSPC) : error;
}

std::error_code ReplacingFile::finish() {
  if (descriptor_ < 0) return errnoCode(EBADF);
  int error = fsync(descriptor_) != 0 ? errno : 0;
  const int closeError = closeDescriptor(descriptor_);
  return errnoCode(error != 0 ? error : closeError);
}

std::error_code ReplacingFile::replace() {
  if (temporary_.empty() || descriptor_ >= 0) return errnoCode(EBADF);
  if (rename(temporary_.c_str(), target_.c_str()) != 0) return errnoCode(errno);
  temporary_.clear();
  // Make the rename itself survive a crash; a folder that can't be flushed changes nothing.
  const std::string folderPart = platform::folderPartOf(target_);
  const int folder = ::open(folderPart.empty() ? "." : folderPart.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    fsync(folder);
    ::close(folder);
  }
  return {};
}

void ReplacingFile::discard() {
  closeDescriptor(descriptor_);
  if (!temporary_.empty()) unlink(temporary_.c_str());
  temporary_.clear();
}

}  // namespace pelimor::platform
