#include "platform/folder_handle.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>

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
  ASSERT_EQ(from.open(temp / "a"), std::error_code());
  ASSERT_EQ(to.open(temp / "b"), std::error_code());
  EXPECT_EQ(from.renameNoReplace("x", to, "taken"), std::errc::file_exists);
  EXPECT_EQ(from.renameNoReplace("none", to, "y"), std::errc::no_such_file_or_directory);
  EXPECT_EQ(from.renameNoReplace("x", to, "x"), std::error_code());
  EXPECT_FALSE(exists(temp / "a/x"));
  EXPECT_EQ(readFile(temp / "b/x"), "moving");
  EXPECT_EQ(readFile(temp / "b/taken"), "kept");
}

}  // namespace
}  // namespace pelimor
