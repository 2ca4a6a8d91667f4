#include "platform/file_operations.h"

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

TEST(MoveFileNoReplace, RenamesWithinOneFileSystem) {
  TempFolder temp;
  writeFile(temp / "a/x", "content");
  std::filesystem::create_directory(temp / "b");
  const platform::MoveResult result = platform::moveFileNoReplace(temp / "a/x", temp / "b/x");
  EXPECT_TRUE(result.ok());
  EXPECT_FALSE(result.copied);
  EXPECT_FALSE(exists(temp / "a/x"));
  EXPECT_EQ(readFile(temp / "b/x"), "content");
}

TEST(MoveFileNoReplace, ATakenNameIsLeftAsItWas) {
  TempFolder temp;
  writeFile(temp / "a/x", "new");
  writeFile(temp / "b/x", "kept");
  const platform::MoveResult result = platform::moveFileNoReplace(temp / "a/x", temp / "b/x");
  EXPECT_TRUE(result.targetTaken());
  EXPECT_EQ(readFile(temp / "a/x"), "new");
  EXPECT_EQ(readFile(temp / "b/x"), "kept");
}

TEST(MoveFileNoReplace, MissingSourceFails) {
  TempFolder temp;
  const platform::MoveResult result = platform::moveFileNoReplace(temp / "none", temp / "x");
  EXPECT_EQ(result.error, ENOENT);
  EXPECT_FALSE(result.targetTaken());
}

TEST(MoveFileNoReplace, ATakenNameOnAnotherFileSystemIsLeftAsItWas) {
  struct stat tmp {
  }, shm{};
  if (stat("/tmp", &tmp) != 0 || stat("/dev/shm", &shm) != 0 || tmp.st_dev == shm.st_dev)
    GTEST_SKIP() << "/dev/shm is not a separate file system here";
  TempFolder temp;
  TempFolder other("/dev/shm");
  writeFile(temp / "x", "new");
  writeFile(other / "x", "kept");
  const platform::MoveResult result = platform::moveFileNoReplace(temp / "x", other / "x");
  EXPECT_TRUE(result.copied);
  EXPECT_TRUE(result.targetTaken());
  EXPECT_EQ(readFile(temp / "x"), "new");
  EXPECT_EQ(readFile(other / "x"), "kept");
}

TEST(LinkThenUnlink, MovesAndNeverReplaces) {
  TempFolder temp;
  writeFile(temp / "x", "one");
  writeFile(temp / "y", "two");
  EXPECT_EQ(platform::linkThenUnlink(temp / "x", temp / "y"), EEXIST);
  EXPECT_EQ(readFile(temp / "y"), "two");
  EXPECT_EQ(platform::linkThenUnlink(temp / "x", temp / "z"), 0);
  EXPECT_FALSE(exists(temp / "x"));
  EXPECT_EQ(readFile(temp / "z"), "one");
}

TEST(RemoveFile, NamesExistingFile) {
  TempFolder temp;
  writeFile(temp / "x", "");
  EXPECT_TRUE(platform::namesExistingFile(temp / "x"));
  EXPECT_FALSE(platform::namesExistingFile(temp.path()));
  EXPECT_EQ(platform::removeFile(temp / "x"), 0);
  EXPECT_FALSE(platform::namesExistingFile(temp / "x"));
  EXPECT_EQ(platform::removeFile(temp / "x"), ENOENT);
}

}  // namespace
}  // namespace pelimor
