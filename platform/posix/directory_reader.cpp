#include "platform/directory_reader.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace pelimor::platform {

namespace {
constexpr int kOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

EntryKind kindOfMode(mode_t mode) {
  if (S_ISDIR(mode)) return EntryKind::Directory;
  if (S_ISREG(mode)) return EntryKind::Regular;
  if (S_ISLNK(mode)) return EntryKind::SymbolicLink;
  return EntryKind::Other;
}

EntryKind kindOfDirentType(unsigned char type) {
  switch (type) {
    case DT_DIR:
      return EntryKind::Directory;
    case DT_REG:
      return EntryKind::Regular;
    case DT_LNK:
      return EntryKind::SymbolicLink;
    case DT_UNKNOWN:
      return EntryKind::Unknown;
    default:
      return EntryKind::Other;
  }
}

}  // namespace

FileStatus fileStatusOf(const struct ::stat& info) {
  FileStatus status;
  status.kind = kindOfMode(info.st_mode);
  status.size = static_cast<std::uint64_t>(info.st_size);
  status.device = static_cast<std::uint64_t>(info.st_dev);
  status.inode = static_cast<std::uint64_t>(info.st_ino);
  status.modifiedSeconds = info.st_mtim.tv_sec;
  status.modifiedNanoseconds = info.st_mtim.tv_nsec;
  status.changedSeconds = info.st_ctim.tv_sec;
  status.changedNanoseconds = info.st_ctim.tv_nsec;
  status.permissions = info.st_mode & 07777;
  status.owner = info.st_uid;
  status.ownerGroup = info.st_gid;
  status.linkCount = static_cast<std::uint32_t>(info.st_nlink);
  return status;
}

Directory::Directory(int descriptor) : descriptor_(descriptor) {
  if (descriptor_ < 0) {
    error_ = errnoCode(errno);
    return;
  }
  stream_ = fdopendir(descriptor_);
  if (!stream_) {
    error_ = errnoCode(errno);
    ::close(descriptor_);
    descriptor_ = -1;
  }
}

Directory Directory::open(const std::string& path) { return Directory(::open(path.c_str(), kOpenFlags)); }

Directory Directory::openChild(const char* name) const {
  if (!isOpen()) return Directory(-1);
  return Directory(::openat(descriptor_, name, kOpenFlags | O_NOFOLLOW));
}

Directory::Directory(Directory&& other) noexcept
    : stream_(std::exchange(other.stream_, nullptr)),
      descriptor_(std::exchange(other.descriptor_, -1)),
      error_(other.error_) {}

Directory& Directory::operator=(Directory&& other) noexcept {
  if (this != &other) {
    if (stream_) closedir(static_cast<DIR*>(stream_));
    stream_ = std::exchange(other.stream_, nullptr);
    descriptor_ = std::exchange(other.descriptor_, -1);
    error_ = other.error_;
  }
  return *this;
}

Directory::~Directory() {
  if (stream_) closedir(static_cast<DIR*>(stream_));  // also closes the descriptor
}

bool Directory::next(const char*& name, EntryKind& kind) {
  if (!stream_) return false;
  while (const dirent* entry = readdir(static_cast<DIR*>(stream_))) {
    const char* entryName = entry->d_name;
    if (entryName[0] == '.' && (entryName[1] == '\0' || (entryName[1] == '.' && entryName[2] == '\0'))) continue;
    name = entryName;
    kind = kindOfDirentType(entry->d_type);
    entryInode_ = entry->d_ino;
    return true;
  }
  return false;
}

bool Directory::entryHidden(const char* name) const { return name[0] == '.'; }

std::error_code Directory::statusOf(const char* name, bool followLinks, FileStatus& status) const {
  struct stat info {};
  if (fstatat(descriptor_, name, &info, followLinks ? 0 : AT_SYMLINK_NOFOLLOW) != 0) return errnoCode(errno);
  status = fileStatusOf(info);
  return {};
}

std::error_code Directory::linkTarget(const char* name, std::string& target) const {
  // Grown until the text fits: a link's target may be as long as a path.
  target.resize(256);
  for (;;) {
    const ssize_t length = readlinkat(descriptor_, name, target.data(), target.size());
    if (length < 0) return errnoCode(errno);
    if (static_cast<std::size_t>(length) < target.size()) {
      target.resize(static_cast<std::size_t>(length));
      return {};
    }
    target.resize(target.size() * 2);
  }
}

std::error_code Directory::ownStatus(FileStatus& status) const {
  struct stat info {};
  if (fstat(descriptor_, &info) != 0) return errnoCode(errno);
  status = fileStatusOf(info);
  return {};
}

std::vector<FolderId> Directory::foldersAbove(std::size_t limit) const {
  std::vector<FolderId> above;
  struct stat info {};
  if (!isOpen() || fstat(descriptor_, &info) != 0) return above;
  FolderId current{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
  int folder = ::openat(descriptor_, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
  while (folder >= 0 && above.size() < limit) {
    if (fstat(folder, &info) != 0) break;
    const FolderId parent{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
    if (parent == current) break;  // the root is its own parent
    above.push_back(parent);
    current = parent;
    const int next = ::openat(folder, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
    ::close(folder);
    folder = next;
  }
  if (folder >= 0) ::close(folder);
  return above;
}

bool Directory::isMountRoot() const {
  struct statx info {};
  if (!isOpen() || statx(descriptor_, "", AT_EMPTY_PATH, STATX_TYPE, &info) != 0) return false;
  return (info.stx_attributes_mask & info.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
}

std::error_code statusOfPath(const std::string& path, bool followLinks, FileStatus& status) {
  struct stat info {};
  const int result = followLinks ? stat(path.c_str(), &info) : lstat(path.c_str(), &info);
  if (result != 0) return errnoCode(errno);
  status = fileStatusOf(info);
  return {};
}

}  // namespace pelimor::platform
