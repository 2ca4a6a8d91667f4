// What only Windows does: sharing modes, the read-only attribute, names that differ only in case,
// paths beyond MAX_PATH, junctions.
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/file_operations.h"
#include "platform/file_reader.h"
#include "platform/folder_handle.h"
#include "platform/folders.h"
#include "platform/io_error_text.h"
#include "platform/whole_file.h"
#include "search/folder_walker.h"
#include "search/mask_list.h"
#include "support/test_files.h"

namespace pelimor {
namespace {

using testing::TempFolder;
using testing::writeFile;

std::wstring wide(const std::string& path) { return std::filesystem::path(path).make_preferred().wstring(); }

TEST(Windows, AFileOpenElsewhereWithoutSharingIsNeitherReadNorRemoved) {
  TempFolder temp;
  writeFile(temp / "locked", "content");
  const HANDLE other =
      ::CreateFileW(wide(temp / "locked").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  platform::FileReader reader;
  platform::FolderHandle folder;
  ASSERT_EQ(folder.open(temp.path()), std::error_code());
  EXPECT_EQ(reader.open(temp / "locked"), std::errc::device_or_resource_busy);
  EXPECT_EQ(folder.removeFile("locked"), std::errc::device_or_resource_busy);
  ::CloseHandle(other);
  // Our own reader shares everything: the file can still be removed while we read it.
  ASSERT_EQ(reader.open(temp / "locked"), std::error_code());
  EXPECT_EQ(folder.removeFile("locked"), std::error_code());
  const std::string text = platform::systemErrorText(EBUSY);
  EXPECT_FALSE(text.empty());
  EXPECT_NE(text.back(), '.');
}

TEST(Windows, TheReadOnlyAttributeRefusesWritingButNotRemoval) {
  TempFolder temp;
  writeFile(temp / "kept", "content");
  ASSERT_TRUE(::SetFileAttributesW(wide(temp / "kept").c_str(), FILE_ATTRIBUTE_READONLY));
  platform::FileStatus status;
  ASSERT_EQ(platform::statusOfPath(temp / "kept", false, status), std::error_code());
  EXPECT_EQ(status.permissions & 0222, 0u);
  platform::InputFile input;
  EXPECT_EQ(input.open(temp / "kept", platform::InputFile::Access::ReadWrite), std::errc::permission_denied);
  platform::FolderHandle folder;
  ASSERT_EQ(folder.open(temp.path()), std::error_code());
  EXPECT_EQ(folder.removeFile("kept"), std::error_code());
}

TEST(Windows, NamesThatDifferOnlyInCaseAreOneFileAndOneFolder) {
  TempFolder temp;
  writeFile(temp / "data/photo", "content");
  writeFile(temp / "data/other", "content");
  platform::FileStatus lower, upper;
  ASSERT_EQ(platform::statusOfPath(temp / "data/photo", false, lower), std::error_code());
  ASSERT_EQ(platform::statusOfPath(temp / "DATA/PHOTO", false, upper), std::error_code());
  EXPECT_EQ(lower.inode, upper.inode);
  platform::FolderHandle folder;
  ASSERT_EQ(folder.open(temp / "data"), std::error_code());
  EXPECT_EQ(folder.renameNoReplace("photo", folder, "OTHER"), std::errc::file_exists);
  // A source folder given twice in different case is walked once.
  const WalkRequest request{{temp / "data", temp / "Data"}, buildMaskList("*"), 0, {}, {}, 1};
  CandidateStore store(1);
  SearchProgress progress;
  SearchControl control;
  FolderWalker(request, store, progress, control).run();
  EXPECT_EQ(store.files().size(), 2u);
}

TEST(Windows, PathsBeyondMaxPathWork) {
  TempFolder temp;
  std::string folder = temp.path();
  while (folder.size() < 400) folder += "/a-folder-name-of-some-length";
  ASSERT_EQ(platform::createFolderWithParents(folder), std::error_code());
  platform::FolderHandle place;
  ASSERT_EQ(place.open(folder), std::error_code());
  ASSERT_EQ(platform::replaceWholeFile(folder, "file", {"deep"}), std::error_code());
  platform::FileReader reader;
  ASSERT_EQ(reader.openIn(place, "file"), std::error_code());
  EXPECT_EQ(reader.status().size, 4u);
}

// A junction in a folder that leads back to the folder: the walk ends, each file found once.
TEST(Windows, AJunctionLoopEnds) {
  TempFolder temp;
  writeFile(temp / "data/f", "1");
  const std::wstring junction = wide(temp / "data/loop");
  ASSERT_TRUE(::CreateDirectoryW(junction.c_str(), nullptr));
  const HANDLE handle = ::CreateFileW(junction.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  // A mount point reparse buffer: the target in NT form, then an empty print name.
  const std::wstring target = L"\\??\\" + wide(temp / "data");
  std::vector<unsigned char> buffer(16 + (target.size() + 2) * sizeof(wchar_t));
  const auto put16 = [&](std::size_t at, std::size_t value) {
    const WORD word = static_cast<WORD>(value);
    std::memcpy(buffer.data() + at, &word, 2);
  };
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  std::memcpy(buffer.data(), &tag, 4);
  put16(4, buffer.size() - 8);
  put16(10, target.size() * sizeof(wchar_t));
  put16(12, (target.size() + 1) * sizeof(wchar_t));
  std::memcpy(buffer.data() + 16, target.data(), target.size() * sizeof(wchar_t));
  DWORD ignored = 0;
  const bool made = ::DeviceIoControl(handle, FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()),
                                      nullptr, 0, &ignored, nullptr);
  const DWORD error = ::GetLastError();
  ::CloseHandle(handle);
  if (!made) GTEST_SKIP() << "this system cannot make junctions (FSCTL_SET_REPARSE_POINT: error " << error << ")";
  const WalkRequest request{{temp / "data"}, buildMaskList("*"), 0, {}, {}, 1};
  CandidateStore store(1);
  SearchProgress progress;
  SearchControl control;
  FolderWalker(request, store, progress, control).run();
  EXPECT_EQ(store.files().size(), 1u);
}

}  // namespace
}  // namespace pelimor
