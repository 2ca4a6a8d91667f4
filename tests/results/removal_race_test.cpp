// The moment of removal on real files, with another process at work beside the action, racy files
// on a clock of whole seconds, groups that lie, and what the disk gets back.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "results/file_removal.h"
#include "support/test_files.h"

namespace pelimor {
namespace {

using testing::exists;
using testing::readFile;
using testing::rowFor;
using testing::TempFolder;
using testing::writeFile;
namespace fs = std::filesystem;

// Overwrites `keptCopies` from the last backwards once `signal` is gone, with bytes of the same
// size. A fifth of a second after the last, it notes in `log` each selected twin still there: its
// kept copy had changed well before the action came to it, so it must outlive the action.
pid_t startOverwriter(const std::string& signal, const std::vector<std::string>& keptCopies,
                      const std::vector<std::string>& twins, const std::string& log) {
  const pid_t child = fork();
  if (child != 0) return child;
  while (exists(signal)) usleep(50);
  for (std::size_t i = keptCopies.size(); i-- > 0;)
    std::fstream(keptCopies[i], std::ios::in | std::ios::out | std::ios::binary).write("CHANGED!", 8);
  usleep(200'000);
  {
    std::ofstream noted(log);
    for (std::size_t i = 0; i < twins.size(); ++i)
      if (exists(twins[i])) noted << i << "\n";
  }  // written out before _exit, which flushes nothing
  _exit(0);
}

TEST(RemovalRace, AKeptCopyChangedWhileTheActionRunsKeepsItsTwin) {
  TempFolder other("/dev/shm");
  for (const FileAction action : {FileAction::Delete, FileAction::Move}) {
    SCOPED_TRACE(action == FileAction::Delete ? "delete" : "move across file systems");
    TempFolder temp;
    constexpr std::size_t kPairs = 2000;
    std::vector<ResultRow> rows;
    std::vector<std::string> kept, selectedPaths;
    for (std::size_t i = 0; i < kPairs; ++i) {
      const std::string content = "content of pair " + std::to_string(i) + std::string(2000, '.');
      for (const char* folder : {"sel/", "keep/"}) {
        writeFile(temp / (folder + std::to_string(i)), content);
        rows.push_back(rowFor(temp / (folder + std::to_string(i)), static_cast<std::uint32_t>(i + 1)));
      }
      selectedPaths.push_back(rows[rows.size() - 2].path);
      kept.push_back(rows.back().path);
    }
    std::vector<bool> selected(rows.size());
    for (std::size_t i = 0; i < rows.size(); i += 2) selected[i] = true;
    // Delete goes folder by folder in name order ("sel/0", "sel/1", "sel/10" ...), Move in list order.
    const std::string log = temp / "overwritten-with-twin";
    const pid_t child = startOverwriter(selectedPaths[0], kept, selectedPaths, log);
    ActionOptions options;
    options.moveFolder = other / "removed";
    const RemovalResult result = actOnSelectedFiles(action, rows, selected, options);
    int status = 0;
    waitpid(child, &status, 0);
    std::ifstream noted(log);
    std::size_t protectedTwins = 0;
    for (std::size_t i; noted >> i; ++protectedTwins) EXPECT_TRUE(exists(selectedPaths[i])) << i;
    // Kept copies looked at once, at the start, would have let every file go.
    EXPECT_FALSE(result.rowsToRemove.empty());
    EXPECT_LT(result.rowsToRemove.size(), kPairs);
    std::cout << protectedTwins << " selected files outlived their kept copy's change\n";
  }
}

// On a clock of whole seconds a file rewritten in the second of the search keeps every time it had:
// here rows with the files' times now and their bytes of before. Racy rows are read again, and
// so is everything of a saved search; the rest is trusted to its times.
TEST(RemovalRace, BytesAreReadAgainWhereTimesCannotVouchForThem) {
  const struct {
    const char* what;
    bool racy, verifyContent;
    std::size_t rewritten;  // 0 the selected file, 1 its kept copy
    bool deleted;
  } cases[] = {
      {"a racy kept copy", true, false, 1, false},
      {"a racy selected file", true, false, 0, false},
      {"a group from a saved search", false, true, 1, false},
      {"neither: times are trusted", false, false, 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder temp;
    std::vector<ResultRow> rows;
    for (const char* name : {"a", "b"}) {
      writeFile(temp / name, "same bytes");
      rows.push_back(rowFor(temp / name, 1));
    }
    writeFile(rows[c.rewritten].path, "diff bytes");
    const ResultRow now = rowFor(rows[c.rewritten].path, 1);
    rows[c.rewritten].identity = now.identity;
    for (ResultRow& row : rows) row.racy = c.racy;
    ActionOptions options;
    options.verifyContent = c.verifyContent;
    const RemovalResult result = actOnSelectedFiles(FileAction::Delete, rows, {true, false}, options);
    EXPECT_EQ(exists(rows[0].path), !c.deleted);
    EXPECT_EQ(result.failures.size(), c.deleted ? 0u : 1u);
  }
}

TEST(RemovalRace, OnlyWhatIsFreedCountsAndAFileAlreadyGoneIsNoDeletion) {
  TempFolder temp;
  const std::string content(1000, 'x');
  for (const char* name : {"keep/f", "sel/plain", "sel/linked", "sel/both1", "sel/gone"})
    writeFile(temp / name, content);
  fs::create_hard_link(temp / "sel/linked", temp / "elsewhere");
  fs::create_hard_link(temp / "sel/both1", temp / "sel/both2");
  fs::create_directory_symlink(temp / "sel", temp / "alias");
  std::vector<ResultRow> rows;
  for (const char* name : {"keep/f", "sel/plain", "sel/linked", "sel/both1", "sel/both2", "sel/gone", "alias/plain"})
    rows.push_back(rowFor(temp / name, 1));
  fs::remove(temp / "sel/gone");
  // Freed: "plain" once though listed twice, "both" once for its two names; "linked" keeps its
  // bytes through "elsewhere". A dry run, which meets "plain" twice, counts the same.
  const std::vector<bool> selected{false, true, true, true, true, true, true};
  ActionOptions dryRun;
  dryRun.dryRun = true;
  EXPECT_EQ(actOnSelectedFiles(FileAction::Delete, rows, selected, dryRun).freedBytes, 2 * content.size());
  const RemovalResult result = deleteSelectedFiles(rows, selected);
  EXPECT_TRUE(result.failures.empty());
  EXPECT_EQ(result.freedBytes, 2 * content.size());
  // The second path to "plain" finds it gone.
  std::set<std::string> gone;
  for (const std::size_t row : result.alreadyGone) gone.insert(rows[row].path);
  EXPECT_EQ(gone, (std::set<std::string>{temp / "sel/gone", temp / "sel/plain"}));
  EXPECT_EQ(result.rowsToRemove.size(), 6u);
  EXPECT_EQ(readFile(temp / "elsewhere"), content);
}

}  // namespace
}  // namespace pelimor
