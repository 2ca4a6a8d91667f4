// Twin folders found on real trees: what makes two folders twins, and what keeps them apart.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <functional>

#include "search/duplicate_search.h"
#include "search/search_test_support.h"
#include "support/posix_only.h"
#include "support/temp_tree.h"
#include "support/unprivileged.h"

namespace pelimor {
namespace {

using testing::TempTree;

// "bytes files a b | bytes files c d" with paths below the tree's root.
std::string describeGroups(const std::vector<FolderGroup>& groups, const std::string& root) {
  std::string text;
  for (const FolderGroup& group : groups) {
    text += (text.empty() ? "" : " | ") + std::to_string(group.bytes) + " " + std::to_string(group.files);
    for (const TwinFolder& folder : group.folders) text += " " + folder.path.substr(root.size() + 1);
  }
  return text;
}

std::string twinsIn(const TempTree& tree, FolderComparison comparison = {}) {
  SearchRequest request = testing::requestFor({tree.root()}, 100 * 1024, "*.jpg");  // both ignored
  request.findFolderTwins = true;
  request.folderComparison = comparison;
  SearchProgress progress;
  SearchControl control;
  return describeGroups(runDuplicateSearch(request, progress, control).folderGroups, tree.root());
}

// Two folders a and b, each given the same three files, then changed by the case.
void twinPair(const TempTree& tree) {
  for (const char* side : {"a/", "b/"}) {
    tree.patternFile(std::string(side) + "big.bin", 5000, 1);
    tree.file(std::string(side) + "small.txt", "same");
    tree.file(std::string(side) + "sub/empty", "");
  }
}

struct TwinCase {
  const char* name;
  std::function<void(const TempTree&)> change;  // applied after twinPair
  FolderComparison comparison;
  std::string expected;
};

TEST(FolderTwinsTest, WhatMakesTwins) {
  const std::string pair = "5004 3 a b";
  const TwinCase cases[] = {
      {"equal twins", [](const TempTree&) {}, {}, pair},
      {"one extra empty file", [](const TempTree& t) { t.file("b/sub/extra", ""); }, {}, ""},
      {"a hidden file counts", [](const TempTree& t) { t.file("b/.hidden", "x"); }, {}, "0 1 a/sub b/sub"},
      {"hidden folders are compared",
       [](const TempTree& t) {
         t.file("a/.cache/x", "hid");
         t.file("b/.cache/x", "hid");
       },
       {},
       "5007 4 a b"},
      {"one differing byte",
       [](const TempTree& t) {
         std::string bytes = TempTree::patternBytes(5000, 1);
         bytes[4000] ^= 1;
         t.file("b/big.bin", bytes);
       },
       {},
       "0 1 a/sub b/sub"},
      {"a name in other case",
       [](const TempTree& t) { std::filesystem::rename(t.path("b/small.txt"), t.path("b/Small.txt")); },
       {},
       platform::kNamesIgnoreCase ? pair : "0 1 a/sub b/sub"},
      {"names ignored",
       [](const TempTree& t) {
         std::filesystem::rename(t.path("b/small.txt"), t.path("b/renamed.txt"));
         std::filesystem::rename(t.path("b/sub"), t.path("b/other"));
       },
       {true},
       pair},
      {"nested twins listed once",
       [](const TempTree& t) {
         t.patternFile("c/big.bin", 5000, 1);
         t.file("c/small.txt", "same");
         t.file("c/sub/empty", "");
         t.file("lone/sub/empty", "");
       },
       {},
       "5004 3 a b c | 0 1 a/sub b/sub c/sub lone/sub"},
      {"a file elsewhere makes no twin",
       [](const TempTree& t) { t.patternFile("b/unique.bin", 777, 9); },
       {},
       "0 1 a/sub b/sub"},
  };
  for (const TwinCase& test : cases) {
    SCOPED_TRACE(test.name);
    TempTree tree;
    twinPair(tree);
    test.change(tree);
    EXPECT_EQ(twinsIn(tree, test.comparison), test.expected);
  }
}

// "Is A backed up in B?": each folder whose every file is below another folder, with the deepest
// such folders; nothing below a folder listed is listed again.
TEST(FolderTwinsTest, ContainedInFindsTheDeepestHoldersOfEveryFile) {
  TempTree tree;
  tree.patternFile("photos/2020/a.jpg", 3000, 1);
  tree.patternFile("photos/2021/b.jpg", 2000, 2);
  tree.patternFile("backup/all/a copy.jpg", 3000, 1);
  tree.patternFile("backup/all/b copy.jpg", 2000, 2);
  tree.file("backup/all/notes.txt", "only here");
  tree.patternFile("partial/a.jpg", 3000, 1);
  tree.patternFile("partial/lost.jpg", 100, 3);  // no copy anywhere: partial is in no folder
  tree.patternFile("single/b.jpg", 2000, 2);
  EXPECT_EQ(twinsIn(tree, {false, true}), "5000 2 photos backup/all | 2000 1 single backup/all photos/2021");
}

TEST(FolderTwinsTest, LinksAreComparedByTheirText) {
  if (!testing::canMakeSymlinks()) GTEST_SKIP() << "no symbolic links here";
  TempTree tree;
  twinPair(tree);
  tree.symlink("../x", "a/link");
  tree.symlink("../x", "b/link");
  EXPECT_EQ(twinsIn(tree), "5004 3 a b");
  std::filesystem::remove(tree.path("b/link"));
  tree.symlink("../y", "b/link");
  EXPECT_EQ(twinsIn(tree), "0 1 a/sub b/sub");
}

TEST(FolderTwinsTest, WhatCanNotBeComparedMakesNoTwin) {
  PELIMOR_POSIX_ONLY("pipes, and a user without rights to become");
#ifndef _WIN32
  TempTree tree;
  twinPair(tree);
  ASSERT_EQ(mkfifo(tree.path("a/sub/pipe").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(tree.path("b/sub/pipe").c_str(), 0600), 0);
  EXPECT_EQ(twinsIn(tree), "");

  TempTree locked;
  twinPair(locked);
  locked.patternFile("a/sub/secret", 3000, 5);
  locked.patternFile("b/sub/secret", 3000, 5);
  ASSERT_EQ(chmod(locked.root().c_str(), 0755), 0);
  ASSERT_EQ(chmod(locked.path("b/sub/secret").c_str(), 0), 0);
  EXPECT_EQ(testing::runUnprivileged([&] { return twinsIn(locked); }), "");
#endif
}

}  // namespace
}  // namespace pelimor
