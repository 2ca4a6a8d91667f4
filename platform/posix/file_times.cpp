#include "platform/file_times.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>

#include <ctime>

namespace pelimor::platform {

namespace {
constexpr std::int64_t kFineStep = 10'000'000;  // above the kernel's coarse clock tick (HZ 100 at worst)
constexpr std::int64_t kSecond = 1'000'000'000;
constexpr unsigned long kZfsMagic = 0x2fc12fc1;
constexpr unsigned long kBcachefsMagic = 0xca451a4e;
constexpr unsigned long kNtfs3Magic = 0x7366746e;

// ext2, ext3 and ext4 share one magic number. Nanoseconds live in the inode's extra space, which
// 128-byte inodes lack; the birth time lives there too, after them, so a file system that tells
// a birth time keeps nanoseconds.
std::int64_t extStep(int descriptor) {
  struct statx info {};
  if (statx(descriptor, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_BTIME, &info) != 0) return kCoarseTimeStep;
  return (info.stx_mask & STATX_BTIME) != 0 ? kFineStep : kSecond;
}
}  // namespace

std::int64_t changeTimeStep(const FolderHandle& folder) {
  struct statfs info {};
  if (!folder.isOpen() || fstatfs(folder.descriptor(), &info) != 0) return kCoarseTimeStep;
  switch (static_cast<unsigned long>(info.f_type)) {
    case EXT4_SUPER_MAGIC:
      return extStep(folder.descriptor());
    case BTRFS_SUPER_MAGIC:
    case XFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case F2FS_SUPER_MAGIC:
    case kZfsMagic:
    case kBcachefsMagic:
    case kNtfs3Magic:
      return kFineStep;
    default:
      // FAT, exFAT, network shares, FUSE, overlays of unknown layers.
      return kCoarseTimeStep;
  }
}

std::int64_t wallClockNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec) * kSecond + now.tv_nsec;
}

std::string localTimeText(std::int64_t nanoseconds) {
  const time_t seconds = static_cast<time_t>(nanoseconds / kSecond);
  tm local{};
  char text[32] = "";
  if (localtime_r(&seconds, &local)) std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

}  // namespace pelimor::platform
