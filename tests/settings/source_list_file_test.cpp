#include "settings/source_list_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "platform/io_error_text.h"
#include "settings/settings.h"
#include "settings_test_support.h"
#include "support/posix_only.h"

namespace pelimor {
namespace {

using testing::bytesOf;
using testing::readFile;
using testing::TempFolder;
using testing::writeFile;

std::string readError(const std::string& folder, std::vector<std::string>& rows) {
  try {
    loadSourceList(folder, rows);
  } catch (const SettingsError& error) {
    return error.what();
  }
  return "no error";
}

std::string saveError(const std::string& folder, const std::vector<std::string>& rows) {
  try {
    saveSourceList(folder, rows);
  } catch (const SettingsError& error) {
    return error.what();
  }
  return "no error";
}

TEST(SourceList, NoFileGivesTheHomeFolderAsTheOneRow) {
  TempFolder data;
  std::vector<std::string> rows{"left over"};
  loadSourceList(data.folder(), rows);
  EXPECT_EQ(rows, std::vector<std::string>{platform::defaultSourceFolder()});
}

TEST(SourceList, OneRowIsSavedAsCountLengthAndBytes) {
  TempFolder data;
  saveSourceList(data.folder(), {"/"});
  EXPECT_EQ(readFile(data.path("Source.cfg")), bytesOf({0x01, 0, 0, 0, 0x01, 0, 0, 0, 0x2F}));
  saveSourceList(data.folder(), {"C:\\"});
  EXPECT_EQ(readFile(data.path("Source.cfg")), bytesOf({0x01, 0, 0, 0, 0x03, 0, 0, 0, 0x43, 0x3A, 0x5C}));
}

TEST(SourceList, WindowsRowReadsBackUnchanged) {
  TempFolder data;
  writeFile(data.path("Source.cfg"), bytesOf({0x01, 0, 0, 0, 0x03, 0, 0, 0, 0x43, 0x3A, 0x5C}));
  std::vector<std::string> rows;
  loadSourceList(data.folder(), rows);
  EXPECT_EQ(rows, std::vector<std::string>{"C:\\"});
}

TEST(SourceList, EmptyListIsFourZeroBytes) {
  TempFolder data;
  saveSourceList(data.folder(), {});
  EXPECT_EQ(readFile(data.path("Source.cfg")), bytesOf({0, 0, 0, 0}));
  std::vector<std::string> rows{"x"};
  loadSourceList(data.folder(), rows);
  EXPECT_TRUE(rows.empty());
}

TEST(SourceList, EmptyCaptionIsLengthZeroWithNoBytes) {
  TempFolder data;
  saveSourceList(data.folder(), {"", "/a"});
  EXPECT_EQ(readFile(data.path("Source.cfg")), bytesOf({2, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, '/', 'a'}));
  std::vector<std::string> rows;
  loadSourceList(data.folder(), rows);
  EXPECT_EQ(rows, (std::vector<std::string>{"", "/a"}));
}

TEST(SourceList, NegativeCountGivesAnEmptyList) {
  TempFolder data;
  writeFile(data.path("Source.cfg"), bytesOf({0xFF, 0xFF, 0xFF, 0xFF, 3, 0, 0, 0, 'a', 'b', 'c'}));
  std::vector<std::string> rows{"x"};
  loadSourceList(data.folder(), rows);
  EXPECT_TRUE(rows.empty());
}

TEST(SourceList, RowsKeepOrderAndEveryByte) {
  TempFolder data;
  const std::vector<std::string> saved{"/home/ann/Bilder", std::string("/a\0b", 4), "/\xC3\xA9t\xC3\xA9", "/\xFF",
                                       "/home/ann/Bilder"};
  saveSourceList(data.folder(), saved);
  std::vector<std::string> rows;
  loadSourceList(data.folder(), rows);
  EXPECT_EQ(rows, saved);
}

TEST(SourceList, BytesAfterTheLastEntryAreIgnored) {
  TempFolder data;
  writeFile(data.path("Source.cfg"), bytesOf({1, 0, 0, 0, 1, 0, 0, 0, '/', 9, 9, 9, 9, 9}));
  std::vector<std::string> rows;
  loadSourceList(data.folder(), rows);
  EXPECT_EQ(rows, std::vector<std::string>{"/"});
}

struct BadSourceFile {
  const char* name;
  std::string content;
  std::vector<std::string> rowsReadWhole;
};

void PrintTo(const BadSourceFile& file, std::ostream* out) { *out << file.name; }

class BadSourceList : public ::testing::TestWithParam<BadSourceFile> {};

TEST_P(BadSourceList, IsAStreamReadErrorAndTheFileIsClosed) {
  TempFolder data;
  const std::string path = data.path("Source.cfg");
  writeFile(path, GetParam().content);
  std::vector<std::string> rows;
  EXPECT_EQ(readError(data.folder(), rows), "Stream read error");
  EXPECT_EQ(rows, GetParam().rowsReadWhole);
  EXPECT_EQ(testing::descriptorsOpenOn(path), 0);
  // The list can be written again at once.
  saveSourceList(data.folder(), rows);
}

INSTANTIATE_TEST_SUITE_P(
    Damaged, BadSourceList,
    ::testing::Values(
        BadSourceFile{"Empty", "", {}}, BadSourceFile{"CountCut", bytesOf({1, 0, 0}), {}},
        BadSourceFile{"NoEntry", bytesOf({1, 0, 0, 0}), {}},
        BadSourceFile{"LengthCut", bytesOf({1, 0, 0, 0, 3, 0}), {}},
        BadSourceFile{"EntryCut", bytesOf({2, 0, 0, 0, 1, 0, 0, 0, '/', 5, 0, 0, 0, '/', 'a', 'b'}), {"/"}},
        BadSourceFile{"NegativeLength", bytesOf({2, 0, 0, 0, 1, 0, 0, 0, '/', 0xFF, 0xFF, 0xFF, 0xFF, 'a'}), {"/"}},
        BadSourceFile{"MostNegativeLength", bytesOf({1, 0, 0, 0, 0, 0, 0, 0x80}), {}},
        // Would ask for 2 GB: refused because the file is shorter.
        BadSourceFile{"HugeLength", bytesOf({1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, '/', 'a'}), {}},
        BadSourceFile{"LengthOneBeyondTheEnd", bytesOf({1, 0, 0, 0, 3, 0, 0, 0, '/', 'a'}), {}},
        BadSourceFile{"CountBeyondTheFile", bytesOf({0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0, 1, 0, 0, 0, '/'}), {"", "/"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SourceList, FolderInPlaceOfTheFileCountsAsNoFileButCannotBeReplaced) {
  TempFolder data;
  std::filesystem::create_directory(data.path("Source.cfg"));
  std::vector<std::string> rows;
  loadSourceList(data.folder(), rows);
  EXPECT_EQ(rows, std::vector<std::string>{platform::defaultSourceFolder()});
  EXPECT_EQ(saveError(data.folder(), rows), "Cannot create file \"" + data.path("Source.cfg") + "\". Is a directory");
  EXPECT_TRUE(std::filesystem::is_directory(data.path("Source.cfg")));
}

TEST(SourceList, PipeInPlaceOfTheFileDoesNotHoldUpTheStart) {
  PELIMOR_POSIX_ONLY("named pipes in folders");
  TempFolder data;
#ifndef _WIN32
  ASSERT_EQ(mkfifo(data.path("Source.cfg").c_str(), 0600), 0);
#endif
  std::vector<std::string> rows;
  loadSourceList(data.folder(), rows);
  EXPECT_EQ(rows, std::vector<std::string>{platform::defaultSourceFolder()});
  saveSourceList(data.folder(), {"/"});
  EXPECT_EQ(readFile(data.path("Source.cfg")), bytesOf({1, 0, 0, 0, 1, 0, 0, 0, '/'}));
}

TEST(SourceList, FileThatCannotBeOpenedNamesItsPathAndTheReason) {
  PELIMOR_POSIX_ONLY("limits on open descriptors");
  TempFolder data;
  writeFile(data.path("Source.cfg"), bytesOf({0, 0, 0, 0}));
  std::vector<std::string> rows;
  std::string error;
  {
    testing::NoFreeDescriptors limit;
    error = readError(data.folder(), rows);
  }
  EXPECT_EQ(error, "Cannot open file \"" + data.path("Source.cfg") + "\". Too many open files");
}

TEST(SourceList, MissingDataFolderCannotBeCreatedInto) {
  TempFolder data;
  const std::string folder = data.path("missing/");
  EXPECT_EQ(saveError(folder, {"/"}),
            "Cannot create file \"" + folder + "Source.cfg\". " + platform::systemErrorText(ENOENT));
}

TEST(SourceList, FileMarkedReadOnlyIsNotReplaced) {
  TempFolder data;
  const std::string path = data.path("Source.cfg");
  writeFile(path, bytesOf({0, 0, 0, 0}));
  chmod(path.c_str(), 0444);
  EXPECT_EQ(saveError(data.folder(), {"/"}),
            "Cannot create file \"" + path + "\". " + platform::systemErrorText(EACCES));
  EXPECT_EQ(readFile(path), bytesOf({0, 0, 0, 0}));
}

TEST(SourceList, FailedWriteLeavesTheOldFileWholeAndNoTemporaryFile) {
  PELIMOR_POSIX_ONLY("limits on file sizes");
  TempFolder data;
  const std::string path = data.path("Source.cfg");
  const std::string old = bytesOf({1, 0, 0, 0, 1, 0, 0, 0, '/'});
  writeFile(path, old);
  std::string error;
  {
    testing::FileSizeLimit limit(100);
    error = saveError(data.folder(), {std::string(500, 'a')});
  }
  EXPECT_EQ(error, "Stream write error");
  EXPECT_EQ(readFile(path), old);
  EXPECT_EQ(data.names(), std::vector<std::string>{"Source.cfg"});
}

TEST(SourceList, ReplacingKeepsTheFilesPermissions) {
  PELIMOR_POSIX_ONLY("permission bits");
  TempFolder data;
  const std::string path = data.path("Source.cfg");
  writeFile(path, bytesOf({0, 0, 0, 0}));
  chmod(path.c_str(), 0600);
  saveSourceList(data.folder(), {"/"});
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(SourceList, LinkedFileStaysALink) {
  PELIMOR_NEEDS_SYMLINKS();
  TempFolder data;
  std::filesystem::create_directory(data.path("dotfiles"));
  writeFile(data.path("dotfiles/Source.cfg"), bytesOf({0, 0, 0, 0}));
  testing::makeSymlink(data.path("dotfiles/Source.cfg"), data.path("Source.cfg"));
  saveSourceList(data.folder(), {"/"});
  EXPECT_TRUE(std::filesystem::is_symlink(data.path("Source.cfg")));
  EXPECT_EQ(readFile(data.path("dotfiles/Source.cfg")), bytesOf({1, 0, 0, 0, 1, 0, 0, 0, '/'}));
}

TEST(SourceEntry, WrittenAndReadOneByOne) {
  TempFolder data;
  const std::string path = data.path("entries");
  {
    platform::ReplacingFile file(path);
    ASSERT_EQ(file.create(), std::error_code());
    writeSourceEntry(file, "/x");
    writeSourceEntry(file, "");
    ASSERT_EQ(file.finish(), std::error_code());
    ASSERT_EQ(file.replace(), std::error_code());
  }
  EXPECT_EQ(readFile(path), bytesOf({2, 0, 0, 0, '/', 'x', 0, 0, 0, 0}));
  platform::InputFile file;
  ASSERT_EQ(file.open(path, platform::InputFile::Access::Read), std::error_code());
  EXPECT_EQ(readSourceEntry(file), "/x");
  EXPECT_EQ(readSourceEntry(file), "");
  EXPECT_THROW(readSourceEntry(file), SettingsError);
}

TEST(saveSettingsFiles, OptionsAreNotWrittenWhenTheSourceListFails) {
  TempFolder data;
  std::filesystem::create_directory(data.path("Source.cfg"));
  OptionsRecord options;
  EXPECT_THROW(saveSettingsFiles(data.folder(), {"/"}, options, WindowPlacement{}), SettingsError);
  EXPECT_FALSE(std::filesystem::exists(data.path("Options.cfg")));
}

TEST(saveSettingsFiles, WritesBothFiles) {
  TempFolder data;
  OptionsRecord options;
  saveSettingsFiles(data.folder(), {"/"}, options, WindowPlacement{WindowState::Maximized, {1, 2, 3, 4}});
  EXPECT_EQ(readFile(data.path("Source.cfg")).size(), 9u);
  const std::string image = readFile(data.path("Options.cfg"));
  ASSERT_EQ(image.size(), 1568u);
  EXPECT_EQ(image[4], 2);
}

}  // namespace
}  // namespace pelimor
