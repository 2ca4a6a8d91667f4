#include "platform/folder_handle.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>

#include "support/posix_only.h"
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

TEST(FolderHandle, OpensAPathFromItsRootWithoutFollowingALink) {
  PELIMOR_POSIX_ONLY("links and roots of their own on Windows");
  TempFolder temp;
  writeFile(temp / "real/deep/file", "");
  std::filesystem::create_directory_symlink(temp / "real", temp / "link");
  struct Case {
    std::string path;
    std::error_code error;
    bool made;
  };
  const Case cases[] = {
      {temp / "real/deep", {}, false},
      {temp / "real/new/newer", {}, true},
      {temp / "link/deep", std::make_error_code(std::errc::too_many_symbolic_link_levels), false},
      {temp / "link/other", std::make_error_code(std::errc::too_many_symbolic_link_levels), false},
      {temp / "real/deep/file", std::make_error_code(std::errc::not_a_directory), false},
      {temp / "real/../link", std::make_error_code(std::errc::invalid_argument), false},
      {"real/deep", std::make_error_code(std::errc::invalid_argument), false},
  };
  for (const Case& each : cases) {
    platform::FolderHandle folder;
    bool made = true;
    EXPECT_EQ(folder.openPathNoLinks(each.path, &made), each.error) << each.path;
    EXPECT_EQ(made, each.made) << each.path;
    EXPECT_EQ(folder.isOpen(), !each.error) << each.path;
  }
  EXPECT_TRUE(exists(temp / "real/new/newer"));
  EXPECT_FALSE(exists(temp / "real/other"));
}

}  // namespace
}  // namespace pelimor
