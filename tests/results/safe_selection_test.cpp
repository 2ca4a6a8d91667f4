#include "results/safe_selection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/paths.h"
#include "support/reference_selection.h"
#include "support/test_files.h"

namespace pelimor {
namespace {

ResultRow row(std::uint32_t group, std::string path) { return testing::rowAt(group, std::move(path)); }

std::vector<std::string> pathsOf(const std::vector<ResultRow>& rows, const SafeSelectionResult& result) {
  std::vector<std::string> paths;
  for (std::size_t k = 0; k < result.order.size(); ++k)
    if (result.selected[k]) paths.push_back(rows[result.order[k]].path);
  return paths;
}

using Paths = std::vector<std::string>;

TEST(SafeSelection, EmptyListOnlyTellsSo) {
  const SafeSelectionResult result = safeSelection({}, {}, std::nullopt, SortState{ResultColumn::Name, true});
  ASSERT_TRUE(result.notice);
  EXPECT_EQ(result.notice->kind, Notice::Kind::Information);
  EXPECT_EQ(result.notice->title, "Information");
  EXPECT_EQ(result.notice->text, "The list of results is empty.");
  EXPECT_TRUE(result.order.empty());
  EXPECT_TRUE(result.selected.empty());
  EXPECT_FALSE(result.focused);
  EXPECT_FALSE(result.focusedTopRow);
}

TEST(SafeSelection, WithoutSelectionTheTopRowIsSelectedFocusedAndGivesTheFolder) {
  const std::vector<ResultRow> rows = {row(2, "/top/a"), row(2, "/other/a"), row(1, "/top/b"), row(1, "/x/b")};
  const SafeSelectionResult result = safeSelection(rows, std::vector<bool>(4, false), std::nullopt, SortState{});
  EXPECT_FALSE(result.notice);
  EXPECT_TRUE(result.focusedTopRow);
  // Sorted by group: /top/b, /x/b, /top/a, /other/a; the former top row now stands third.
  EXPECT_EQ(result.order, (std::vector<std::size_t>{2, 3, 0, 1}));
  ASSERT_TRUE(result.focused);
  EXPECT_EQ(*result.focused, 2u);
  EXPECT_EQ(pathsOf(rows, result), (Paths{"/top/b", "/top/a"}));
  EXPECT_EQ(result.newlySelected, (std::vector<std::size_t>{0, 2}));
}

TEST(SafeSelection, AFocusedRowTakesPrecedenceOverTheTopRowOnlyWhenSomethingIsSelected) {
  const std::vector<ResultRow> rows = {row(1, "/a/x"), row(1, "/b/x")};
  // Nothing selected: the top row is the reference even though another row has the focus.
  SafeSelectionResult result = safeSelection(rows, {false, false}, 1, SortState{});
  EXPECT_TRUE(result.focusedTopRow);
  EXPECT_EQ(*result.focused, 0u);
  EXPECT_EQ(pathsOf(rows, result), (Paths{"/a/x"}));
}

TEST(SafeSelection, ThreeUnselectedRowsInTheFolderLeaveTheLastOne) {
  const std::vector<ResultRow> rows = {row(1, "/ref/a"), row(1, "/ref/b"), row(1, "/ref/c"), row(2, "/other/d"),
                                       row(2, "/ref/e")};
  const SafeSelectionResult result = safeSelection(rows, {false, false, false, false, true}, 4, SortState{});
  EXPECT_FALSE(result.focusedTopRow);
  EXPECT_EQ(pathsOf(rows, result), (Paths{"/ref/a", "/ref/b", "/ref/e"}));
  EXPECT_EQ(result.newlySelected, (std::vector<std::size_t>{0, 1}));
  EXPECT_EQ(*result.focused, 4u);
}

TEST(SafeSelection, TheReferenceRowNeedNotBeSelected) {
  const std::vector<ResultRow> rows = {row(1, "/keep/a"), row(1, "/ref/a"), row(2, "/ref/b"), row(2, "/keep/b")};
  // Row 0 is selected, the focus is on the unselected row 2 in /ref.
  const SafeSelectionResult result = safeSelection(rows, {false, false, false, true}, 2, SortState{});
  EXPECT_EQ(pathsOf(rows, result), (Paths{"/ref/a", "/keep/b"}));
}

TEST(SafeSelection, TwoRowGroupLosesOnlyItsRowInTheFolder) {
  const std::vector<ResultRow> rows = {row(1, "/elsewhere/a"), row(1, "/ref/a"), row(2, "/ref/z"), row(2, "/q/z")};
  const SafeSelectionResult result = safeSelection(rows, {false, false, true, false}, 2, SortState{});
  EXPECT_EQ(pathsOf(rows, result), (Paths{"/ref/a", "/ref/z"}));
}

TEST(SafeSelection, GroupWithoutRowsInTheFolderIsUntouched) {
  const std::vector<ResultRow> rows = {row(1, "/ref/a"), row(1, "/x/a"), row(2, "/y/b"), row(2, "/z/b"),
                                       row(2, "/y/c")};
  const SafeSelectionResult result = safeSelection(rows, {true, false, false, false, false}, 0, SortState{});
  EXPECT_EQ(pathsOf(rows, result), (Paths{"/ref/a"}));
  EXPECT_TRUE(result.newlySelected.empty());
}

TEST(SafeSelection, FolderLetterCaseCounts) {
  const std::vector<ResultRow> rows = {row(1, "/Photos/a"), row(1, "/photos/a"), row(2, "/PHOTOS/b"), row(2, "/p/b")};
  const SafeSelectionResult result = safeSelection(rows, {true, false, false, false}, 0, SortState{});
  EXPECT_EQ(pathsOf(rows, result), (Paths{"/Photos/a"}));
}

TEST(SafeSelection, SubfoldersAndLongerNamesAreOtherFolders) {
  const std::vector<ResultRow> rows = {row(1, "/ref/a"), row(1, "/ref/sub/a"), row(1, "/refs/a"), row(1, "/ref2"),
                                       row(1, "/x/a")};
  const SafeSelectionResult result = safeSelection(rows, {true, false, false, false, false}, 0, SortState{});
  EXPECT_EQ(pathsOf(rows, result), (Paths{"/ref/a"}));
}

TEST(SafeSelection, RootFolderMatchesOnlyFilesDirectlyInTheRoot) {
  const std::vector<ResultRow> rows = {row(1, "/a.txt"), row(1, "/b.txt"), row(1, "/home/c.txt"), row(2, "/d.txt"),
                                       row(2, "/home/d.txt")};
  const SafeSelectionResult result = safeSelection(rows, {true, false, false, false, false}, 0, SortState{});
  EXPECT_EQ(pathsOf(rows, result), (Paths{"/a.txt", "/b.txt", "/d.txt"}));
}

TEST(SafeSelection, RunningTwiceSelectsNothingMore) {
  const std::vector<ResultRow> rows = {row(1, "/r/a"), row(1, "/r/b"), row(1, "/s/a"), row(2, "/r/c"),
                                       row(2, "/r/d"), row(3, "/r/e"), row(3, "/t/e")};
  const SafeSelectionResult first =
      safeSelection(rows, std::vector<bool>(rows.size(), false), std::nullopt, SortState{});
  const std::vector<ResultRow> arranged = inOrder(rows, first.order);
  const SafeSelectionResult second = safeSelection(arranged, first.selected, first.focused, first.sort);
  EXPECT_TRUE(second.newlySelected.empty());
  EXPECT_EQ(second.selected, first.selected);
  EXPECT_EQ(pathsOf(arranged, second), (Paths{"/r/a", "/r/b", "/r/c", "/r/e"}));
}

TEST(SafeSelection, OnlyAddsToTheSelectionEvenInAFullySelectedGroup) {
  const std::vector<ResultRow> rows = {row(1, "/r/a"), row(1, "/s/a"), row(2, "/x/b"), row(2, "/y/b")};
  const SafeSelectionResult result = safeSelection(rows, {true, false, true, true}, 0, SortState{});
  EXPECT_EQ(pathsOf(rows, result), (Paths{"/r/a", "/x/b", "/y/b"}));
}

TEST(SafeSelection, AfterwardsTheListIsInGroupOrderInTheCurrentDirection) {
  const std::vector<ResultRow> rows = {row(3, "/r/c1"), row(1, "/r/a1"), row(2, "/r/b1"),
                                       row(1, "/s/a2"), row(3, "/s/c2"), row(2, "/s/b2")};
  SafeSelectionResult result =
      safeSelection(rows, std::vector<bool>(6, false), std::nullopt, SortState{ResultColumn::Name, false});
  EXPECT_EQ(result.sort.column, ResultColumn::Group);
  EXPECT_FALSE(result.sort.descending);
  std::vector<std::uint32_t> groups;
  for (const std::size_t k : result.order) groups.push_back(rows[k].group);
  EXPECT_EQ(groups, (std::vector<std::uint32_t>{1, 1, 2, 2, 3, 3}));

  result = safeSelection(rows, std::vector<bool>(6, false), std::nullopt, SortState{ResultColumn::Path, true});
  EXPECT_EQ(result.sort.column, ResultColumn::Group);
  EXPECT_TRUE(result.sort.descending);
  groups.clear();
  for (const std::size_t k : result.order) groups.push_back(rows[k].group);
  EXPECT_EQ(groups, (std::vector<std::uint32_t>{3, 3, 2, 2, 1, 1}));
  // Rows of one group keep their order, so the first one in the list is the one that goes.
  EXPECT_EQ(pathsOf(rows, result), (Paths{"/r/c1", "/r/b1", "/r/a1"}));
}

TEST(SafeSelection, WithoutAFocusedRowTheFirstSelectedRowIsTheReference) {
  const std::vector<ResultRow> rows = {row(1, "/a/x"), row(1, "/b/x"), row(2, "/b/y"),
                                       row(2, "/a/y"), row(3, "/a/z"), row(3, "/c/z")};
  SafeSelectionResult result =
      safeSelection(rows, {false, true, false, false, false, false}, std::nullopt, SortState{});
  EXPECT_FALSE(result.focused);
  EXPECT_FALSE(result.focusedTopRow);
  EXPECT_EQ(pathsOf(rows, result), (Paths{"/b/x", "/b/y"}));
  // A focus past the end of the list counts as none.
  result = safeSelection(rows, {false, true, false, false, false, false}, 99, SortState{});
  EXPECT_FALSE(result.focused);
  EXPECT_EQ(pathsOf(rows, result), (Paths{"/b/x", "/b/y"}));
}

TEST(SafeSelection, NeverSelectsAReferenceRowNorDoesSelectInFolder) {
  std::vector<ResultRow> rows = {row(1, "/r/a"), row(1, "/s/a"), row(2, "/r/b"), row(2, "/t/b"), row(2, "/r/c")};
  rows[0].reference = true;  // the top row still gives the folder and takes the focus
  rows[4].reference = true;
  const SafeSelectionResult result = safeSelection(rows, std::vector<bool>(5, false), std::nullopt, SortState{});
  EXPECT_TRUE(result.focusedTopRow);
  EXPECT_EQ(result.focused, 0u);
  EXPECT_EQ(pathsOf(rows, result), (Paths{"/r/b"}));
  EXPECT_EQ(result.newlySelected, (std::vector<std::size_t>{2}));
  std::vector<bool> selected(5, false);
  selectInFolder(rows, selected, platform::FolderId{}, false);  // every row's folder identity is the same here
  EXPECT_EQ(selected, (std::vector<bool>{false, true, true, true, false}));
}

TEST(SafeSelection, SelectionOfAnotherLengthIsRefused) {
  EXPECT_THROW(safeSelection({row(1, "/a"), row(1, "/b")}, {true}, std::nullopt, SortState{}), std::invalid_argument);
}

TEST(groupRunUnselectedCount, CountsTheRunThatStartsAtTheGroupsFirstRow) {
  const std::vector<ResultRow> rows = {row(1, "/a"), row(2, "/b"), row(2, "/c"),
                                       row(2, "/d"), row(1, "/e"), row(2, "/f")};
  const std::vector<bool> selected = {false, false, true, false, false, false};
  EXPECT_EQ(testing::groupRunUnselectedCount(rows, selected, 2), 2u);
  EXPECT_EQ(testing::groupRunUnselectedCount(rows, selected, 1), 1u);
  EXPECT_EQ(testing::groupRunUnselectedCount(rows, selected, 7), 0u);
}

// The selection pass as first written: the count is taken afresh, from the top, for every row.
SafeSelectionResult quadraticSafeSelection(const std::vector<ResultRow>& rows, const std::vector<bool>& selected,
                                           std::optional<std::size_t> focused, const SortState& sort) {
  SafeSelectionResult result;
  std::vector<bool> chosen = selected;
  if (std::find(chosen.begin(), chosen.end(), true) == chosen.end()) {
    chosen[0] = true;
    focused = 0;
  }
  if (focused && *focused >= rows.size()) focused.reset();
  const std::size_t reference =
      focused ? *focused : static_cast<std::size_t>(std::find(chosen.begin(), chosen.end(), true) - chosen.begin());
  const std::string folder = platform::folderPartOf(rows[reference].path);
  result.sort = SortState{ResultColumn::Group, sort.descending};
  result.order = sortedOrder(rows, result.sort);
  const std::vector<ResultRow> list = inOrder(rows, result.order);
  for (const std::size_t k : result.order) result.selected.push_back(chosen[k]);
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (result.selected[i]) continue;
    if (testing::groupRunUnselectedCount(list, result.selected, list[i].group) <= 1) continue;
    if (platform::folderPartOf(list[i].path) == folder) result.selected[i] = true;
  }
  return result;
}

TEST(SafeSelection, AgreesWithTheRowByRowRecountOnRandomLists) {
  std::mt19937 random(20240601);
  const std::vector<std::string> folders = {"/", "/a", "/A", "/a/b", "/ab", "/a/b/c", "/x"};
  for (int round = 0; round < 400; ++round) {
    std::vector<ResultRow> rows;
    const int groups = 1 + static_cast<int>(random() % 12);
    for (int g = 1; g <= groups; ++g) {
      const int members = 2 + static_cast<int>(random() % 5);
      for (int m = 0; m < members; ++m)
        rows.push_back(row(static_cast<std::uint32_t>(g),
                           platform::joinPath(folders[random() % folders.size()], "f" + std::to_string(rows.size()))));
    }
    std::shuffle(rows.begin(), rows.end(), random);
    std::vector<bool> selected(rows.size());
    const unsigned density = random() % 4;  // 0: nothing selected
    for (std::size_t i = 0; i < rows.size(); ++i) selected[i] = density != 0 && random() % (2 + density) == 0;
    std::optional<std::size_t> focused;
    if (random() % 3 != 0) focused = random() % (rows.size() + 1);  // sometimes past the end
    const SortState sort{static_cast<ResultColumn>(random() % kResultColumnCount), random() % 2 == 0};

    const SafeSelectionResult fast = safeSelection(rows, selected, focused, sort);
    const SafeSelectionResult slow = quadraticSafeSelection(rows, selected, focused, sort);
    ASSERT_EQ(fast.order, slow.order) << "round " << round;
    ASSERT_EQ(fast.selected, slow.selected) << "round " << round;
    std::vector<std::size_t> added;
    for (std::size_t k = 0; k < fast.order.size(); ++k) {
      ASSERT_TRUE(fast.selected[k] || !selected[fast.order[k]]) << "a selection was cleared, round " << round;
      if (fast.selected[k] && !selected[fast.order[k]]) added.push_back(k);
    }
    ASSERT_EQ(fast.newlySelected, added) << "round " << round;
  }
}

// Folders are told by identity, and "below" is below on disk. The deepest file comes first, so
// that the folders above it are answered from what its lookup learnt.
TEST(SelectInFolder, SelectsByFolderIdentityDirectlyOrAnywhereBelow) {
  testing::TempFolder tree;
  const std::vector<std::string> files = {"a/s/t/x", "b/x", "a/x", "a/s/x"};
  std::vector<ResultRow> rows;
  for (std::uint32_t group = 1; group <= files.size(); ++group) {
    for (const std::string& file : {files[group - 1], "keep/" + std::to_string(group)}) {
      testing::writeFile(tree / file, "content " + std::to_string(group));
      rows.push_back(testing::rowFor(tree / file, group));
    }
  }
  const auto identityOf = [](const std::string& folder) {
    platform::FileStatus status;
    EXPECT_EQ(platform::statusOfPath(folder, true, status), std::error_code()) << folder;
    return platform::FolderId{status.device, status.inode};
  };
  const struct {
    std::string folder;
    bool wholeTree;
    Paths selected;
  } cases[] = {
      {tree / "a", false, {"a/x"}},
      {tree / "a", true, {"a/s/t/x", "a/x", "a/s/x"}},
      {tree / "a/s", true, {"a/s/t/x", "a/s/x"}},
      {tree / "b", true, {"b/x"}},
      {tree / "keep", false, {"keep/1", "keep/2", "keep/3", "keep/4"}},
      {tree.path(), true, files},  // never the last unselected copy: the kept ones stay
  };
  for (const auto& c : cases) {
    std::vector<bool> selected(rows.size(), false);
    selectInFolder(rows, selected, identityOf(c.folder), c.wholeTree);
    Paths chosen;
    for (std::size_t i = 0; i < rows.size(); ++i)
      if (selected[i]) chosen.push_back(rows[i].path.substr(tree.path().size() + 1));
    EXPECT_EQ(chosen, c.selected) << c.folder << (c.wholeTree ? " and below" : "");
  }
}

// The sort the action runs: the same order as the comparison gives, ties kept in list order,
// whether the numbers are dense or far apart (where it falls back on comparing).
TEST(GroupOrder, IsTheStableSortByGroupNumberInBothDirections) {
  std::mt19937 random(77);
  for (const std::uint32_t spread : {5u, 1000u, 4'000'000'000u}) {
    std::vector<ResultRow> rows;
    for (int i = 0; i < 300; ++i)
      rows.push_back(
          row(static_cast<std::uint32_t>(random() % spread) + (spread > 1000 ? 1000 : 0), "/f" + std::to_string(i)));
    for (const bool descending : {false, true})
      EXPECT_EQ(groupOrder(rows, descending), sortedOrder(rows, SortState{ResultColumn::Group, descending}))
          << "spread " << spread << (descending ? " descending" : " ascending");
  }
  EXPECT_TRUE(groupOrder({}, false).empty());
  EXPECT_EQ(groupOrder({row(4'294'967'295u, "/a"), row(0, "/b")}, true), (std::vector<std::size_t>{0, 1}));
}

}  // namespace
}  // namespace pelimor
