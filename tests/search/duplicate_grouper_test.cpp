#include "search/duplicate_grouper.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/io_error_text.h"
#include "search/folder_walker.h"
#include "search/search_test_support.h"
#include "support/temp_tree.h"

namespace pelimor {
namespace {

// The walk and the comparison run apart here, so a test can change files in between.
class DuplicateGrouperTest : public ::testing::Test {
 protected:
  void walk(std::uint64_t readWholeUpTo = 0) {
    const WalkRequest request{{tree.root()}, {"*"}, 0, {}, {}, 1, readWholeUpTo};
    FolderWalker(request, store, progress, control).run();
  }
  std::vector<ResultRow> group(unsigned threads = 2) {
    return DuplicateGrouper(store, progress, control, threads).run(skipped);
  }

  testing::TempTree tree;
  CandidateStore store;
  SearchProgress progress;
  SearchControl control;
  std::vector<SkippedFile> skipped;
};

TEST_F(DuplicateGrouperTest, AFileGoneBeforeItIsReadIsSkippedAndTheRestGrouped) {
  for (const char* name : {"a", "b", "c"}) tree.patternFile(name, 10000, 1);
  walk();
  ASSERT_EQ(unlink(tree.path("b").c_str()), 0);
  const auto rows = group();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].path, tree.path("a"));
  EXPECT_EQ(rows[1].path, tree.path("c"));
  ASSERT_EQ(skipped.size(), 1u);
  EXPECT_EQ(skipped[0].path, tree.path("b"));
  EXPECT_EQ(skipped[0].reason, platform::systemErrorText(ENOENT));
  EXPECT_EQ(progress.bytesRead(), progress.bytesToRead());
}

TEST_F(DuplicateGrouperTest, ProgressEndsExactWhenLargeFilesAreRuledOutOrGone) {
  // Large files are read in two stages; whichever stage drops a file, its bytes leave the plan.
  const size_t size = 200 * 1024;
  for (const char* name : {"a", "b", "c"}) tree.patternFile(name, size, 1);
  std::string otherEnd = testing::TempTree::patternBytes(size, 1);
  otherEnd.back() ^= 1;
  tree.file("d", otherEnd);            // ruled out by its last bytes
  tree.patternFile("e", size, 9);      // ruled out by its first bytes
  tree.patternFile("f", size + 1, 1);  // a size of its own: never read
  walk();
  ASSERT_EQ(unlink(tree.path("b").c_str()), 0);
  const auto rows = group();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].path, tree.path("a"));
  EXPECT_EQ(rows[1].path, tree.path("c"));
  EXPECT_EQ(skipped.size(), 1u);
  EXPECT_EQ(progress.bytesRead(), progress.bytesToRead());
  EXPECT_EQ(progress.bytesRead(), 2 * size + 4 * 2 * DuplicateGrouper::kSampleBytes);
}

TEST_F(DuplicateGrouperTest, AFileChangedSinceTheWalkIsSkipped) {
  tree.patternFile("a", 3000, 1);
  tree.patternFile("b", 3000, 1);
  tree.patternFile("c", 3000, 2);
  walk();
  tree.patternFile("a", 3001, 1);          // grew
  tree.file("c", std::string(3000, 'z'));  // rewritten in place: same size, new time
  testing::shiftModificationTime(tree.path("c"), -3600);
  EXPECT_TRUE(group().empty());
  ASSERT_EQ(skipped.size(), 2u);
  for (const SkippedFile& file : skipped) EXPECT_EQ(file.reason, "changed since the search found it") << file.path;
}

TEST_F(DuplicateGrouperTest, TheResultDoesNotDependOnTheNumberOfReaders) {
  for (int i = 0; i < 60; ++i)
    tree.patternFile("f" + std::to_string(i), 5000 + (i % 7) * 3000, static_cast<unsigned>(i % 5));
  walk();
  const auto one = testing::describe(group(1));
  const auto four = testing::describe(group(4));
  EXPECT_FALSE(one.empty());
  EXPECT_EQ(one, four);
}

TEST_F(DuplicateGrouperTest, ReadingSmallFilesDuringTheWalkChangesNoGroup) {
  // Copies, same-size strangers, hard links and sizes of their own, small and large, in several folders.
  for (int i = 0; i < 90; ++i) {
    const size_t size = (i % 3 == 0) ? 70 * 1024 : 100 + (i % 9) * 700;
    tree.patternFile("d" + std::to_string(i % 4) + "/f" + std::to_string(i), size, static_cast<unsigned>(i % 4));
  }
  tree.patternFile("lonely", 12345, 1);
  tree.hardLink("d1/f1", "d2/link-to-f1");
  tree.hardLink("d0/f4", "d3/link-to-f4");
  walk(0);
  const auto readLater = testing::describe(group());
  const std::uint64_t bytesLater = progress.bytesRead();

  CandidateStore readingStore;
  SearchProgress readingProgress;
  std::vector<SkippedFile> readingSkipped;
  const WalkRequest request{{tree.root()}, {"*"}, 0, {}, {}, 1, DuplicateGrouper::kSmallFileBytes};
  FolderWalker(request, readingStore, readingProgress, control).run();
  const auto readEarly =
      testing::describe(DuplicateGrouper(readingStore, readingProgress, control, 2).run(readingSkipped));
  EXPECT_FALSE(readLater.empty());
  EXPECT_EQ(readEarly, readLater);
  EXPECT_TRUE(readingSkipped.empty());
  EXPECT_EQ(readingProgress.bytesRead(), readingProgress.bytesToRead());
  // The same files are read, except that each hard-linked small file may be read under both names.
  EXPECT_GE(readingProgress.bytesRead(), bytesLater);
  EXPECT_LE(readingProgress.bytesRead(), bytesLater + 2 * (100 + 8 * 700));
}

TEST_F(DuplicateGrouperTest, AbortStopsAndReturnsNothing) {
  tree.patternFile("a", 3000, 1);
  tree.patternFile("b", 3000, 1);
  walk();
  control.abort();
  EXPECT_TRUE(group().empty());
  EXPECT_TRUE(skipped.empty());
}

}  // namespace
}  // namespace pelimor
