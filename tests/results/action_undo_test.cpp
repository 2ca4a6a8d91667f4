#include "results/action_undo.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <set>

#include "results/file_removal.h"
#include "support/posix_only.h"
#include "support/test_files.h"

namespace pelimor {
namespace {

using testing::exists;
using testing::readFile;
using testing::rowFor;
using testing::TempFolder;
using testing::writeFile;

// A folder of files, with its own trash and journal, for an action and its undo.
class Scene {
 public:
  Scene() : oldData_(testing::setEnvironment("XDG_DATA_HOME", temp / "data")) {}
  ~Scene() { testing::setEnvironment("XDG_DATA_HOME", oldData_); }

  // Groups of two: `names` in "src/a/" selected, their copies in "keep/" not.
  RemovalResult act(FileAction action, const std::vector<std::string>& names, ActionOptions options = {}) {
    rows.clear();
    std::vector<bool> selected;
    std::uint32_t group = 0;
    for (const std::string& name : names) {
      ++group;
      for (const std::string folder : {"src/a/", "keep/"}) {
        writeFile(temp / (folder + name), "content of " + name);
        rows.push_back(rowFor(temp / (folder + name), group));
        selected.push_back(folder == std::string("src/a/"));
      }
    }
    options.journal = &journal;
    options.moveFolder = temp / "removed";
    return actOnSelectedFiles(action, rows, selected, options);
  }

  UndoResult undo(std::uint64_t action) {
    return undoAction(readJournal(journal.path()), action, &journal, nullptr, temp / "removed");
  }

  TempFolder temp;
  ActionJournal journal{temp / "data/Pelimor/Actions.log"};
  std::vector<ResultRow> rows;

