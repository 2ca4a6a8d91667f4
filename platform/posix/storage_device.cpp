#include "platform/storage_device.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/directory_reader.h"

namespace pelimor::platform {

namespace {
// Deeper stacks than this (a loop on a loop on a mapped device ...) are not followed further.
constexpr int kLevelsFollowed = 8;

std::string firstLineOf(const std::string& path) {
  std::ifstream file(path);
  std::string line;
  std::getline(file, line);
  return line;
}

// The folder sysfs keeps for a block device, or "" when the number is no block device.
std::string sysfsFolderOf(std::uint64_t device) {
  const std::string link = "/sys/dev/block/" + std::to_string(major(device)) + ':' + std::to_string(minor(device));
  char resolved[4096];
  if (!realpath(link.c_str(), resolved)) return {};
  return resolved;
}

std::uint64_t deviceNumberIn(const std::string& folder) {
  unsigned major = 0, minor = 0;
  if (std::sscanf(firstLineOf(folder + "/dev").c_str(), "%u:%u", &major, &minor) != 2) return 0;
  return makedev(major, minor);
}

std::string lastPart(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// What the block device `device` reads from, followed down; fills `found` as far as it gets.
void followBlockDevice(std::uint64_t device, int levelsLeft, StorageDevice& found) {
  std::string folder = sysfsFolderOf(device);
  if (folder.empty() || levelsLeft == 0) return;
  // A partition's disk is the folder above it.
  if (access((folder + "/partition").c_str(), F_OK) == 0) folder = folder.substr(0, folder.rfind('/'));
  const std::uint64_t disk = deviceNumberIn(folder);
  if (disk == 0) return;
  found.key = disk;
  found.name = lastPart(folder);
  found.rotational = firstLineOf(folder + "/queue/rotational") == "1";
  // A loop device reads its backing file: on that file's disk, or its file system.
  if (const std::string backing = firstLineOf(folder + "/loop/backing_file"); !backing.empty()) {
    struct stat info {};
    if (stat(backing.c_str(), &info) != 0) return;
    found.key = info.st_dev;
    followBlockDevice(info.st_dev, levelsLeft - 1, found);
    return;
  }
  // A mapped device or a RAID reads its first member's disk (a guess where it has several).
  Directory members = Directory::open(folder + "/slaves");
  const char* name = nullptr;
  EntryKind kind = EntryKind::Unknown;
  if (members.isOpen() && members.next(name, kind))
    if (const std::uint64_t member = deviceNumberIn(folder + "/slaves/" + name); member != 0)
      followBlockDevice(member, levelsLeft - 1, found);
}
}  // namespace

StorageDevice storageDeviceOf(std::uint64_t fileSystemDevice, const std::string& fileSystemType) {
  StorageDevice found;
  found.key = fileSystemDevice;
  found.name = fileSystemType;
  found.remote = isRemoteFileSystemType(fileSystemType);
  if (!found.remote) followBlockDevice(fileSystemDevice, kLevelsFollowed, found);
  return found;
}

}  // namespace pelimor::platform
