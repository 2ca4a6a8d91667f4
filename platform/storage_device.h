#pragma once
// What lies under a file system: the disk or the share its reads go to, and what the system says of
// it. Asked of the kernel's own tables only (sysfs, the mount list), never of a mount point, so that
// no automount point outside the sources is woken.
#include <cstdint>
#include <string>

namespace pelimor::platform {

struct StorageDevice {
  // The same for every file system on one disk: partitions, loop devices and mapped devices (LVM,
  // dm-crypt, RAID) are followed down to what they read from. The file system's own device number
  // where nothing is known below it, and always for a remote one: each share is a disk of its own.
  std::uint64_t key = 0;
  // The system's word for the disk: a first guess only, wrong for many virtual disks.
  bool rotational = false;
  // A network or FUSE file system: every call may wait on another machine or another process.
  bool remote = false;
  std::string name;  // "sda", "nfs4", "fuse.sshfs": for reports
};

// `fileSystemType` is the type the mount list gives for the device ("ext4", "nfs4", "fuse.sshfs").
StorageDevice storageDeviceOf(std::uint64_t fileSystemDevice, const std::string& fileSystemType);

// True for the file system types whose calls go over a network or to another process.
bool isRemoteFileSystemType(const std::string& type);

}  // namespace pelimor::platform
