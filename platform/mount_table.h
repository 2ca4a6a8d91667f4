#pragma once
// The file systems mounted now, as the kernel lists them in /proc/self/mountinfo.
#include <cstdint>
#include <string>
#include <vector>

namespace pelimor::platform {

struct MountedFileSystem {
  std::uint64_t device = 0;  // what a file's status tells as its device
  std::string root;          // the folder of the file system mounted here ("/" unless a bind or subvolume)
  std::string mountPoint;
  std::string type;    // ext4, tmpfs, fuse.sshfs ...
  std::string source;  // /dev/sda1, a server's share, or a name such as "tmpfs"
};

// In the kernel's order; empty when the list cannot be read.
std::vector<MountedFileSystem> mountedFileSystems();

// The device number of the device node at `path`, or 0 when it is none.
std::uint64_t deviceNodeNumber(const std::string& path);

}  // namespace pelimor::platform
