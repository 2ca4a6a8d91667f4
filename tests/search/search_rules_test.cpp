// Exclusions, hidden folders, reference folders and the files without a copy, on real trees.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "search/folder_walker.h"
#include "search/search_test_support.h"
#include "support/posix_only.h"
#include "support/temp_tree.h"
#include "support/test_files.h"

namespace pelimor {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class SearchRulesTest : public ::testing::Test {
 protected:
  std::string p(const std::string& relative) const { return tree.path(relative); }
  testing::TempTree tree;
  SearchProgress progress;
  SearchControl control;
};

TEST_F(SearchRulesTest, ExcludedNamesAndPathsAndHiddenFolders) {
  const Lines all{"keep",      "a.tmp",          "Thumbs.db",           "node_modules/x", "src/node_modules/y",
                  "photos/p",  "photos/cache/c", "photos/cache/deep/d", "build/b",        "lib/build/c",
                  ".hidden/h", "sub/.git/g"};
  for (const std::string& file : all) tree.file(file, "1");
  // y and d match no pattern themselves: their folders are never entered.
  const struct {
    Lines excluded;
    bool ignoreCase, hidden;
    Lines leftOut;
  } cases[] = {
      {{}, false, false, {}},
      {{"node_modules", "*.tmp", "thumbs.db"}, false, false, {"node_modules/x", "src/node_modules/y", "a.tmp"}},
      {{"thumbs.db"}, true, false, {"Thumbs.db"}},
      {{"photos/cache/*", "**/build/"},
       false,
       false,
       {"photos/cache/c", "photos/cache/deep/d", "build/b", "lib/build/c"}},
      {{"/photos/cache"}, false, false, {"photos/cache/c", "photos/cache/deep/d"}},
      {{".git"}, false, true, {"sub/.git/g"}},
  };
  for (const auto& c : cases) {
    WalkRequest request{{tree.root()}, {"*"}, 0, {}, {}, 2};
    request.excludedNames = c.excluded;
    request.namesIgnoreCase = c.ignoreCase;
    request.searchHidden = c.hidden;
    CandidateStore store(2);
    FolderWalker(request, store, progress, control).run();
    Lines found, expected;
    for (const Candidate& file : store.files()) found.push_back(store.pathOf(file).substr(tree.root().size() + 1));
    for (const std::string& file : all) {
      const bool inHiddenFolder = file[0] == '.' || file.find("/.") != std::string::npos;
      if (std::count(c.leftOut.begin(), c.leftOut.end(), file) == 0 && (c.hidden || !inHiddenFolder))
        expected.push_back(file);
    }
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected) << ::testing::PrintToString(c.excluded) << (c.hidden ? " with hidden folders" : "");
  }
}

TEST_F(SearchRulesTest, ReferenceFilesAreMarkedAndTheirOwnGroupsLeftOut) {
  PELIMOR_NEEDS_SYMLINKS();
  // Contents ordered by CRC-32, so the group left out (2) lies between two that stay.
  std::string content[5];
  for (int i = 0; i < 5; ++i) content[i] = testing::contentWithCrcPrefix(std::to_string(i + 1) + "0", 50 + i);
  const std::pair<const char*, int> files[] = {{"src/a", 0},        {"src/ref/a", 0}, {"src/b", 1}, {"src/real/b", 1},
                                               {"src/ref/d", 2},    {"outside/d", 2}, {"src/c", 3}, {"outside/c", 3},
                                               {"outside/in/e", 4}, {"src/e", 4}};
  for (const auto& [path, which] : files) tree.file(path, content[which]);
  tree.file("src/d-size", std::string(content[2].size(), 'x'));  // so the reference copies of d are read
  tree.symlink(p("src/real"), "src/link");
  // A folder nested in a source, one named through a link, and one outside every source that
  // holds a source walked before it.
  SearchRequest request = testing::requestFor({p("src"), p("outside/in")});
  request.referenceFolders = {p("src/ref"), p("src/link"), p("outside")};
  request.readThreads = 1;
  Lines rows;
  for (const ResultRow& row : runDuplicateSearch(request, progress, control).rows)
    rows.push_back(std::to_string(row.group) + (row.reference ? " reference " : " ") + row.path);
  EXPECT_EQ(rows, (Lines{"1 " + p("src/a"), "1 reference " + p("src/ref/a"), "2 " + p("src/b"),
                         "2 reference " + p("src/real/b"), "3 reference " + p("outside/c"), "3 " + p("src/c"),
                         "4 reference " + p("outside/in/e"), "4 " + p("src/e")}));
}

TEST_F(SearchRulesTest, UniqueFilesAreThoseNoOtherFileEquals) {
  const std::pair<const char*, const char*> files[] = {
      {"u/empty", ""},         {"other/empty", ""},       {"u/lonely", "1234567"},     {"u/same", "abcde"},
      {"other/same", "abcdX"}, {"u/copied", "123456789"}, {"other/copy", "123456789"}, {"u/twin1", "xy"},
      {"u/twin2", "xy"},       {"u/hard", "hard link"},   {"other/only", "only"}};
  for (const auto& [path, content] : files) tree.file(path, content);
  tree.hardLink("u/hard", "u/hard2");
  tree.patternFile("u/big", 200000, 1);
  tree.patternFile("other/big", 200000, 2);
  // Every file below u that no other file (another inode) equals; of two names of one file the first.
  Lines expected;
  for (const auto& entry : fs::recursive_directory_iterator(p("u"))) {
    const std::string path = entry.path().generic_string();
    const fs::recursive_directory_iterator everything(tree.root());
    const bool hasCopy = std::any_of(fs::begin(everything), fs::end(everything), [&](const fs::directory_entry& other) {
      return other.is_regular_file() && !fs::equivalent(other.path(), path) &&
             testing::readFile(other.path().generic_string()) == testing::readFile(path);
    });
    if (!hasCopy && path != p("u/hard2")) expected.push_back(path);
  }
  std::sort(expected.begin(), expected.end());
  SearchRequest request = testing::requestFor({p("u"), p("other")}, 100 * 1024);
  request.uniqueIn = {p("u")};
  const SearchResult result = runDuplicateSearch(request, progress, control);
  Lines unique;
  for (const UniqueFile& file : result.uniqueFiles) unique.push_back(file.path);
  EXPECT_EQ(unique, expected);
  EXPECT_EQ(unique.size(), 4u);      // big, hard, lonely, same
  EXPECT_TRUE(result.rows.empty());  // the files no larger than the minimum were compared, not grouped
}

}  // namespace
}  // namespace pelimor
