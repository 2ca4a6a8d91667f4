#include "search/duplicate_search.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

#include "search/search_test_support.h"
#include "support/temp_tree.h"
#include "support/test_files.h"
#include "support/unprivileged.h"

namespace pelimor {
namespace {

using testing::describe;
using testing::requestFor;
using Lines = std::vector<std::string>;

class DuplicateSearchTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::buildReferenceCrcTable(); }
  SearchResult search(std::uint64_t minimumSize = 0, const std::string& masks = "*.*") {
    return runDuplicateSearch(requestFor({tree.root()}, minimumSize, masks), progress, control);
  }
  std::string crcOf(const std::string& content) {
    return crc32Text(testing::referenceUpdateCrc32(0xFFFFFFFFu, content.data(), content.size()) ^ 0xFFFFFFFFu);
  }
  std::string p(const std::string& relative) const { return tree.path(relative); }

  testing::TempTree tree;
  SearchProgress progress;
  SearchControl control;
};

TEST_F(DuplicateSearchTest, NothingToCompareReadsNothing) {
  EXPECT_TRUE(search().rows.empty());
  tree.file("one", "abc");
  EXPECT_TRUE(search().rows.empty());
  tree.file("a10", std::string(10, 'x'));
  tree.file("b20", std::string(20, 'x'));
  tree.file("c30", std::string(30, 'x'));
  const SearchResult result = search();
  EXPECT_TRUE(result.rows.empty());
  EXPECT_EQ(progress.bytesToRead(), 0u);
  EXPECT_EQ(progress.bytesRead(), 0u);
}

TEST_F(DuplicateSearchTest, EqualFilesFormOneGroupOrderedByPath) {
  tree.file("b/copy", "123456789");
  tree.file("a/original", "123456789");
  const SearchResult result = search();
  EXPECT_EQ(describe(result.rows), (Lines{"1 9 CBF43926 " + p("a/original"), "1 9 CBF43926 " + p("b/copy")}));
  EXPECT_EQ(result.rows[0].name(), "original");
  // What an action will check the file against: what the system says of it and of its folder.
  EXPECT_EQ(result.rows[1].identity, testing::rowFor(p("b/copy"), 1).identity);
  EXPECT_FALSE(result.cancelled);
  EXPECT_TRUE(result.skipped.empty());
}

// Moved files wait in the removed-files folder, inside the home folder: a later search of the home
// folder must not offer them, nor pair the original with its moved copy.
TEST_F(DuplicateSearchTest, TheRemovedFilesFolderIsNeverSearched) {
  if (PELIMOR_ON_WINDOWS) GTEST_SKIP() << "on Windows the removed-files folder is on drive C:, not in the home folder";
  tree.file("photos/a.jpg", "picture");
  tree.file("Pelimor - Removed files/a.jpg", "picture");
  const std::string home = testing::setHomeFolder(tree.root());
  SearchRequest request;
  request.sourceFolders = {tree.root()};
  request.minimumSize = 0;
  request.useCache = false;
  const SearchResult result = runDuplicateSearch(request, progress, control);
  testing::setHomeFolder(home);
  EXPECT_TRUE(result.rows.empty());
  EXPECT_TRUE(result.searchedAnySource);
}

TEST_F(DuplicateSearchTest, SameSizeDifferentContentIsNoGroup) {
  tree.file("a", "abcdef");
  tree.file("b", "abcdeg");
  EXPECT_TRUE(search().rows.empty());
  tree.file("c", "abcdef");
  EXPECT_EQ(describe(search().rows),
            (Lines{"1 6 " + crcOf("abcdef") + " " + p("a"), "1 6 " + crcOf("abcdef") + " " + p("c")}));
}

TEST_F(DuplicateSearchTest, OnlyTheEqualPairOfTwoSizesIsGrouped) {
  tree.patternFile("s1", 100, 1);
  tree.patternFile("s2", 100, 1);
  tree.patternFile("t1", 200, 2);
  tree.patternFile("t2", 200, 3);
  const SearchResult result = search();
  ASSERT_EQ(result.rows.size(), 2u);
  EXPECT_EQ(result.rows[0].path, p("s1"));
  EXPECT_EQ(result.rows[1].path, p("s2"));
  EXPECT_EQ(result.rows[1].group, 1u);
}

TEST_F(DuplicateSearchTest, GroupsAreNumberedInAscendingCrcOrder) {
  const std::string f1 = testing::contentWithCrcPrefix("F1", 64);
  const std::string c3 = testing::contentWithCrcPrefix("3C", 64);
  const std::string a0 = testing::contentWithCrcPrefix("0A", 64);
  tree.file("1/f1", f1);
  tree.file("2/f1", f1);
  tree.file("1/c3", c3);
  tree.file("2/c3", c3);
  tree.file("1/a0", a0);
  tree.file("2/a0", a0);
  const SearchResult result = search();
  ASSERT_EQ(result.rows.size(), 6u);
  EXPECT_EQ(crc32Text(result.rows[0].crc32).substr(0, 2), "0A");
  EXPECT_EQ(crc32Text(result.rows[2].crc32).substr(0, 2), "3C");
  EXPECT_EQ(crc32Text(result.rows[4].crc32).substr(0, 2), "F1");
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(result.rows[i].group, i / 2 + 1);
}

