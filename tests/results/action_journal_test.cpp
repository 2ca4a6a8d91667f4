// The journal as a file others may write at once, or leave in a state no journal should be in.
#include "results/action_journal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <thread>

#include "support/test_files.h"

namespace pelimor {
namespace {

using testing::TempFolder;
using testing::writeFile;

JournalRecord fileRecord(const std::string& oldPath) {
  JournalRecord record;
  record.oldPath = oldPath;
  record.size = 7;
  return record;
}

TEST(ActionJournal, ActionsStartedAtOnceNeverShareANumber) {
  TempFolder temp;
  const std::string path = temp / "Actions.log";
  constexpr int kEach = 40;
  // Two writers on one file, as two processes would be: each its own open and its own lock.
  std::vector<std::uint64_t> taken[2];
  const auto act = [&](int writer) {
    ActionJournal journal(path);
    for (int k = 0; k < kEach; ++k) {
      ASSERT_FALSE(journal.begin(JournalKind::Move));
      taken[writer].push_back(journal.action());
      journal.record(fileRecord("/w" + std::to_string(writer)));
    }
  };
  std::thread other(act, 1);
  act(0);
  other.join();
  std::set<std::uint64_t> numbers(taken[0].begin(), taken[0].end());
  numbers.insert(taken[1].begin(), taken[1].end());
  EXPECT_EQ(numbers.size(), 2u * kEach);
  // Each action holds the one file of its writer.
  for (const ActionSummary& summary : summarizeActions(readJournal(path))) EXPECT_EQ(summary.files, 1u);
}

TEST(ActionJournal, AnActionStillRunningKeepsItsNumberAndItsLinesAfterATrim) {
  TempFolder temp;
  const std::string path = temp / "Actions.log";
  ActionJournal running(path);
  ASSERT_FALSE(running.begin(JournalKind::Trash));
  running.record(fileRecord("/before"));
  // Another process's action finds the journal past its cap and puts a trimmed one in its place.
  ActionJournal small(path, 2048);
  for (int k = 0; k < 4; ++k) {
    ASSERT_FALSE(small.begin(JournalKind::Delete));
    small.record(fileRecord(std::string(300, 'x')));
  }
  EXPECT_EQ(small.action(), 5u);
  // The running action's next line lands in the journal that is there now, not in the old file.
  running.record(fileRecord("/after"));
  std::set<std::pair<std::uint64_t, std::string>> kept;
  for (const JournalRecord& record : readJournal(path)) kept.emplace(record.action, record.oldPath);
  EXPECT_EQ(kept.count({1, "/before"}), 0u);  // trimmed
  EXPECT_EQ(kept.count({1, "/after"}), 1u);
  EXPECT_FALSE(running.failure());
}

TEST(ActionJournal, AHugeSparseJournalIsReadFromItsTail) {
  TempFolder temp;
  const std::string path = temp / "Actions.log";
  writeFile(path, "");
  std::filesystem::resize_file(path, std::uint64_t{1} << 40);
  {
    ActionJournal last(path);
    ASSERT_FALSE(last.begin(JournalKind::Move));
    last.record(fileRecord("/last"));
  }
  // Past the cap only the tail is read: no terabyte in memory.
  std::vector<JournalRecord> records;
  ASSERT_FALSE(readJournal(path, records, 4096));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].oldPath, "/last");
  // The next action trims it to its newest actions.
  ActionJournal next(path, 4096);
  ASSERT_FALSE(next.begin(JournalKind::Move));
  EXPECT_EQ(next.action(), 2u);
  EXPECT_LT(std::filesystem::file_size(path), 4096u);
}

}  // namespace
}  // namespace pelimor
