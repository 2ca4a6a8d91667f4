#include "results/file_removal.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "platform/io_error_text.h"
#include "platform/paths.h"
#include "support/test_files.h"

namespace pelimor {
namespace {

using testing::exists;
using testing::readFile;
using testing::rowFor;
using testing::TempFolder;
using testing::writeFile;
using Positions = std::vector<std::size_t>;

std::vector<std::string> reasonsOf(const RemovalResult& result) {
  std::vector<std::string> reasons;
  for (const FileFailure& failure : result.failures) reasons.push_back(failure.reason);
  return reasons;
}

class Removal : public ::testing::Test {
 protected:
  // A group of identical files, one in each of the folders named.
  std::vector<ResultRow> group(std::uint32_t number, const std::vector<std::string>& paths,
                               const std::string& content) {
    std::vector<ResultRow> rows;
    for (const std::string& relative : paths) {
      writeFile(temp / relative, content);
      rows.push_back(rowFor(temp / relative, number));
    }
    return rows;
  }

  TempFolder temp;
};

TEST_F(Removal, DeletingTwoOfThreeKeepsTheThirdAndItsNumber) {
  const std::vector<ResultRow> rows = group(5, {"a/x.jpg", "b/x.jpg", "c/x.jpg"}, "same picture");
  const RemovalResult result = deleteSelectedFiles(rows, {true, true, false});
  EXPECT_FALSE(result.refused);
  EXPECT_FALSE(result.notice);
  EXPECT_TRUE(result.failures.empty());
  EXPECT_EQ(result.rowsToRemove, (Positions{0, 1}));
  EXPECT_FALSE(exists(rows[0].path));
  EXPECT_FALSE(exists(rows[1].path));
  EXPECT_EQ(readFile(rows[2].path), "same picture");
}

TEST_F(Removal, RefusalsTouchNothing) {
  const std::vector<ResultRow> rows = group(4, {"a/x", "b/x"}, "both selected");
  for (const bool moving : {false, true}) {
    const RemovalResult result =
        moving ? moveSelectedFiles(rows, {true, true}, temp / "removed") : deleteSelectedFiles(rows, {true, true});
    EXPECT_TRUE(result.refused);
    ASSERT_TRUE(result.notice);
    EXPECT_EQ(result.notice->kind, Notice::Kind::GroupGuard);
    EXPECT_EQ(result.notice->text,
              "All files are selected in group(s): 4.\nPlease clear the selection from any file in each of the above "
              "groups.");
    EXPECT_TRUE(result.rowsToRemove.empty());
    EXPECT_TRUE(exists(rows[0].path));
    EXPECT_TRUE(exists(rows[1].path));
    EXPECT_FALSE(exists(temp / "removed"));

    const RemovalResult none =
        moving ? moveSelectedFiles(rows, {false, false}, temp / "removed") : deleteSelectedFiles(rows, {false, false});
    ASSERT_TRUE(none.notice);
    EXPECT_EQ(none.notice->text, "No file selected.");
    const RemovalResult empty = moving ? moveSelectedFiles({}, {}, temp / "removed") : deleteSelectedFiles({}, {});
    ASSERT_TRUE(empty.notice);
    EXPECT_EQ(empty.notice->text, "The list of results is empty.");
  }
}

// Its file was touched since the search, so a look at it would give another reason.
TEST_F(Removal, AReferenceRowIsNeitherActedOnNorLookedAt) {
  for (const FileAction action : {FileAction::Delete, FileAction::Move, FileAction::Link}) {
    std::vector<ResultRow> rows = group(1, {"ref/x", "a/x", "b/x"}, "kept whole");
    rows[0].reference = true;
    testing::shiftModificationTime(rows[0].path, -100);
    ActionOptions options;
    options.moveFolder = temp / "removed";
    const RemovalResult result = actOnSelectedFiles(action, rows, {true, true, false}, options);
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_EQ(result.failures[0].row, 0u);
    EXPECT_EQ(result.failures[0].reason, "it lies in a reference folder");
    EXPECT_EQ(readFile(rows[0].path), "kept whole");
    EXPECT_EQ(result.rowsToRemove.size() + result.linked.size(), 1u) << "the other selected file is done";
  }
}

TEST_F(Removal, ReadOnlyFileIsDeleted) {
  std::vector<ResultRow> rows = group(1, {"a/locked.txt", "b/locked.txt"}, "read only");
  ASSERT_EQ(chmod(rows[0].path.c_str(), 0444), 0);
  rows[0] = rowFor(rows[0].path, 1);  // as the search saw it, read-only already
  const RemovalResult result = deleteSelectedFiles(rows, {true, false});
  EXPECT_TRUE(result.failures.empty());
  EXPECT_FALSE(exists(rows[0].path));
  EXPECT_EQ(result.rowsToRemove, (Positions{0}));
}

TEST_F(Removal, FileInAFolderWithoutWritePermissionStaysSelected) {
  PELIMOR_POSIX_ONLY("permission bits and other users");
  const std::vector<ResultRow> rows = group(1, {"locked/x", "free/x"}, "content");
  testing::openToEveryone(temp.path());
  testing::openToEveryone(temp / "free");
  ASSERT_EQ(chmod((temp / "locked").c_str(), 0555), 0);
  const std::string answer = testing::runUnprivileged([&] {
    const RemovalResult result = deleteSelectedFiles(rows, {true, false});
    std::string summary = "removed " + std::to_string(result.rowsToRemove.size());
    for (const FileFailure& failure : result.failures) summary += "; " + failure.path + ": " + failure.reason;
    if (result.notice) summary += "; notice " + result.notice->title + ": " + result.notice->text;
    return summary;
  });
  const std::string expectedFailure = rows[0].path + ": Permission denied";
  EXPECT_EQ(answer, "removed 0; " + expectedFailure + "; notice Warning: 1 file was not deleted:\n" + expectedFailure);
  EXPECT_TRUE(exists(rows[0].path));
}

TEST_F(Removal, FileChangedAfterTheSearchIsLeftAlone) {
  PELIMOR_NEEDS_SYMLINKS();
  std::vector<ResultRow> rows = group(1, {"a/x", "b/x", "c/x", "d/x"}, "original");
  writeFile(rows[0].path, "rewritten, longer");
  testing::shiftModificationTime(rows[1].path, 5);  // same size, touched since
  std::filesystem::remove(rows[2].path);
  testing::makeSymlink(rows[3].path, rows[2].path);
  const RemovalResult result = deleteSelectedFiles(rows, {true, true, true, false});
  EXPECT_EQ(reasonsOf(result), (std::vector<std::string>(3, "it has changed since the search")));
  EXPECT_TRUE(result.rowsToRemove.empty());
  EXPECT_EQ(readFile(rows[0].path), "rewritten, longer");
  EXPECT_TRUE(exists(rows[1].path));
  EXPECT_TRUE(exists(rows[2].path));
  ASSERT_TRUE(result.notice);
  EXPECT_EQ(result.notice->kind, Notice::Kind::Warning);
  EXPECT_EQ(result.notice->title, "Warning");
  EXPECT_EQ(result.notice->text, "3 files were not deleted:\n" + rows[0].path + ": it has changed since the search\n" +
                                     rows[1].path + ": it has changed since the search\n" + rows[2].path +
                                     ": it has changed since the search");
}

TEST_F(Removal, SelectedFileGoneAlreadyLeavesTheListAndIsSaidToBeGone) {
  const std::vector<ResultRow> rows = group(2, {"a/x", "b/x", "c/x"}, "gone");
  std::filesystem::remove(rows[1].path);
  const RemovalResult result = deleteSelectedFiles(rows, {true, true, false});
  ASSERT_TRUE(result.notice);
  EXPECT_EQ(result.notice->text, "1 file was already gone:\n" + rows[1].path);
  EXPECT_EQ(result.alreadyGone, (Positions{1}));
  EXPECT_EQ(result.rowsToRemove, (Positions{0, 1}));
  EXPECT_TRUE(exists(rows[2].path));
}

TEST_F(Removal, UnselectedRowWhoseFileIsGoneStays) {
  const std::vector<ResultRow> rows = group(2, {"a/x", "b/x", "c/x"}, "three copies");
  std::filesystem::remove(rows[2].path);
  const RemovalResult result = deleteSelectedFiles(rows, {true, false, false});
  EXPECT_TRUE(result.failures.empty());
  EXPECT_EQ(result.rowsToRemove, (Positions{0}));
  EXPECT_TRUE(exists(rows[1].path));
}

TEST_F(Removal, LastUnselectedCopyDeletedOutsideTheProgramKeepsTheSelectedOne) {
  std::vector<ResultRow> rows = group(1, {"a/x", "b/x"}, "the last copy");
  const std::vector<ResultRow> second = group(2, {"a/y", "b/y", "c/y"}, "another");
  rows.insert(rows.end(), second.begin(), second.end());
  std::filesystem::remove(rows[1].path);  // the only unselected copy of group 1
  std::filesystem::remove(rows[3].path);  // one of two unselected copies of group 2
  const std::vector<bool> selected = {true, false, true, false, false};
  for (const bool moving : {false, true}) {
    const RemovalResult result =
        moving ? moveSelectedFiles(rows, selected, temp / "removed") : deleteSelectedFiles(rows, selected);
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_EQ(result.failures[0].row, 0u);
    EXPECT_EQ(result.failures[0].reason, "no unselected copy of it is left on disk");
    EXPECT_EQ(readFile(rows[0].path), "the last copy");
    EXPECT_EQ(result.rowsToRemove, (Positions{2}));
    EXPECT_FALSE(exists(rows[2].path));
    writeFile(rows[2].path, "another");  // back for the second round
    rows[2] = rowFor(rows[2].path, 2);
  }
}

TEST_F(Removal, UnselectedCopyOfAnotherSizeOrKindDoesNotCount) {
  const std::vector<ResultRow> rows = group(1, {"a/x", "b/x", "c/x"}, "twelve bytes");
  writeFile(rows[1].path, "now it is longer");
  std::filesystem::remove(rows[2].path);
  std::filesystem::create_directory(rows[2].path);
  const RemovalResult result = deleteSelectedFiles(rows, {true, false, false});
  EXPECT_EQ(reasonsOf(result), (std::vector<std::string>{"no unselected copy of it is left on disk"}));
  EXPECT_TRUE(exists(rows[0].path));
}

TEST_F(Removal, AnUnselectedPathLeadingToTheSelectedFileDoesNotCount) {
  std::vector<ResultRow> rows = group(1, {"a/x", "b/x"}, "one file, two paths");
  std::filesystem::remove(rows[1].path);
  std::filesystem::create_hard_link(rows[0].path, rows[1].path);
  rows[0] = rowFor(rows[0].path, 1);  // a new link changes the file's change time
  const RemovalResult result = deleteSelectedFiles(rows, {true, false});
  EXPECT_EQ(reasonsOf(result), (std::vector<std::string>{"no unselected copy of it is left on disk"}));
  EXPECT_TRUE(exists(rows[0].path));
}

// What `touch -d` lets any owner do.
void setModificationTime(const std::string& path, std::int64_t time) {
  using namespace std::chrono;
  std::filesystem::last_write_time(
      path, std::filesystem::file_time_type::clock::from_sys(sys_time<nanoseconds>(nanoseconds(time))));
}

// Rewrites a file with other bytes of the same length, and sets its modification time back.
void rewriteKeepingSizeAndTime(const ResultRow& row) {
  std::string content = readFile(row.path);
  for (char& c : content) c = static_cast<char>(~c);
  writeFile(row.path, content);
  setModificationTime(row.path, row.identity.modifiedNanoseconds);
}

// What can happen to the files between the search and the action. Whatever it is, the selected
// file stays with its row, the notice says why, and nothing outside the searched folders is touched.
TEST_F(Removal, ChangesSinceTheSearchKeepTheSelectedFile) {
  PELIMOR_NEEDS_SYMLINKS();
  const struct {
    const char* what;
    std::function<void(const std::vector<ResultRow>&, const std::string& folder)> change;
    const char* reason;
  } cases[] = {
      {"the kept copy is edited in place", [](const auto& rows, const auto&) { rewriteKeepingSizeAndTime(rows[1]); },
       "no unselected copy of it is left on disk"},
      {"the selected file is rewritten, its size and time kept",
       [](const auto& rows, const auto&) { rewriteKeepingSizeAndTime(rows[0]); }, "it has changed since the search"},
      {"its folder is swapped for a link to a folder with a lookalike",
       [](const auto& rows, const std::string& folder) {
         writeFile(folder + "/outside/x", readFile(rows[0].path));
         setModificationTime(folder + "/outside/x", rows[0].identity.modifiedNanoseconds);
         std::filesystem::rename(folder + "/a", folder + "/a-old");
         testing::makeSymlink(folder + "/outside", folder + "/a");
       },
       "its folder has been replaced since the search"},
  };
  for (const auto& c : cases) {
    for (const bool moving : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (moving ? ", move" : ", delete"));
      const TempFolder folder;
      std::vector<ResultRow> rows;
      for (const char* relative : {"a/x", "b/x"}) {
        writeFile(folder / relative, "the only copy, twice");
        rows.push_back(rowFor(folder / relative, 1));
      }
      c.change(rows, folder.path());
      const std::string before = readFile(rows[0].path);
      const RemovalResult result = moving ? moveSelectedFiles(rows, {true, false}, folder / "removed")
                                          : deleteSelectedFiles(rows, {true, false});
      EXPECT_EQ(reasonsOf(result), std::vector<std::string>{c.reason});
      EXPECT_TRUE(result.rowsToRemove.empty());
      EXPECT_EQ(readFile(rows[0].path), before);
      EXPECT_TRUE(exists(rows[1].path));
    }
  }
}

// A row leaves the list only when its file is known to be gone.
TEST_F(Removal, AFileThatCannotBeLookedAtKeepsItsRow) {
  PELIMOR_POSIX_ONLY("permission bits and other users");
  std::string deep = temp.path();
  while (deep.size() <= platform::kLongestPath) deep += "/" + std::string(200, 'd');
  const std::vector<ResultRow> tooLong = {testing::rowAt(1, deep + "/x"), testing::rowAt(1, deep + "/y")};
  const RemovalResult result = deleteSelectedFiles(tooLong, {true, false});
  EXPECT_EQ(reasonsOf(result), std::vector<std::string>{"File name too long"});
  EXPECT_TRUE(result.rowsToRemove.empty());

  const std::vector<ResultRow> rows = group(1, {"closed/x", "open/x"}, "content");
  testing::openToEveryone(temp.path());
  testing::openToEveryone(temp / "open");
  ASSERT_EQ(chmod((temp / "closed").c_str(), 0), 0);
  const std::string answer = testing::runUnprivileged([&] {
    const RemovalResult denied = deleteSelectedFiles(rows, {true, false});
    return "removed " + std::to_string(denied.rowsToRemove.size()) + "; " + denied.failures.at(0).reason;
  });
  ASSERT_EQ(chmod((temp / "closed").c_str(), 0755), 0);
  EXPECT_EQ(answer, "removed 0; Permission denied");
  EXPECT_TRUE(exists(rows[0].path));
}

TEST(FailureNotice, ListsTwentyAndCountsTheRest) {
  std::vector<FileFailure> failures;
  for (std::size_t i = 0; i < 25; ++i) failures.push_back(FileFailure{i, "/f" + std::to_string(i), "why"});
  std::string expected = "25 files were not moved:";
  for (int i = 0; i < 20; ++i) expected += "\n/f" + std::to_string(i) + ": why";
  expected += "\n... and 5 more.";
  EXPECT_EQ(failureNoticeText(FileAction::Move, failures), expected);
  failures.resize(20);
  EXPECT_EQ(failureNoticeText(FileAction::Delete, failures).find("more"), std::string::npos);
}

TEST(NumberedFileName, NumberGoesBeforeTheExtension) {
  EXPECT_EQ(platform::numberedFileName("a.jpg", 2), "a (2).jpg");
  EXPECT_EQ(platform::numberedFileName("name", 3), "name (3)");
  EXPECT_EQ(platform::numberedFileName("archive.tar.gz", 2), "archive (2).tar.gz");
  EXPECT_EQ(platform::numberedFileName("Backup.TAR.XZ", 4), "Backup (4).TAR.XZ");
  EXPECT_EQ(platform::numberedFileName("my.tar", 2), "my (2).tar");
  EXPECT_EQ(platform::numberedFileName("photo.2020.jpg", 2), "photo.2020 (2).jpg");
  EXPECT_EQ(platform::numberedFileName(".profile", 2), ".profile (2)");
  EXPECT_EQ(platform::numberedFileName(".config.bak", 2), ".config (2).bak");
  EXPECT_EQ(platform::numberedFileName("trailing.", 2), "trailing (2).");
}

TEST_F(Removal, MoveCreatesTheFolderAndLeavesTheRowsOfMovedFiles) {
  const std::vector<ResultRow> rows = group(1, {"src/a/pic.jpg", "src/b/pic.jpg", "src/c/other.jpg"}, "picture");
  const std::string folder = temp / "home/Pelimor - Removed files";
  const RemovalResult result = moveSelectedFiles(rows, {true, false, true}, folder);
  EXPECT_FALSE(result.notice);
  EXPECT_EQ(result.rowsToRemove, (Positions{0, 2}));
  ASSERT_EQ(result.moved.size(), 2u);
  EXPECT_EQ(result.moved[0].destination, folder + "/pic.jpg");
  EXPECT_EQ(result.moved[1].destination, folder + "/other.jpg");
  EXPECT_EQ(readFile(folder + "/pic.jpg"), "picture");
  EXPECT_EQ(readFile(folder + "/other.jpg"), "picture");
  EXPECT_FALSE(exists(rows[0].path));
  EXPECT_FALSE(exists(rows[2].path));
  EXPECT_TRUE(exists(rows[1].path));
}

TEST_F(Removal, MoveNeverOverwritesAcrossRuns) {
  const std::string folder = temp / "removed";
  // First run: two files of one name meet in one run.
  std::vector<ResultRow> rows = group(1, {"1/a.jpg", "2/a.jpg", "3/a.jpg"}, "first content");
  RemovalResult result = moveSelectedFiles(rows, {true, true, false}, folder);
  EXPECT_FALSE(result.notice);
  ASSERT_EQ(result.moved.size(), 2u);
  EXPECT_EQ(result.moved[0].destination, folder + "/a.jpg");
  EXPECT_EQ(result.moved[1].destination, folder + "/a (2).jpg");

  // A later run, other content under the same name.
  rows = group(7, {"4/a.jpg", "5/a.jpg"}, "second content, longer");
  result = moveSelectedFiles(rows, {false, true}, folder);
  EXPECT_FALSE(result.notice);
  ASSERT_EQ(result.moved.size(), 1u);
  EXPECT_EQ(result.moved[0].destination, folder + "/a (3).jpg");
  EXPECT_EQ(readFile(folder + "/a.jpg"), "first content");
  EXPECT_EQ(readFile(folder + "/a (2).jpg"), "first content");
  EXPECT_EQ(readFile(folder + "/a (3).jpg"), "second content, longer");
}

TEST_F(Removal, MoveKeepsTheFoldersBelowTheirSource) {
  const std::vector<ResultRow> rows =
      group(1, {"src/2020/trip/a.jpg", "src/a.jpg", "other/deep/a.jpg", "keep/a.jpg"}, "x");
  ActionOptions options;
  options.moveFolder = temp / "removed";
  options.moveKeepsFolders = true;
  options.sourceFolders = {temp / "src", temp / "src/2020/trip/not-this"};
  const RemovalResult result = actOnSelectedFiles(FileAction::Move, rows, {true, true, true, false}, options);
  ASSERT_EQ(result.moved.size(), 3u);
  // A file below no source folder keeps its whole path, a drive's ':' left out.
  std::string whole = temp.path();
  std::erase(whole, ':');
  const std::string outside = temp / "removed" + (whole.front() == '/' ? "" : "/") + whole + "/other/deep/a.jpg";
  EXPECT_EQ(result.moved[0].destination, temp / "removed/2020/trip/a.jpg");
  EXPECT_EQ(result.moved[1].destination, temp / "removed/a.jpg");
  EXPECT_EQ(result.moved[2].destination, outside);
  for (const MovedFile& moved : result.moved) EXPECT_EQ(readFile(moved.destination), "x");
}

TEST_F(Removal, MoveIntoAFolderThatCannotBeMadeKeepsEverything) {
  const std::vector<ResultRow> rows = group(1, {"a/x", "b/x"}, "stay");
  writeFile(temp / "blocker", "a file where the folder should go");
  const std::string folder = temp / "blocker/removed";
  const RemovalResult result = moveSelectedFiles(rows, {true, false}, folder);
  EXPECT_EQ(reasonsOf(result), (std::vector<std::string>{"the folder " + folder +
                                                         " cannot be created: " + platform::systemErrorText(ENOTDIR)}));
  EXPECT_TRUE(result.rowsToRemove.empty());
  EXPECT_TRUE(exists(rows[0].path));
  ASSERT_TRUE(result.notice);
  EXPECT_EQ(result.notice->text, "1 file was not moved:\n" + rows[0].path + ": the folder " + folder +
                                     " cannot be created: " + platform::systemErrorText(ENOTDIR));
}

TEST_F(Removal, MoveOfAFileGoneAlreadyIsReported) {
  const std::vector<ResultRow> rows = group(1, {"a/x", "b/x"}, "gone");
  std::filesystem::remove(rows[0].path);
  const RemovalResult result = moveSelectedFiles(rows, {true, false}, temp / "removed");
  EXPECT_EQ(reasonsOf(result), (std::vector<std::string>{"it no longer exists"}));
  EXPECT_EQ(result.rowsToRemove, (Positions{0}));
}

// A folder on another file system than /tmp, or empty when the machine has none.
std::string otherFileSystem() {
  struct stat tmp {
  }, shm{};
  if (stat("/tmp", &tmp) != 0 || stat("/dev/shm", &shm) != 0 || tmp.st_dev == shm.st_dev) return {};
  if (access("/dev/shm", W_OK) != 0) return {};
  return "/dev/shm";
}

// Every action's dry run lists each file it would do and counts the bytes it would free or put
// aside, those of a file of two names once; nothing on disk changes.
TEST_F(Removal, DryRunListsEveryFileAndCountsItsBytesOnce) {
  writeFile(temp / "a/x", "twelve bytes");
  std::filesystem::create_hard_link(temp / "a/x", temp / "a/y");
  writeFile(temp / "b/x", "twelve bytes");
  const std::vector<ResultRow> rows = {rowFor(temp / "a/x", 1), rowFor(temp / "a/y", 1), rowFor(temp / "b/x", 1)};
  ActionOptions options;
  options.dryRun = true;
  options.moveFolder = temp / "removed";
  for (const FileAction action : {FileAction::Trash, FileAction::Move, FileAction::Delete, FileAction::Link}) {
    SCOPED_TRACE(static_cast<int>(action));
    const RemovalResult result = actOnSelectedFiles(action, rows, {true, true, false}, options);
    Positions listed = action == FileAction::Delete ? result.rowsToRemove : Positions{};
    for (const MovedFile& moved : result.moved) {
      listed.push_back(moved.row);
      // The trash is not even looked for: where the file would go is not known.
      if (action == FileAction::Trash) {
        EXPECT_EQ(moved.destination, "");
      }
    }
    for (const LinkedFile& linked : result.linked) listed.push_back(linked.row);
    EXPECT_EQ(listed, (Positions{0, 1}));
    EXPECT_EQ(result.freedBytes, 12u);
    EXPECT_FALSE(result.notice);
  }
  for (const ResultRow& row : rows) EXPECT_EQ(rowFor(row.path, 1).identity, row.identity) << row.path;
  EXPECT_FALSE(exists(temp / "removed"));
}

TEST_F(Removal, MoveAcrossFileSystemsCopiesThenRemovesTheSource) {
  const std::string other = otherFileSystem();
  if (other.empty()) GTEST_SKIP() << "/dev/shm is not a separate, writable file system here";
  TempFolder target(other);
  const std::vector<ResultRow> rows = group(1, {"a/movie.mkv", "b/movie.mkv"}, std::string(3 << 20, 'm'));
  ASSERT_EQ(chmod(rows[0].path.c_str(), 0640), 0);
  testing::shiftModificationTime(rows[0].path, -3600);
  const ResultRow moving = rowFor(rows[0].path, 1);
  const std::string folder = target / "Pelimor - Removed files";
  const RemovalResult result = moveSelectedFiles({moving, rows[1]}, {true, false}, folder);
  EXPECT_FALSE(result.notice) << result.notice->text;
  EXPECT_EQ(result.rowsToRemove, (Positions{0}));
  EXPECT_FALSE(exists(moving.path));
  const std::string copy = folder + "/movie.mkv";
  EXPECT_EQ(readFile(copy), std::string(3 << 20, 'm'));
  const ResultRow copied = rowFor(copy, 1);
  EXPECT_EQ(copied.identity.modifiedNanoseconds, moving.identity.modifiedNanoseconds);
  struct stat info {};
  ASSERT_EQ(stat(copy.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);

  // Content that is no longer what the search grouped: the copy is taken back, the source stays.
  writeFile(moving.path, std::string(3 << 20, 'm'));
  ResultRow stale = rowFor(moving.path, 1);
  stale.crc32 ^= 1;
  const RemovalResult refused = moveSelectedFiles({stale, rows[1]}, {true, false}, folder);
  EXPECT_EQ(reasonsOf(refused), std::vector<std::string>{"it has changed since the search"});
  EXPECT_TRUE(exists(moving.path));
  EXPECT_FALSE(exists(folder + "/movie (2).mkv"));

  // A second file of that name across file systems takes the next number.
  const RemovalResult again = moveSelectedFiles({rowFor(moving.path, 1), rows[1]}, {true, false}, folder);
  ASSERT_EQ(again.moved.size(), 1u);
  EXPECT_EQ(again.moved[0].destination, folder + "/movie (2).mkv");
  EXPECT_EQ(readFile(copy), std::string(3 << 20, 'm'));
}

TEST_F(Removal, FailedCopyAcrossFileSystemsKeepsTheSourceAndLeavesNoPartialCopy) {
  const std::string other = otherFileSystem();
  if (other.empty()) GTEST_SKIP() << "/dev/shm is not a separate, writable file system here";
  TempFolder target(other);
  std::vector<ResultRow> rows = group(1, {"a/secret", "b/secret"}, "unreadable for the mover");
  testing::openToEveryone(temp.path());
  testing::openToEveryone(temp / "a");
  testing::openToEveryone(temp / "b");
  testing::openToEveryone(target.path());
  // Writable but not readable: the rename across devices fails, so does the copy.
  ASSERT_EQ(chmod(rows[0].path.c_str(), 0222), 0);
  rows[0] = rowFor(rows[0].path, 1);
  const std::string folder = target / "removed";
  const std::string answer = testing::runUnprivileged([&] {
    const RemovalResult result = moveSelectedFiles(rows, {true, false}, folder);
    std::string summary = "removed " + std::to_string(result.rowsToRemove.size());
    for (const FileFailure& failure : result.failures) summary += "; " + failure.reason;
    return summary;
  });
  EXPECT_EQ(answer, "removed 0; it cannot be copied to " + folder + ": Permission denied");
  EXPECT_TRUE(exists(rows[0].path));
  EXPECT_TRUE(std::filesystem::is_empty(folder));
}

}  // namespace
}  // namespace pelimor

