#include "results/group_guard.h"

#include <gtest/gtest.h>

#include "support/reference_selection.h"
#include "support/test_files.h"

namespace pelimor {
namespace {

ResultRow row(std::uint32_t group, std::string path) { return testing::rowAt(group, std::move(path)); }

constexpr const char* kClearLine = "Please clear the selection from any file in each of the above groups.";

TEST(RemovalRefusal, EmptyListAndNoSelection) {
  std::optional<Notice> notice = removalRefusal({}, {});
  ASSERT_TRUE(notice);
  EXPECT_EQ(notice->kind, Notice::Kind::Information);
  EXPECT_EQ(notice->title, "Information");
  EXPECT_EQ(notice->text, "The list of results is empty.");

  notice = removalRefusal({row(1, "/a"), row(1, "/b")}, {false, false});
  ASSERT_TRUE(notice);
  EXPECT_EQ(notice->kind, Notice::Kind::Information);
  EXPECT_EQ(notice->text, "No file selected.");
}

TEST(RemovalRefusal, FullySelectedTwoRowGroup) {
  const std::vector<ResultRow> rows = {row(3, "/a"), row(3, "/b"), row(4, "/c"), row(4, "/d")};
  const std::optional<Notice> notice = removalRefusal(rows, {true, false, true, true});
  ASSERT_TRUE(notice);
  EXPECT_EQ(notice->kind, Notice::Kind::GroupGuard);
  EXPECT_EQ(notice->title, "Pelimor");
  EXPECT_EQ(notice->text, std::string("All files are selected in group(s): 4.\n") + kClearLine);
}

TEST(RemovalRefusal, GroupsTwelveAndTwoInListOrderOnceEach) {
  // Sorted so that group 12 comes first; "2" is not taken for part of "12".
  const std::vector<ResultRow> rows = {row(12, "/a"), row(2, "/b"), row(12, "/c"), row(1, "/d"),
                                       row(2, "/e"),  row(1, "/f"), row(12, "/g")};
  const std::optional<Notice> notice = removalRefusal(rows, {true, true, true, true, true, false, true});
  ASSERT_TRUE(notice);
  EXPECT_EQ(notice->text, std::string("All files are selected in group(s): 12, 2.\n") + kClearLine);
}

TEST(RemovalRefusal, LetsThroughWhenEveryGroupKeepsARow) {
  const std::vector<ResultRow> rows = {row(1, "/a"), row(1, "/b"), row(2, "/c"), row(2, "/d"), row(2, "/e")};
  EXPECT_FALSE(removalRefusal(rows, {true, false, true, true, false}));
  EXPECT_THROW(removalRefusal(rows, {true}), std::invalid_argument);
}

TEST(groupUnselectedCount, CountsTheWholeListInAnyOrder) {
  const std::vector<ResultRow> rows = {row(2, "/a"), row(1, "/b"), row(2, "/c"), row(1, "/d"), row(2, "/e")};
  const std::vector<bool> selected = {false, true, true, false, false};
  EXPECT_EQ(testing::groupUnselectedCount(rows, selected, 2), 2u);
  EXPECT_EQ(testing::groupUnselectedCount(rows, selected, 1), 1u);
  EXPECT_EQ(testing::groupUnselectedCount(rows, selected, 9), 0u);
}

TEST(GroupGuardText, NoGroupsNoText) {
  EXPECT_EQ(groupGuardText({}), "");
  EXPECT_EQ(groupGuardText({7, 100, 3}), std::string("All files are selected in group(s): 7, 100, 3.\n") + kClearLine);
  std::vector<std::uint32_t> many(57773);
  std::string first50;
  for (std::uint32_t i = 0; i < many.size(); ++i) many[i] = i + 1;
  for (int i = 1; i <= 50; ++i) first50 += (i > 1 ? ", " : "") + std::to_string(i);
  EXPECT_EQ(groupGuardText(many),
            "All files are selected in group(s): " + first50 + ", \u2026 and 57723 more.\n" + kClearLine);
}

}  // namespace
}  // namespace pelimor