TEST_F(DuplicateSearchTest, EqualCrcAloneNeverMakesAGroup) {
  const std::string first = testing::contentWithFixedCrc("first body");
  const std::string second = testing::contentWithFixedCrc("other body");
  ASSERT_EQ(crcOf(first), crcOf(second));
  ASSERT_EQ(first.size(), second.size());
  tree.file("x1", first);
  tree.file("y1", second);
  EXPECT_TRUE(search().rows.empty());
  // Two real groups sharing one CRC-32 stay two groups.
  tree.file("x2", first);
  tree.file("y2", second);
  const SearchResult result = search();
  ASSERT_EQ(result.rows.size(), 4u);
  EXPECT_EQ(crc32Text(result.rows[0].crc32), "2144DF1C");
  EXPECT_EQ(result.rows[0].group, result.rows[1].group);
  EXPECT_EQ(result.rows[2].group, result.rows[3].group);
  EXPECT_NE(result.rows[0].group, result.rows[2].group);
  for (size_t i = 0; i < 4; i += 2) {
    const std::string pair = result.rows[i].path.substr(result.rows[i].path.size() - 2) + "," +
                             result.rows[i + 1].path.substr(result.rows[i + 1].path.size() - 2);
    EXPECT_TRUE(pair == "x1,x2" || pair == "y1,y2") << pair;
  }
}

TEST_F(DuplicateSearchTest, HardLinksAreOneFile) {
  tree.patternFile("a/file", 5000, 9);
  tree.hardLink("a/file", "b/link");
  EXPECT_TRUE(search().rows.empty());
  tree.patternFile("c/copy", 5000, 9);
  const SearchResult result = search();
  EXPECT_EQ(describe(result.rows).size(), 2u);
  EXPECT_EQ(result.rows[0].path, p("a/file"));
  EXPECT_EQ(result.rows[1].path, p("c/copy"));
}

TEST_F(DuplicateSearchTest, AFileReachedTwiceIsNotItsOwnDuplicate) {
  tree.patternFile("top/inner/f", 3000, 4);
  tree.symlink(p("top/inner"), "top/link");
  const SearchRequest request = requestFor({p("top"), p("top/inner"), p("top")});
  EXPECT_TRUE(runDuplicateSearch(request, progress, control).rows.empty());
}

TEST_F(DuplicateSearchTest, LargeFilesDifferingAnywhereAreToldApart) {
  const size_t size = 300 * 1024;
  const std::string base = testing::TempTree::patternBytes(size, 5);
  for (const size_t at : {size_t{0}, size / 2, size - 1, size_t{4096}, size - 4097}) {
    std::string changed = base;
    changed[at] ^= 0x55;
    tree.file("changed-at-" + std::to_string(at), changed);
  }
  tree.file("base", base);
  tree.file("copy", base);
  const SearchResult result = search();
  EXPECT_EQ(describe(result.rows),
            (Lines{"1 307200 " + crcOf(base) + " " + p("base"), "1 307200 " + crcOf(base) + " " + p("copy")}));
  EXPECT_EQ(progress.bytesRead(), progress.bytesToRead());
  EXPECT_EQ(progress.phase(), SearchPhase::Done);
}

TEST_F(DuplicateSearchTest, PrefixAndSuffixStagesNeverSplitATrueGroup) {
  // Many same-size files sharing prefixes and suffixes in every combination.
  const size_t size = 100 * 1024;
  const std::string base = testing::TempTree::patternBytes(size, 11);
  int made = 0;
  for (int front = 0; front < 2; ++front)
    for (int middle = 0; middle < 2; ++middle)
      for (int back = 0; back < 2; ++back)
        for (int copy = 0; copy < 2; ++copy) {
          std::string content = base;
          content[10] = static_cast<char>(front);
          content[size / 2] = static_cast<char>(middle);
          content[size - 10] = static_cast<char>(back);
          tree.file(
              "v" + std::to_string(front) + std::to_string(middle) + std::to_string(back) + "-" + std::to_string(copy),
              content);
          ++made;
        }
  const SearchResult result = search();
  ASSERT_EQ(result.rows.size(), static_cast<size_t>(made));
  for (size_t i = 0; i < result.rows.size(); i += 2) {
    EXPECT_EQ(result.rows[i].group, i / 2 + 1);
    EXPECT_EQ(result.rows[i + 1].group, i / 2 + 1);
    const std::string a = result.rows[i].path, b = result.rows[i + 1].path;
    EXPECT_EQ(a.substr(0, a.size() - 1), b.substr(0, b.size() - 1)) << a << " vs " << b;
  }
}

