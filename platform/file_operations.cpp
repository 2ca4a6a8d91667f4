#include "platform/file_operations.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

namespace pelimor::platform {

namespace {
int closeKeepingErrno(int descriptor) {
  const int saved = errno;
  ::close(descriptor);
  errno = saved;
  return saved;
}

enum class RenameOutcome { Done, Failed, NeedsCopy };

RenameOutcome renameNoReplace(const std::string& source, const std::string& target, int& error) {
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
    return RenameOutcome::Done;
  error = errno;
  if (error == EXDEV) return RenameOutcome::NeedsCopy;
  if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP) return RenameOutcome::Failed;
  // A file system without the no-replace flag.
  error = linkThenUnlink(source, target);
  if (error == 0) return RenameOutcome::Done;
  if (error == EXDEV || error == EPERM || error == EOPNOTSUPP || error == EMLINK) return RenameOutcome::NeedsCopy;
  return RenameOutcome::Failed;
}

int copyBytes(int from, int to) {
  std::vector<char> buffer(1 << 20);
  for (;;) {
    const ssize_t got = ::read(from, buffer.data(), buffer.size());
    if (got == 0) return 0;
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = ::write(to, buffer.data() + done, static_cast<size_t>(got - done));
      if (put < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      done += put;
    }
  }
}

// Copies into a new file at `target` (never an existing one), then removes the source.
MoveResult copyAcross(const std::string& source, const std::string& target) {
  MoveResult result;
  result.copied = true;
  const auto fail = [&](MoveStep step, int error) {
    result.failedStep = step;
    result.error = error;
    return result;
  };

  const int from = ::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (from < 0) return fail(MoveStep::Copy, errno);
  struct stat info {};
  if (::fstat(from, &info) != 0) return fail(MoveStep::Copy, closeKeepingErrno(from));
  if (!S_ISREG(info.st_mode)) {
    ::close(from);
    return fail(MoveStep::Copy, EINVAL);
  }
  const int to = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (to < 0) return fail(MoveStep::Copy, closeKeepingErrno(from));

  const auto dropCopy = [&](MoveStep step, int error) {
    ::close(to);
    ::unlink(target.c_str());
    return fail(step, error);
  };
  int error = copyBytes(from, to);
  ::close(from);
  if (error != 0) return dropCopy(MoveStep::Copy, error);
  // The owner can only be kept by a privileged user; a copy owned by whoever moves it is fine.
  [[maybe_unused]] const int ignored = ::fchown(to, info.st_uid, info.st_gid);
  const struct timespec times[2] = {info.st_atim, info.st_mtim};
  if (::fchmod(to, info.st_mode & 07777) != 0 || ::futimens(to, times) != 0 || ::fsync(to) != 0)
    return dropCopy(MoveStep::Copy, errno);
  struct stat copy {};
  if (::fstat(to, &copy) != 0) return dropCopy(MoveStep::CheckCopy, errno);
  if (copy.st_size != info.st_size) return dropCopy(MoveStep::CheckCopy, EIO);
  if (::close(to) != 0) {
    error = errno;
    ::unlink(target.c_str());
    return fail(MoveStep::Copy, error);
  }
  if (::unlink(source.c_str()) != 0) {
    error = errno;
    ::unlink(target.c_str());
    return fail(MoveStep::RemoveSource, error);
  }
  return result;
}
}  // namespace

bool MoveResult::targetTaken() const {
  return error == EEXIST && (failedStep == MoveStep::Rename || failedStep == MoveStep::Copy);
}

int linkThenUnlink(const std::string& source, const std::string& target) {
  if (::link(source.c_str(), target.c_str()) != 0) return errno;
  if (::unlink(source.c_str()) != 0) {
    const int error = errno;
    ::unlink(target.c_str());
    return error;
  }
  return 0;
}

int removeFile(const std::string& path) { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

bool namesExistingFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

MoveResult moveFileNoReplace(const std::string& source, const std::string& target) {
  MoveResult result;
  int error = 0;
  switch (renameNoReplace(source, target, error)) {
    case RenameOutcome::Done: return result;
    case RenameOutcome::NeedsCopy: return copyAcross(source, target);
    case RenameOutcome::Failed: break;
  }
  result.error = error;
  result.failedStep = MoveStep::Rename;
  return result;
}

OutputFile::~OutputFile() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

int OutputFile::create(const std::string& path) {
  if (descriptor_ >= 0) ::close(descriptor_);
  descriptor_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  return descriptor_ < 0 ? errno : 0;
}

int OutputFile::write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(descriptor_, bytes.data(), bytes.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (put == 0) return kShortWrite;
    bytes.remove_prefix(static_cast<size_t>(put));
  }
  return 0;
}

int OutputFile::close() {
  const int descriptor = descriptor_;
  descriptor_ = -1;
  return ::close(descriptor) == 0 ? 0 : errno;
}

}  // namespace pelimor::platform
