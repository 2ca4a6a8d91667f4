#include "platform/file_reader.h"

#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/descriptor_io.h"

namespace pelimor::platform {

FileReader::~FileReader() { close(); }

std::error_code FileReader::open(const std::string& path) { return openWith(AT_FDCWD, path.c_str()); }

std::error_code FileReader::openIn(const FolderHandle& folder, const std::string& name) {
  return folder.isOpen() ? openWith(folder.descriptor(), name.c_str()) : errnoCode(EBADF);
}

std::error_code FileReader::openIn(const Directory& folder, const char* name) {
  return folder.isOpen() ? openWith(folder.descriptor(), name) : errnoCode(EBADF);
}

std::error_code FileReader::openWith(int folderDescriptor, const char* path) {
  close();
  // O_NOATIME spares a metadata write per file, but only the owner may ask for it. O_NONBLOCK: a
  // named pipe put where a file was must not make the open wait for a writer; files ignore it.
  constexpr int kFlags = O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
  descriptor_ = ::openat(folderDescriptor, path, kFlags | O_NOATIME);
  if (descriptor_ < 0 && errno == EPERM) descriptor_ = ::openat(folderDescriptor, path, kFlags);
  if (descriptor_ < 0) return errnoCode(errno == ELOOP ? EINVAL : errno);
  struct stat info {};
  if (fstat(descriptor_, &info) != 0) {
    const int error = errno;
    close();
    return errnoCode(error);
  }
  if (!S_ISREG(info.st_mode)) {
    close();
    return errnoCode(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
  }
  status_ = fileStatusOf(info);
  return {};
}

void FileReader::close() {
  if (descriptor_ >= 0) ::close(descriptor_);
  descriptor_ = -1;
}

void FileReader::adviseSequential() const {
  if (descriptor_ >= 0) posix_fadvise(descriptor_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

std::optional<std::uint64_t> FileReader::physicalOffset() const {
  // The first extent is enough; FIEMAP_FLAG_SYNC is not asked, as it would write out dirty pages.
  alignas(struct fiemap) unsigned char request[sizeof(struct fiemap) + sizeof(struct fiemap_extent)] = {};
  auto* map = reinterpret_cast<struct fiemap*>(request);
  map->fm_length = FIEMAP_MAX_OFFSET;
  map->fm_extent_count = 1;
  if (descriptor_ < 0 || ioctl(descriptor_, FS_IOC_FIEMAP, map) != 0 || map->fm_mapped_extents == 0 ||
      (map->fm_extents[0].fe_flags & (FIEMAP_EXTENT_UNKNOWN | FIEMAP_EXTENT_DATA_INLINE)))
    return std::nullopt;
  return map->fm_extents[0].fe_physical;
}

ReadResult FileReader::readOnce(std::uint64_t offset, void* buffer, std::size_t length) const {
  return readOnceAt(descriptor_, offset, buffer, length);
}

ReadResult FileReader::readAt(std::uint64_t offset, void* buffer, std::size_t length) const {
  return readFullyAt(descriptor_, offset, buffer, length);
}

}  // namespace pelimor::platform