namespace pelimor {
namespace {

// Cancel from another thread part way: the rows said to be done are exactly the files gone.
TEST_F(Removal, ACancelledActionLeavesTheListAndTheDiskInAgreement) {
  std::vector<ResultRow> rows;
  // Enough files that the cancelling thread gets its turn long before the end, even on a busy machine.
  for (std::uint32_t i = 0; i < 2000; ++i) {
    const std::vector<ResultRow> pair =
        group(i + 1, {"sel/" + std::to_string(i), "keep/" + std::to_string(i)}, "pair " + std::to_string(i));
    rows.insert(rows.end(), pair.begin(), pair.end());
  }
  std::vector<bool> selected(rows.size());
  for (std::size_t i = 0; i < rows.size(); i += 2) selected[i] = true;
  ActionProgress progress;
  std::thread canceller([&] {
    while (progress.filesDone() < 100) std::this_thread::yield();
    progress.cancel();
  });
  ActionOptions options;
  options.progress = &progress;
  const RemovalResult result = actOnSelectedFiles(FileAction::Delete, rows, selected, options);
  canceller.join();
  EXPECT_TRUE(result.cancelled);
  ASSERT_GE(result.rowsToRemove.size(), 100u);
  EXPECT_LT(result.rowsToRemove.size(), 2000u);
  std::vector<bool> removed(rows.size());
  for (const std::size_t row : result.rowsToRemove) removed[row] = true;
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(exists(rows[i].path), !removed[i]) << rows[i].path;
  ASSERT_TRUE(result.notice);
  EXPECT_EQ(result.notice->text,
            "Cancelled: " + std::to_string(result.rowsToRemove.size()) + " of 2000 selected files were deleted.");
}

}  // namespace
}  // namespace pelimor