TEST_F(DuplicateSearchTest, FilesOfTwoGigabytesAndMoreAreMeasuredInFull) {
  // Sparse files: they differ only in their last byte, which the suffix stage sees without reading the rest.
  const long long size = (2ll << 30) + 1;
  for (const char* name : {"big1", "big2"}) {
    const std::string path = tree.file(name, "");
    std::filesystem::resize_file(path, size);
  }
  FILE* last = std::fopen(p("big2").c_str(), "r+b");
  ASSERT_NE(last, nullptr);
  std::fseek(last, static_cast<long>(size - 1), SEEK_SET);
  std::fputc('x', last);
  std::fclose(last);
  EXPECT_TRUE(search().rows.empty());
  EXPECT_LT(progress.bytesRead(), 64u * 1024u);
}

TEST_F(DuplicateSearchTest, MasksAndMinimumSizeChooseTheCandidates) {
  tree.patternFile("a.jpg", 2000, 1);
  tree.patternFile("b.JPG", 2000, 1);
  tree.patternFile("c.png", 2000, 1);
  tree.patternFile("small1.jpg", 1000, 2);
  tree.patternFile("small2.jpg", 1000, 2);
  EXPECT_EQ(search(1024, "*.jpg").rows.size(), 2u);
  EXPECT_EQ(search(0, "*.jpg").rows.size(), 4u);
  EXPECT_EQ(search(0, "*.*").rows.size(), 5u);
  EXPECT_EQ(search(2000, "*.*").rows.size(), 0u);
}

TEST_F(DuplicateSearchTest, UnreadableFilesAreSkippedAndReported) {
  // Root reads everything, so the search runs as an unprivileged user in a child process.
  PELIMOR_POSIX_ONLY("permission bits and other users");
  tree.patternFile("pair/a", 5000, 1);
  tree.patternFile("pair/b", 5000, 1);
  tree.patternFile("pair/locked", 5000, 1);
  tree.patternFile("hidden-away/c", 5000, 1);
  ASSERT_EQ(chmod(tree.root().c_str(), 0755), 0);
  ASSERT_EQ(chmod(p("pair/locked").c_str(), 0), 0);
  ASSERT_EQ(chmod(p("hidden-away").c_str(), 0), 0);
  const std::string report = testing::runUnprivileged([&] {
    SearchProgress childProgress;
    SearchControl childControl;
    const SearchResult result = runDuplicateSearch(requestFor({tree.root()}), childProgress, childControl);
    std::string lines;
    for (const std::string& line : describe(result.rows)) lines += line + "\n";
    for (const SkippedFile& skipped : result.skipped) lines += "skipped " + skipped.path + ": " + skipped.reason + "\n";
    return lines;
  });
  const std::string crc = crcOf(testing::TempTree::patternBytes(5000, 1));
  EXPECT_EQ(report, "1 5000 " + crc + " " + p("pair/a") + "\n1 5000 " + crc + " " + p("pair/b") + "\nskipped " +
                        p("pair/locked") + ": Permission denied\n");
}

TEST_F(DuplicateSearchTest, CancelKeepsWhatWasFoundAbortKeepsNothing) {
  tree.file("a", "same");
  tree.file("b", "same");
  control.cancel();
  SearchResult result = search();
  EXPECT_TRUE(result.cancelled);
  EXPECT_FALSE(result.aborted);
  EXPECT_TRUE(result.rows.empty());

  SearchControl aborting;
  aborting.abort();
  result = runDuplicateSearch(requestFor({tree.root()}), progress, aborting);
  EXPECT_TRUE(result.aborted);
  EXPECT_TRUE(result.rows.empty());
}

TEST_F(DuplicateSearchTest, CancelDuringTheWalkStillGroupsWhatWasFound) {
  for (int folder = 0; folder < 40; ++folder)
    for (int file = 0; file < 50; ++file)
      tree.file("d" + std::to_string(folder) + "/f" + std::to_string(file), "same content");
  SearchRequest request = requestFor({tree.root()});
  request.readThreads = 1;
  std::thread canceller([&] {
    while (progress.filesSeen() < 100 && progress.phase() != SearchPhase::Done) std::this_thread::yield();
    control.cancel();
  });
  const SearchResult result = runDuplicateSearch(request, progress, control);
  canceller.join();
  // How far the walk got before the cancel depends on the scheduler; whatever it found is grouped.
  ASSERT_GE(progress.candidates(), 100u);
  EXPECT_EQ(result.rows.size(), progress.candidates());
  EXPECT_FALSE(result.aborted);
  for (const ResultRow& row : result.rows) EXPECT_EQ(row.group, 1u);
}

TEST(MinimumSize, KilobyteTextsAreWholeNumbers) {
  std::uint64_t bytes = 0;
  EXPECT_TRUE(minimumSizeFromKilobytes("100", bytes));
  EXPECT_EQ(bytes, 102400u);
  EXPECT_TRUE(minimumSizeFromKilobytes("0", bytes));
  EXPECT_EQ(bytes, 0u);
  for (const char* bad : {"", "-1", "1.5", "12a", " 1", "99999999999999999999"})
    EXPECT_FALSE(minimumSizeFromKilobytes(bad, bytes)) << bad;
}

}  // namespace
}  // namespace pelimor
