#include "platform/storage_device.h"

#include <array>
#include <string_view>

namespace pelimor::platform {

bool isRemoteFileSystemType(const std::string& type) {
  // fuseblk is a FUSE driver over a local disk (NTFS, exFAT): it reads that disk.
  if (type == "fuseblk") return false;
  if (type == "fuse" || type.starts_with("fuse.")) return true;
  static constexpr std::array<std::string_view, 13> kNetworked = {
      "nfs", "nfs4", "cifs", "smb3", "smbfs", "9p", "ceph", "glusterfs", "afs", "ncpfs", "lustre", "gfs2", "davfs"};
  for (const std::string_view networked : kNetworked)
    if (type == networked) return true;
  return false;
}

}  // namespace pelimor::platform
