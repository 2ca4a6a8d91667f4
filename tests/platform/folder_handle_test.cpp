#include "platform/folder_handle.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "support/test_files.h"

namespace pelimor {
namespace {

using testing::exists;
using testing::readFile;
using testing::TempFolder;
using testing::writeFile;

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

}  // namespace
}  // namespace pelimor
