#pragma once
// Names for the mounted file systems that stay the same across boots, where a device number may
// not: a removable or network drive can get another number, and its number can go to another drive.
#include <cstdint>
#include <string>
#include <vector>

namespace pelimor::platform {

struct FileSystemIdentity {
  std::uint64_t device = 0;
  // The file system's UUID where the system tells it to every user, else its mount point, type,
  // source and device number; with the folder of it mounted, which tells subvolumes apart.
  std::string name;
};

// One per device mounted now. File systems whose inode numbers need not last (FUSE: a mount may
// number its files anew each time) are left out: their files have no lasting identity.
std::vector<FileSystemIdentity> fileSystemIdentities();

}  // namespace pelimor::platform
