#include "platform/block_sharing.h"

#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace pelimor::platform {

namespace {
// Some file systems take at most this much in one call.
constexpr std::uint64_t kChunkBytes = 16u << 20;
}  // namespace

std::error_code shareBlocks(const FileReader& source, NativeHandle targetDescriptor, std::uint64_t size) {
  std::vector<unsigned char> request(sizeof(file_dedupe_range) + sizeof(file_dedupe_range_info));
  auto* range = reinterpret_cast<file_dedupe_range*>(request.data());
  for (std::uint64_t offset = 0; offset < size;) {
    std::fill(request.begin(), request.end(), 0);
    range->src_offset = offset;
    range->src_length = std::min(kChunkBytes, size - offset);
    range->dest_count = 1;
    range->info[0].dest_fd = targetDescriptor;
    range->info[0].dest_offset = offset;
    if (::ioctl(source.descriptor(), FIDEDUPERANGE, range) != 0) return errnoCode(errno);
    const file_dedupe_range_info& answer = range->info[0];
    if (answer.status == FILE_DEDUPE_RANGE_DIFFERS) return Failure::BytesDiffer;
    if (answer.status < 0) return errnoCode(-answer.status);
    if (answer.bytes_deduped == 0) return errnoCode(EINVAL);  // no progress: the file system refuses this range
    offset += answer.bytes_deduped;
  }
  return {};
}

std::error_code unsharedBytes(NativeHandle descriptor, std::uint64_t& bytes) {
  constexpr std::size_t kExtents = 128;
  std::vector<unsigned char> request(sizeof(fiemap) + kExtents * sizeof(fiemap_extent));
  auto* map = reinterpret_cast<fiemap*>(request.data());
  std::uint64_t unshared = 0;
  for (std::uint64_t start = 0;;) {
    std::fill(request.begin(), request.end(), 0);
    map->fm_start = start;
    map->fm_length = FIEMAP_MAX_OFFSET - start;
    map->fm_flags = FIEMAP_FLAG_SYNC;  // blocks still waiting in memory get their places first
    map->fm_extent_count = kExtents;
    if (::ioctl(descriptor, FS_IOC_FIEMAP, map) != 0) return errnoCode(errno);
    if (map->fm_mapped_extents == 0) break;
    for (std::uint32_t i = 0; i < map->fm_mapped_extents; ++i) {
      const fiemap_extent& extent = map->fm_extents[i];
      if ((extent.fe_flags & FIEMAP_EXTENT_SHARED) == 0) unshared += extent.fe_length;
      if ((extent.fe_flags & FIEMAP_EXTENT_LAST) != 0) {
        bytes = unshared;
        return {};
      }
      start = extent.fe_logical + extent.fe_length;
    }
  }
  bytes = unshared;
  return {};
}

std::error_code openForSharing(const FolderHandle& folder, const std::string& name, NativeHandle& descriptor,
                               FileStatus& status) {
  descriptor = ::openat(folder.descriptor(), name.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return errnoCode(errno);
  struct stat info {};
  const int error = fstat(descriptor, &info) != 0 ? errno : S_ISREG(info.st_mode) ? 0 : EINVAL;
  if (error != 0) {
    ::close(descriptor);
    descriptor = kNoHandle;
    return errnoCode(error);
  }
  status = fileStatusOf(info);
  return {};
}

void closeDescriptor(NativeHandle descriptor) {
  if (descriptor >= 0) ::close(descriptor);
}

}  // namespace pelimor::platform
