#include "results/link_replacement.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "results/file_removal.h"
#include "support/temp_tree.h"
#include "support/test_files.h"

namespace pelimor {
namespace {

using testing::readFile;
using testing::rowFor;
using testing::TempFolder;
using testing::writeFile;

// A small Btrfs file system in a loop device, which can share blocks; only where we may mount one.
class BtrfsImage {
 public:
  BtrfsImage() {
#ifdef _WIN32
    reason_ = "Windows has no Btrfs";
#else
    if (geteuid() != 0)
      reason_ = "mounting needs root";
    else if (std::system("command -v mkfs.btrfs >/dev/null") != 0)
      reason_ = "mkfs.btrfs is not installed";
    else if (std::system(("truncate -s 128M " + image_ + " && mkfs.btrfs -q " + image_ + " >/dev/null 2>&1 && mkdir " +
                          mountPoint_ + " && mount -o loop " + image_ + " " + mountPoint_ + " 2>/dev/null")
                             .c_str()) != 0)
      reason_ = "this machine cannot mount a loop device";
    else
      mounted_ = true;
#endif
  }
  ~BtrfsImage() {
    if (mounted_) std::system(("umount " + mountPoint_).c_str());
  }
  const std::string& unavailable() const { return reason_; }
  const std::string& path() const { return mountPoint_; }

 private:
  TempFolder folder_;
  std::string image_ = folder_ / "btrfs.img";
  std::string mountPoint_ = folder_ / "mounted";
  std::string reason_;
  bool mounted_ = false;
};

TEST(Link, TheSelectedFileBecomesTheKeptOneAndSaysWhatItLost) {
  const TempFolder folder;
  writeFile(folder / "kept/f", "same bytes");
  writeFile(folder / "spare/f", "same bytes");
  writeFile(folder / "spare/g", "same bytes");
  testing::shiftModificationTime(folder / "spare/f", 5);
  ASSERT_EQ(chmod((folder / "spare/g").c_str(), 0600), 0);
  std::vector<ResultRow> rows;
  for (const char* path : {"kept/f", "spare/f", "spare/g"}) rows.push_back(rowFor(folder / path, 1));
  const RemovalResult result = replaceWithHardLinks(rows, {false, true, true});
  EXPECT_TRUE(result.failures.empty());
  ASSERT_EQ(result.linked.size(), 2u);
  EXPECT_EQ(result.linked[1].keeper, 0u);
  EXPECT_TRUE(result.rowsToRemove.empty());
  for (const char* path : {"spare/f", "spare/g"}) {
    EXPECT_EQ(rowFor(folder / path, 1).identity.inode, rows[0].identity.inode) << path;
    EXPECT_EQ(readFile(folder / path), "same bytes");
  }
  // f had its own time, g its own permission bits: both now have the kept file's.
  ASSERT_EQ(result.attributesLost.size(), 2u);
  EXPECT_EQ(result.attributesLost[1].path, folder / "spare/g");
  EXPECT_EQ(std::filesystem::directory_iterator(folder / "spare")->path().filename().string().find(".pelimor"),
            std::string::npos);
}

TEST(Link, ANameOfTheLongestLengthIsReplacedToo) {
  const TempFolder folder;
  const std::string name(250, 'n');
  writeFile(folder / "kept", "same bytes");
  writeFile(folder / name, "same bytes");
  const RemovalResult result =
      replaceWithHardLinks({rowFor(folder / "kept", 1), rowFor(folder / name, 1)}, {false, true});
  EXPECT_TRUE(result.failures.empty()) << result.failures[0].reason;
  EXPECT_EQ(rowFor(folder / name, 1).identity.inode, rowFor(folder / "kept", 1).identity.inode);
}

TEST(Clone, SharesBlocksWhereTheFileSystemCanAndSaysSoWhereItCannot) {
  const TempFolder plain;  // a file system that cannot share blocks (ext4, tmpfs)
  writeFile(plain / "a/f", "same bytes");
  writeFile(plain / "b/f", "same bytes");
  const RemovalResult refused =
      actOnSelectedFiles(FileAction::Clone, {rowFor(plain / "a/f", 1), rowFor(plain / "b/f", 1)}, {false, true});
  ASSERT_EQ(refused.failures.size(), 1u);
  EXPECT_EQ(refused.failures[0].reason, "its file system cannot share blocks between files");

  const BtrfsImage btrfs;
  if (!btrfs.unavailable().empty()) GTEST_SKIP() << "no Btrfs to clone on: " << btrfs.unavailable();
  const std::string content = testing::TempTree::patternBytes(3 << 20, 7);
  for (const char* name : {"/kept", "/spare", "/differs"}) writeFile(btrfs.path() + name, content);
  std::string other = content;
  other[2 << 20] ^= 1;
  writeFile(btrfs.path() + "/differs", other);
  std::vector<ResultRow> rows;
  for (const char* name : {"/kept", "/spare", "/differs"}) rows.push_back(rowFor(btrfs.path() + name, 1));
  rows[2].crc32 = rows[0].crc32;  // as if it had changed since the search in a way no time shows
  const FileIdentity before = rowFor(rows[1].path, 1).identity;
  const RemovalResult result = actOnSelectedFiles(FileAction::Clone, rows, {false, true, true});
  ASSERT_EQ(result.linked.size(), 1u);
  EXPECT_EQ(result.linked[0].row, 1u);
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0].reason, "its bytes differ from its kept copy's");
  const FileIdentity after = rowFor(rows[1].path, 1).identity;
  EXPECT_EQ(after.inode, before.inode);
  EXPECT_EQ(after.modifiedNanoseconds, before.modifiedNanoseconds);
  EXPECT_EQ(readFile(rows[1].path), content);
  EXPECT_EQ(readFile(rows[2].path), other);
}

}  // namespace
}  // namespace pelimor
