#include "platform/file_system_identity.h"

#include <sys/sysmacros.h>

#include <algorithm>
#include <map>
#include <string_view>

#include "platform/directory_reader.h"
#include "platform/mount_table.h"
#include "platform/paths.h"

namespace pelimor::platform {

namespace {
constexpr const char* kUuidLinks = "/dev/disk/by-uuid";

// Block device number to UUID, from the links udev keeps; empty where there is no udev.
std::map<std::uint64_t, std::string> uuidsByDevice() {
  std::map<std::uint64_t, std::string> uuids;
  Directory links = Directory::open(kUuidLinks);
  const char* name = nullptr;
  EntryKind kind = EntryKind::Unknown;
  while (links.isOpen() && links.next(name, kind))
    if (const std::uint64_t device = deviceNodeNumber(joinPath(kUuidLinks, name)); device != 0) uuids[device] = name;
  return uuids;
}
}  // namespace

std::vector<FileSystemIdentity> fileSystemIdentities() {
  const std::map<std::uint64_t, std::string> uuids = uuidsByDevice();
  std::vector<FileSystemIdentity> identities;
  for (const MountedFileSystem& mount : mountedFileSystems()) {
    if (std::string_view(mount.type).starts_with("fuse")) continue;
    // The first line of a device names it; later ones are the same file system mounted again.
    const auto known = [&](const FileSystemIdentity& identity) { return identity.device == mount.device; };
    if (std::any_of(identities.begin(), identities.end(), known)) continue;
    std::string name;
    const auto uuid = mount.source.starts_with("/dev/") ? uuids.find(deviceNodeNumber(mount.source)) : uuids.end();
    if (uuid != uuids.end()) {
      name = "uuid " + uuid->second;
    } else {
      name = "mount " + mount.mountPoint + '\0' + mount.type + '\0' + mount.source + '\0' +
             std::to_string(major(mount.device)) + ':' + std::to_string(minor(mount.device));
    }
    identities.push_back(FileSystemIdentity{mount.device, name + '\0' + mount.root});
  }
  return identities;
}

}  // namespace pelimor::platform
