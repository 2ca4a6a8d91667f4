#include "platform/kernel_file_systems.h"

#include <linux/magic.h>
#include <sys/vfs.h>

#include <algorithm>
#include <array>
#include <string_view>

#include "platform/directory_reader.h"
#include "platform/mount_table.h"

namespace pelimor::platform {

namespace {
constexpr std::array<std::string_view, 11> kKernelTypes = {
    "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "debugfs", "tracefs", "securityfs", "pstore", "bpf"};

bool hasKernelType(int descriptor) {
  struct statfs info {};
  if (fstatfs(descriptor, &info) != 0) return false;
  switch (static_cast<unsigned long>(info.f_type)) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEVPTS_SUPER_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case PSTOREFS_MAGIC:
    case BPF_FS_MAGIC:
      return true;
    default:
      return false;
  }
}
}  // namespace

KernelFileSystems::KernelFileSystems() {
  for (const MountedFileSystem& mount : mountedFileSystems())
    if (std::find(kKernelTypes.begin(), kKernelTypes.end(), mount.type) != kKernelTypes.end())
      devices_.push_back(mount.device);
}

bool KernelFileSystems::holds(const Directory& folder, std::uint64_t device) const {
  if (std::find(devices_.begin(), devices_.end(), device) != devices_.end()) return true;
  return folder.isOpen() && hasKernelType(folder.descriptor());
}

}  // namespace pelimor::platform
