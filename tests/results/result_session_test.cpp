#include "results/result_session.h"

#include <gtest/gtest.h>

#include "support/test_files.h"

namespace pelimor {
namespace {

ResultRow row(std::uint32_t group, std::string path, std::uint64_t size) {
  ResultRow made = testing::rowAt(group, std::move(path));
  made.size = size;
  return made;
}

std::vector<std::string> pathsOf(const ResultSession& session) {
  std::vector<std::string> paths;
  for (const ResultRow& each : session.rows()) paths.push_back(each.path);
  return paths;
}

std::vector<std::string> selectedPathsOf(const ResultSession& session) {
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < session.size(); ++i)
    if (session.isSelected(i)) paths.push_back(session.rows()[i].path);
  return paths;
}

// Groups 1..3; sizes differ so that the selected bytes tell which rows are selected.
ResultSession sixRows() {
  ResultSession session;
  session.install({row(1, "/b/z", 1), row(1, "/a/a", 2), row(2, "/c/m", 4), row(2, "/a/u", 8), row(3, "/d/9", 16),
                   row(3, "/b/b", 32)});
  return session;
}

// The status bar's count, whatever order the rows are in and whatever numbers a removal left.
TEST(GroupCount, CountsDistinctGroupNumbers) {
  const struct {
    std::vector<std::uint32_t> groups;
    std::size_t count;
  } cases[] = {
      {{}, 0},
      {{1, 1, 2, 2, 3, 3}, 3},
      {{3, 1, 2, 3, 1, 2}, 3},                // sorted by name: the last row is not the highest group
      {{1, 1, 4, 4, 9}, 3},                   // numbers left unused by a removal
      {{4000000000U, 7, 7, 4000000000U}, 2},  // far above the row count: sorted, not marked
  };
  for (const auto& each : cases) {
    std::vector<ResultRow> rows;
    for (const std::uint32_t group : each.groups) rows.push_back(testing::rowAt(group, "/x"));
    EXPECT_EQ(groupCount(rows), each.count);
  }
  ResultSession session = sixRows();
  session.removeFlagged({true, true});
  EXPECT_EQ(session.groupCount(), std::size_t(2));
}

TEST(ResultSession, FlagsGoWithTheirRowsThroughASort) {
  ResultSession session = sixRows();
  session.setSelection({false, true, false, false, true});
  const std::vector<std::size_t> order = session.sortByColumn(ResultColumn::Path);  // the first click: descending
  EXPECT_EQ(order, (std::vector<std::size_t>{4, 2, 0, 5, 3, 1}));
  EXPECT_EQ(pathsOf(session), (std::vector<std::string>{"/d/9", "/c/m", "/b/z", "/b/b", "/a/u", "/a/a"}));
  EXPECT_EQ(selectedPathsOf(session), (std::vector<std::string>{"/d/9", "/a/a"}));
  EXPECT_EQ(session.selectedCount(), 2u);
  EXPECT_EQ(session.selectedBytes(), 18u);
  EXPECT_EQ(session.firstSelected(), std::optional<std::size_t>(0));
  EXPECT_TRUE(session.sort().descending);
  EXPECT_EQ(session.sort().column, ResultColumn::Path);

  session.reorder({5, 4, 3, 2, 1, 0});
  EXPECT_EQ(selectedPathsOf(session), (std::vector<std::string>{"/a/a", "/d/9"}));
  EXPECT_EQ(session.selection(), (std::vector<bool>{true, false, false, false, false, true}));
}

TEST(ResultSession, FlagsOfTheRowsLeftStayAfterARemoval) {
  ResultSession session = sixRows();
  session.setSelection({true, false, true, false, false, true});
  session.removeFlagged(flagsAt({0, 3}, session.size()));
  EXPECT_EQ(pathsOf(session), (std::vector<std::string>{"/a/a", "/c/m", "/d/9", "/b/b"}));
  EXPECT_EQ(session.selection(), (std::vector<bool>{false, true, false, true}));
  EXPECT_EQ(session.selectedCount(), session.countSelectedFlags());
  EXPECT_EQ(session.selectedBytes(), 36u);

  session.setSelected(0, true);
  session.setSelected(1, false);
  session.setSelected(1, false);  // already so: counted once
  EXPECT_EQ(session.selectedCount(), 2u);
  EXPECT_EQ(session.selectedBytes(), 34u);
}

TEST(ResultSession, ASearchsRowsComeUnselectedInGroupOrderKeepingTheDirection) {
  ResultSession session = sixRows();
  session.sortByColumn(ResultColumn::Size);
  session.selectAll();
  EXPECT_EQ(session.selectedBytes(), 63u);
  session.install({row(1, "/x", 5), row(1, "/y", 5)});
  EXPECT_EQ(session.selectedCount(), 0u);
  EXPECT_EQ(session.firstSelected(), std::nullopt);
  EXPECT_EQ(session.sort().column, ResultColumn::Group);
  EXPECT_TRUE(session.sort().descending);
}

}  // namespace
}  // namespace pelimor
