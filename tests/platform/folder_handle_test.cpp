#include "platform/folder_handle.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "support/test_files.h"

namespace pelimor {
namespace {

using testing::exists;
using testing::readFile;
using testing::TempFolder;
using testing::writeFile;

bool separateFileSystems(const char* a, const char* b) {
  struct stat first {
  }, second{};
  return stat(a, &first) == 0 && stat(b, &second) == 0 && first.st_dev != second.st_dev;
}

TEST(FolderHandle, RenamesWithoutEverReplacing) {
  TempFolder temp;
  writeFile(temp / "a/x", "moving");
  writeFile(temp / "b/taken", "kept");
  platform::FolderHandle from, to;
  ASSERT_EQ(from.open(temp / "a"), 0);
  ASSERT_EQ(to.open(temp / "b"), 0);
  EXPECT_EQ(from.renameNoReplace("x", to, "taken"), EEXIST);
  EXPECT_EQ(from.renameNoReplace("none", to, "y"), ENOENT);
  EXPECT_EQ(from.renameNoReplace("x", to, "x"), 0);
  EXPECT_FALSE(exists(temp / "a/x"));
  EXPECT_EQ(readFile(temp / "b/x"), "moving");
  EXPECT_EQ(readFile(temp / "b/taken"), "kept");
}

TEST(FolderHandle, ActsInTheFolderItOpenedEvenWhenItsPathNowLeadsElsewhere) {
  TempFolder temp;
  writeFile(temp / "a/x", "inside");
  writeFile(temp / "outside/x", "outside");
  platform::FolderHandle folder;
  ASSERT_EQ(folder.open(temp / "a"), 0);
  std::filesystem::rename(temp / "a", temp / "a-old");
  std::filesystem::create_directory_symlink(temp / "outside", temp / "a");
  EXPECT_EQ(folder.removeFile("x"), 0);
  EXPECT_FALSE(exists(temp / "a-old/x"));
  EXPECT_EQ(readFile(temp / "outside/x"), "outside");
  EXPECT_EQ(folder.removeFile("x"), ENOENT);
}

TEST(FolderHandle, LooksAtALinkItself) {
  TempFolder temp;
  writeFile(temp / "x", "content");
  std::filesystem::create_symlink(temp / "x", temp / "link");
  platform::FolderHandle folder;
  ASSERT_EQ(folder.open(temp.path()), 0);
  platform::FileStatus status;
  ASSERT_EQ(folder.statusOf("link", status), 0);
  EXPECT_EQ(status.kind, platform::EntryKind::SymbolicLink);
}

TEST(FolderHandle, RenameToAnotherFileSystemIsLeftToACopy) {
  if (!separateFileSystems("/tmp", "/dev/shm")) GTEST_SKIP() << "/dev/shm is not a separate file system here";
  TempFolder temp;
  TempFolder other("/dev/shm");
  writeFile(temp / "x", "content");
  platform::FolderHandle from, to;
  ASSERT_EQ(from.open(temp.path()), 0);
  ASSERT_EQ(to.open(other.path()), 0);
  EXPECT_EQ(from.renameNoReplace("x", to, "x"), EXDEV);
  EXPECT_EQ(readFile(temp / "x"), "content");
  EXPECT_FALSE(exists(other / "x"));
}

}  // namespace
}  // namespace pelimor
