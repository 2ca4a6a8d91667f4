#include "platform/storage_device.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <string>
#include <vector>

#include "platform/file_reader.h"
#include "support/loop_file_system.h"
#include "support/posix_only.h"
#include "support/test_files.h"

namespace pelimor {
namespace {

TEST(StorageDevice, NetworkAndFuseFileSystemsAreRemote) {
  for (const char* type : {"nfs", "nfs4", "cifs", "smb3", "9p", "fuse", "fuse.sshfs", "fuse.rclone"})
    EXPECT_TRUE(platform::isRemoteFileSystemType(type)) << type;
  for (const char* type : {"ext4", "btrfs", "xfs", "tmpfs", "fuseblk", "vfat", ""})
    EXPECT_FALSE(platform::isRemoteFileSystemType(type)) << type;
}

#ifndef _WIN32
std::uint64_t deviceOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info.st_dev;
}
#endif

// Files made empty first and written last to first lie on the disk against their inode order:
// the disk's order can only come from where their bytes lie. The loop device is followed down to
// the disk its image lies on.
TEST(StorageDevice, FilesOnALoopDeviceAreOrderedByWhereTheirBytesLie) {
  PELIMOR_POSIX_ONLY("loop devices");
#ifndef _WIN32
  testing::LoopFileSystem mounted("mkfs.ext4 -q -O ^inline_data");
  if (!mounted.unavailable().empty()) GTEST_SKIP() << mounted.unavailable();
  constexpr int kFiles = 6;
  std::vector<std::string> paths;
  for (int i = 0; i < kFiles; ++i) {
    paths.push_back(mounted.path() + "/file" + std::to_string(i));
    testing::writeFile(paths.back(), "");
  }
  for (int i = kFiles - 1; i >= 0; --i) {
    testing::writeFile(paths[i], std::string(64 * 1024, static_cast<char>('a' + i)));
    ASSERT_EQ(std::system("sync"), 0);
  }
  std::vector<std::uint64_t> offsets;
  for (const std::string& path : paths) {
    platform::FileReader reader;
    ASSERT_FALSE(reader.open(path));
    const std::optional<std::uint64_t> offset = reader.physicalOffset();
    ASSERT_TRUE(offset.has_value()) << path;
    offsets.push_back(*offset);
  }
  for (int i = 1; i < kFiles; ++i) EXPECT_LT(offsets[i], offsets[i - 1]) << "file" << i;

  const platform::StorageDevice loop = platform::storageDeviceOf(deviceOf(mounted.path()), "ext4");
  const std::uint64_t imageFileSystem = deviceOf(mounted.path() + "/..");
  EXPECT_EQ(loop.key, platform::storageDeviceOf(imageFileSystem, "").key);
  EXPECT_FALSE(loop.remote);
  EXPECT_EQ(platform::storageDeviceOf(deviceOf(mounted.path()), "nfs4").key, deviceOf(mounted.path()));
#endif
}

}  // namespace
}  // namespace pelimor
