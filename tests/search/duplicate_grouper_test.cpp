#include "search/duplicate_grouper.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "platform/directory_reader.h"
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

// The groups as plainly as they can be found: every file read whole, one name per inode (the
// smallest), groups by size and bytes, ordered by CRC-32 and size, names by path.
std::vector<std::string> plainGroups(const std::string& root) {
  std::map<std::pair<std::uintmax_t, std::uintmax_t>, std::string> byInode;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    platform::FileStatus status;
    // Spelled with '/' as the search spells paths on every system.
    const std::string path = entry.path().generic_string();
    if (!entry.is_regular_file() || platform::statusOfPath(path, true, status)) continue;
    const auto [at, added] = byInode.try_emplace({status.device, status.inode}, path);
    if (!added) at->second = std::min(at->second, path);
  }
  std::map<std::string, std::vector<std::string>> byBytes;
  for (const auto& [inode, path] : byInode) {
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    if (!bytes.str().empty()) byBytes[bytes.str()].push_back(path);
  }
  std::vector<std::tuple<std::uint32_t, std::size_t, std::vector<std::string>>> groups;
  for (auto& [bytes, paths] : byBytes) {
    if (paths.size() < 2) continue;
    std::sort(paths.begin(), paths.end());
    groups.emplace_back(testing::referenceUpdateCrc32(0xFFFFFFFFu, bytes.data(), bytes.size()) ^ 0xFFFFFFFFu,
                        bytes.size(), paths);
  }
  std::sort(groups.begin(), groups.end());
  std::vector<std::string> lines;
  for (std::size_t g = 0; g < groups.size(); ++g)
    for (const std::string& path : std::get<2>(groups[g]))
      lines.push_back(std::to_string(g + 1) + " " + std::to_string(std::get<1>(groups[g])) + " " +
                      crc32Text(std::get<0>(groups[g])) + " " + path);
  return lines;
}

struct TreeCase {
  const char* name;
  std::function<void(const testing::TempTree&)> make;
};

class CompactGroupingTest : public ::testing::TestWithParam<TreeCase> {};

TEST_P(CompactGroupingTest, GivesThePlainGroupsInTheirOrder) {
  testing::TempTree tree;
  testing::buildReferenceCrcTable();
  GetParam().make(tree);
  const std::vector<std::string> expected = plainGroups(tree.root());
  ASSERT_FALSE(expected.empty());
  for (const unsigned threads : {1u, 8u}) {
    SearchRequest request = testing::requestFor({tree.root()});
    request.readThreads = threads;
    SearchProgress progress;
    SearchControl control;
    EXPECT_EQ(testing::describe(runDuplicateSearch(request, progress, control).rows), expected) << threads;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Trees, CompactGroupingTest,
    ::testing::Values(TreeCase{"CopiesAndStrangersOfOneSize",
                               [](const testing::TempTree& tree) {
                                 for (unsigned i = 0; i < 40; ++i)
                                   tree.patternFile("f" + std::to_string(i), 3000, i % 7);
                               }},
                      TreeCase{"HardLinksAndLongNames",
                               [](const testing::TempTree& tree) {
                                 for (unsigned i = 0; i < 12; ++i)
                                   tree.patternFile("d" + std::to_string(i % 3) + "/" + std::string(200 + i * 5, 'n'),
                                                    500, i % 4);
                                 tree.hardLink("d0/" + std::string(200, 'n'), "d2/a-link");
                                 tree.hardLink("d1/" + std::string(205, 'n'), "z-link");
                               }},
                      TreeCase{"SmallAndLargeSampledAndWhole",
                               [](const testing::TempTree& tree) {
                                 for (unsigned i = 0; i < 30; ++i)
                                   tree.patternFile("s/f" + std::to_string(i), i % 2 ? 70 * 1024 : 100 + i % 5, i % 3);
                                 std::string middle = testing::TempTree::patternBytes(70 * 1024, 0);
                                 middle[35 * 1024] ^= 1;
                                 tree.file("other-middle", middle);
                               }},
                      TreeCase{"ManyFoldersOverManyWalkers",
                               [](const testing::TempTree& tree) {
                                 for (unsigned i = 0; i < 400; ++i)
                                   tree.patternFile("d" + std::to_string(i % 40) + "/e" + std::to_string(i / 40) +
                                                        "/n" + std::to_string(i),
                                                    1 + i % 9, i % 23);
                               }}),
    [](const ::testing::TestParamInfo<TreeCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelimor
