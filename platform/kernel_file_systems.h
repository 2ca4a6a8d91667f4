#pragma once
// The kernel's virtual file systems (proc, sysfs, devtmpfs, devpts, cgroup ...): their "files" are
// views of the running system, never the user's data, and a search must not enter them.
#include <cstdint>
#include <vector>

namespace pelimor::platform {

class Directory;

class KernelFileSystems {
 public:
  // Notes the devices of the virtual file systems mounted now.
  KernelFileSystems();
  // True when the open folder lies on one of them; `device` is the folder's own device.
  bool holds(const Directory& folder, std::uint64_t device) const;

 private:
  // devtmpfs tells the same file system type as tmpfs, so it is known by its device only.
  std::vector<std::uint64_t> devices_;
};

}  // namespace pelimor::platform