 private:
  std::string oldData_;
};

class Undo : public ::testing::Test, protected Scene {};

TEST_F(Undo, PutsBackWhatIsStillOursAndNeverReplaces) {
  // Each file's fate between the Move and the Undo.
  enum class Meanwhile { Nothing, PlaceTaken, Changed, Gone };
  struct Case {
    std::string name;
    Meanwhile meanwhile;
    std::string reason;  // empty: put back
  };
  const Case cases[] = {
      {"clean", Meanwhile::Nothing, ""},
      {"taken", Meanwhile::PlaceTaken, "another file has taken its place: it stays at "},
      {"changed", Meanwhile::Changed, "it has changed since it was moved: it stays at "},
      {"gone", Meanwhile::Gone, "it is no longer at "},
  };
  std::vector<std::string> names;
  for (const Case& each : cases) names.push_back(each.name);
  const RemovalResult moved = act(FileAction::Move, names);
  ASSERT_EQ(moved.moved.size(), names.size());
  ASSERT_EQ(moved.journalAction, 1u);
  for (const Case& each : cases) {
    const std::string there = temp / ("removed/" + each.name);
    if (each.meanwhile == Meanwhile::PlaceTaken) writeFile(temp / ("src/a/" + each.name), "a newcomer");
    if (each.meanwhile == Meanwhile::Changed) writeFile(there, "edited since");
    if (each.meanwhile == Meanwhile::Gone) std::filesystem::remove(there);
  }
  const UndoResult undone = undo(1);
  ASSERT_FALSE(undone.refused);
  ASSERT_EQ(undone.putBack.size(), 1u);
  EXPECT_EQ(undone.putBack[0].path, temp / "src/a/clean");
  EXPECT_EQ(readFile(temp / "src/a/clean"), "content of clean");
  EXPECT_EQ(readFile(temp / "src/a/taken"), "a newcomer");
  EXPECT_EQ(readFile(temp / "removed/taken"), "content of taken");
  ASSERT_EQ(undone.failures.size(), 3u);
  for (const UndoFailure& failure : undone.failures) {
    const auto match = std::find_if(std::begin(cases), std::end(cases),
                                    [&](const Case& each) { return failure.path == temp / ("src/a/" + each.name); });
    ASSERT_NE(match, std::end(cases)) << failure.path;
    EXPECT_EQ(failure.reason, match->reason + temp / ("removed/" + match->name));
  }
  // A second undo tries only what is left: the place is free now.
  std::filesystem::remove(temp / "src/a/taken");
  const UndoResult again = undo(1);
  ASSERT_EQ(again.putBack.size(), 1u);
  EXPECT_EQ(readFile(temp / "src/a/taken"), "content of taken");
  const std::vector<ActionSummary> actions = summarizeActions(readJournal(journal.path()));
  ASSERT_EQ(actions.size(), 3u);
  EXPECT_EQ(actions[0].putBack, 2u);
  EXPECT_EQ(actions[2].kind, JournalKind::Undo);
}

TEST_F(Undo, TrashComesBackWithoutItsInfoAndEmptiedFoldersGo) {
  PELIMOR_POSIX_ONLY("the Recycle Bin keeps no path we could put a file back from");
  writeFile(temp / "src/other/stays", "not selected, in a folder of its own");
  ActionOptions options;
  options.removeEmptyFolders = true;
  options.sourceFolders = {temp / "src"};
  const RemovalResult trashed = act(FileAction::Trash, {"x", "y"}, options);
  ASSERT_EQ(trashed.moved.size(), 2u);
  // The trashed files' folder went with them; Undo makes it again.
  EXPECT_EQ(trashed.removedFolders, std::vector<std::string>{temp / "src/a"});
  EXPECT_TRUE(exists(temp / "src/other/stays"));
  EXPECT_TRUE(exists(temp / "data/Trash/info/x.trashinfo"));

  const UndoResult undone = undo(trashed.journalAction);
  EXPECT_EQ(undone.putBack.size(), 2u);
  EXPECT_EQ(readFile(temp / "src/a/x"), "content of x");
  EXPECT_FALSE(exists(temp / "data/Trash/info/x.trashinfo"));
  EXPECT_FALSE(exists(temp / "data/Trash/files/x"));
  // The rows come back into the list beside their groups, unselected and to be read again.
  std::vector<ResultRow> list = {rows[1], rows[3]};
  std::vector<bool> selected = {true, false};
  mergePutBackRows(list, selected, rowsPutBack({rows[0], rows[2]}, undone.putBack));
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[1].path, rows[0].path);
  EXPECT_EQ(list[3].path, rows[2].path);
  EXPECT_TRUE(list[1].racy);
  EXPECT_EQ(selected, (std::vector<bool>{true, false, false, false}));
}

TEST_F(Undo, ManyFilesGoAndComeBackInTwoThreadsWithWholeJournalLines) {
  PELIMOR_POSIX_ONLY("the Recycle Bin keeps no path we could put a file back from");
  // The same names in every folder: both threads want the same names in the trash.
  std::vector<bool> selected;
  for (std::uint32_t k = 0; k < 400; ++k) {
    const std::string name = "f" + std::to_string(k % 50);
    for (const std::string side : {"src/", "keep/"}) {
      const auto path = temp / (side + std::to_string(k / 50) + "/" + name);
      writeFile(path, "content " + std::to_string(k));
      rows.push_back(rowFor(path, k + 1));
      selected.push_back(side == "src/");
    }
  }
  ActionOptions options;
  options.journal = &journal;
  const RemovalResult trashed = actOnSelectedFiles(FileAction::Trash, rows, selected, options);
  ASSERT_EQ(trashed.moved.size(), 400u);
  std::set<std::string> names;
  for (const MovedFile& file : trashed.moved) names.insert(file.destination);
  EXPECT_EQ(names.size(), 400u);
  const std::vector<JournalRecord> records = readJournal(journal.path());
  ASSERT_EQ(records.size(), 400u);
  const UndoResult undone = undoAction(records, trashed.journalAction, &journal);
  EXPECT_EQ(undone.putBack.size(), 400u);
  EXPECT_EQ(readJournal(journal.path()).size(), 800u);
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(readFile(rows[i].path), "content " + std::to_string(i / 2));
}

TEST(UndoRefuses, WhatTheJournalDoesNotProveOurs) {
  PELIMOR_POSIX_ONLY("the Recycle Bin keeps no path we could put a file back from");
  // Each case acts on "x" in a scene of its own, then changes the world or forges a journal line.
  struct Case {
    const char* what;
    FileAction action;
    std::function<std::uint64_t(Scene&, const JournalRecord&)> meanwhile;
    const char* reason;
  };
  const auto forge = [](Scene& scene, JournalRecord record) {
    scene.journal.begin(record.kind);
    scene.journal.record(std::move(record));
    return scene.journal.action();
  };
  // A document outside every trash, recorded whole as the file the line says went to the trash.
  const auto documentAsTrashed = [&](Scene& scene, JournalRecord record) {
    writeFile(scene.temp / "doc", "the only copy");
    record.newPath = scene.temp / "doc";
    record.oldPath = scene.temp / "made/doc";
    record.after = rowFor(record.newPath, 1).identity;
    record.digest = rowFor(record.newPath, 1).digest();
    record.afterLookedAt = std::numeric_limits<std::int64_t>::max();
    writeFile(scene.temp / "precious", "not a .trashinfo");
    record.trashInfo = scene.temp / "precious";
    return forge(scene, record);
  };
  // The folder `relative` moved aside to "etc", a link to it or a new folder in its place.
  const auto replaced = [](const std::string& relative, bool byLink) {
    return [=](Scene& scene, const JournalRecord& record) {
      std::filesystem::rename(scene.temp / relative, scene.temp / "etc");
      if (byLink)
        std::filesystem::create_directory_symlink(scene.temp / "etc", scene.temp / relative);
      else
        std::filesystem::create_directory(scene.temp / relative);
      return record.action;
    };
  };
  const Case cases[] = {
      {"old folder now a link elsewhere", FileAction::Trash, replaced("src/a", true),
       "a folder on its way back is a link: it stays at "},
      {"a folder above it now a link", FileAction::Move, replaced("src", true),
       "a folder on its way back is a link: it stays at "},
      {"old folder now another folder", FileAction::Trash, replaced("src/a", false),
       "its old folder is not the one it was in: it stays at "},
      {"trash line naming a file outside every trash", FileAction::Trash, documentAsTrashed,
       "it is not in a trash of ours: it stays at "},
      {"move line naming a file outside the move folder", FileAction::Move,
       [&](Scene& scene, JournalRecord record) { return documentAsTrashed(scene, record); }, "it is not in "},
      {"trash line naming another file as its .trashinfo", FileAction::Trash,
       [&](Scene& scene, JournalRecord record) {
         writeFile(scene.temp / "doc", "the only copy");
         record.trashInfo = scene.temp / "doc";
         return forge(scene, record);
       },
       " is not its record in the trash: it stays at "},
      {"far-future look vouching for changed bytes", FileAction::Trash,
       [&](Scene& scene, JournalRecord record) {
         writeFile(record.newPath, "content of X");
         record.after = rowFor(record.newPath, 1).identity;
         record.afterLookedAt = std::numeric_limits<std::int64_t>::max();
         return forge(scene, record);
       },
       "its bytes are no longer those of its group: it stays at "},
  };
  for (const Case& each : cases) {
    SCOPED_TRACE(each.what);
    Scene scene;
    ASSERT_EQ(scene.act(each.action, {"x"}).moved.size(), 1u);
    JournalRecord record = readJournal(scene.journal.path()).back();
    const std::uint64_t action = each.meanwhile(scene, record);
    const JournalRecord acted = readJournal(scene.journal.path()).back();
    const UndoResult undone = scene.undo(action);
    EXPECT_TRUE(undone.putBack.empty());
    ASSERT_EQ(undone.failures.size(), 1u);
    EXPECT_NE(undone.failures[0].reason.english().find(each.reason), std::string::npos) << undone.failures[0].reason;
    EXPECT_TRUE(exists(acted.newPath));
    EXPECT_TRUE(acted.trashInfo.empty() || exists(acted.trashInfo));
    EXPECT_FALSE(exists(scene.temp / "made"));
    EXPECT_FALSE(exists(scene.temp / "etc/x") || exists(scene.temp / "etc/a/x"));
  }
}

TEST_F(Undo, MoveKeepingFoldersComesBackIntoFoldersMadeAgain) {
  ActionOptions options;
  options.moveKeepsFolders = true;
  options.removeEmptyFolders = true;
  options.sourceFolders = {temp.path()};
  ASSERT_EQ(act(FileAction::Move, {"x"}, options).moved[0].destination, temp / "removed/src/a/x");
  ASSERT_FALSE(exists(temp / "src/a"));
  EXPECT_EQ(undo(1).putBack.size(), 1u);
  EXPECT_EQ(readFile(temp / "src/a/x"), "content of x");
}

// An undo that stopped halfway made the old folder again: the next one fills that folder too.
TEST_F(Undo, ALaterUndoTrustsTheFolderAnEarlierOneMadeAgain) {
  ActionOptions options;
  options.removeEmptyFolders = true;
  act(FileAction::Move, {"x", "y"}, options);
  ASSERT_FALSE(exists(temp / "src/a"));
  std::filesystem::create_directory(temp / "takes-the-freed-inode");
  std::vector<JournalRecord> onlyX = readJournal(journal.path());
  std::erase_if(onlyX, [](const JournalRecord& record) { return record.oldPath.ends_with("/y"); });
  ASSERT_EQ(undoAction(onlyX, 1, &journal, nullptr, temp / "removed").putBack.size(), 1u);
  const UndoResult rest = undo(1);
  EXPECT_EQ(rest.putBack.size(), 1u);
  EXPECT_TRUE(rest.failures.empty()) << rest.notice->text.english();
  EXPECT_EQ(readFile(temp / "src/a/y"), "content of y");
}

TEST_F(Undo, DeletedFilesCantComeBackAndAKilledRunLeavesATrueRecord) {
  const RemovalResult deleted = act(FileAction::Delete, {"x"});
  ASSERT_EQ(deleted.journalAction, 1u);
  // A run killed while writing its line: the line is cut short.
  {
    std::ofstream out(journal.path(), std::ios::app | std::ios::binary);
    out << "{\"action\": 2, \"kind\": \"move\", \"old\": \"/cut";
  }
  const std::vector<JournalRecord> records = readJournal(journal.path());
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].kind, JournalKind::Delete);
  EXPECT_EQ(newestAction(records), 1u);
  const UndoResult undone = undoAction(records, 1, &journal);
  EXPECT_TRUE(undone.refused);
  EXPECT_EQ(undone.notice->text, "Action 1 deleted its files: deleted files can't come back.");
  // The next action starts on a line of its own, numbered after the last whole one.
  EXPECT_EQ(act(FileAction::Move, {"y"}).journalAction, 2u);
  EXPECT_EQ(readJournal(journal.path()).size(), 2u);
  // Two actions run at once write their lines interleaved: the newest is the one numbered last.
  std::vector<JournalRecord> interleaved(3);
  interleaved[0].action = 3;
  interleaved[1].action = 4;
  interleaved[2].action = 3;
  EXPECT_EQ(newestAction(interleaved), 4u);
}

TEST_F(Undo, TheJournalDropsItsOldestActionsPastItsCap) {
  ActionJournal small(journal.path(), 4096);
  for (int action = 1; action <= 12; ++action) {
    small.begin(JournalKind::Delete);
    JournalRecord record;
    record.oldPath = std::string(300, 'x');
    small.record(record);
  }
  const std::vector<ActionSummary> kept = summarizeActions(readJournal(journal.path()));
  ASSERT_FALSE(kept.empty());
  EXPECT_EQ(kept.back().action, 12u);
  EXPECT_GT(kept.front().action, 1u);
  EXPECT_LE(std::filesystem::file_size(journal.path()), 4096u + 1024u);
  if (!PELIMOR_ON_WINDOWS) {
    EXPECT_EQ(std::filesystem::status(journal.path()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  }
}

}  // namespace
}  // namespace pelimor
