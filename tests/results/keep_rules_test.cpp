#include "results/keep_rules.h"

#include <gtest/gtest.h>

#include <functional>

namespace pelimor {
namespace {

struct Given {
  std::uint32_t group;
  std::string path;
  std::int64_t modified = 0;
  bool reference = false;
  std::uint64_t size = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};
constexpr bool kRef = true;

// Selections are written one mark per row: 'x' selected, '.' not. `what` names the rule, folder
// or pattern.
struct Case {
  std::string_view what;
  std::vector<Given> rows;
  std::string before;
  std::string after;
  std::size_t leftAlone = 0;
};

using Change =
    std::function<SelectionChange(const std::vector<ResultRow>&, const std::vector<bool>&, std::string_view what)>;

void expectCases(const std::vector<Case>& cases, const Change& change) {
  for (const Case& c : cases) {
    std::vector<ResultRow> rows;
    for (const Given& g : c.rows) {
      ResultRow& row = rows.emplace_back();
      row.group = g.group;
      row.path = g.path;
      row.identity.modifiedNanoseconds = g.modified;
      row.reference = g.reference;
      row.size = g.size;
      row.width = g.width;
      row.height = g.height;
    }
    std::vector<bool> before;
    for (const char mark : c.before) before.push_back(mark == 'x');
    const SelectionChange result = change(rows, before, c.what);
    std::string after;
    for (const bool flag : result.selected) after += flag ? 'x' : '.';
    EXPECT_EQ(after, c.after) << c.what << " on " << c.rows.front().path;
    EXPECT_EQ(result.groupsLeftAlone, c.leftAlone) << c.what << " on " << c.rows.front().path;
  }
}

TEST(KeepRules, KeepOneFilePerGroup) {
  const std::vector<Given> times = {{1, "/a/1", 10}, {1, "/b/1", 30}, {1, "/c/1", 20}};
  const std::vector<Given> paths = {{1, "/aa/x"}, {1, "/a/x"}, {1, "/aaa/x"}};
  expectCases(
      {
          {"newest", times, "...", "x.x"},
          {"oldest", times, "xxx", ".xx"},
          {"newest", {{1, "/b/x", 5}, {1, "/a/x", 5}, {1, "/c/x", 1}}, "...", "x.x"},  // the smaller path
          {"shortest-path", paths, "...", "x.x"},
          {"longest-path", paths, "...", "xx."},
          {"shortest-path", {{1, "/b/x"}, {1, "/a/x"}}, "..", "x."},
          {"shortest-path", {{1, "/ab/x"}, {1, "/\xC3\xA9/x"}}, "..", "x."},  // characters, not bytes
          {"first-source", {{1, "/backup/x"}, {1, "/p/sub/x"}, {1, "/other/x"}}, "...", "x.x"},
          {"first-source", {{1, "/photos/x"}, {1, "/backup/x"}}, "..", "x."},  // "/photo" ends at a separator
          {"first-source", {{1, "/z/x"}, {1, "/y/x"}}, "..", "x."},            // under none
          {"newest", {{1, "/new/x", 50}, {1, "/ref/x", 1, kRef}}, "..", "x."},
          {"oldest", {{1, "/r1/x", 1, kRef}, {1, "/r2/x", 2, kRef}, {1, "/a/x", 3}}, "x..", "..x"},
          {"newest", {{1, "/a", 1}, {2, "/b", 9}, {1, "/c", 2}, {2, "/d", 8}, {3, "/e"}}, "xxxxx", "x..x."},
          {"largest-file",
           {{1, "/a", 0, false, 100}, {1, "/b", 0, false, 300}, {1, "/c", 0, false, 200}},
           "...",
           "x.x"},
          // The most pixels; among equals the larger file, here by less than 64 KiB.
          {"highest-resolution",
           {{1, "/a", 0, false, 900'000, 100, 100},
            {1, "/b", 0, false, 100'000, 200, 100},
            {1, "/c", 0, false, 150'000, 100, 200}},
           "...",
           "xx."},
          {"highest-resolution", {{1, "/a", 0, false, 9, 10, 10}, {1, "/b", 0, kRef, 1, 1, 1}}, "..", "x."},
      },
      [](const auto& rows, const auto& selected, std::string_view name) {
        return applyKeepRule(rows, selected, *keepRuleNamed(name), {"/photo", "/p/", "/backup"});
      });
  EXPECT_FALSE(keepRuleNamed("Newest"));
  EXPECT_THROW(applyKeepRule({ResultRow{}}, {}, KeepRule::Newest, {}), std::invalid_argument);
}

TEST(KeepRules, InvertDeselectAndSelectMatchingLeaveReferenceRowsAndALastCopy) {
  expectCases(
      {
          {"", {{1, "/a"}, {1, "/b"}, {1, "/c"}}, "x..", ".xx"},
          {"", {{1, "/a"}, {1, "/b"}, {2, "/c"}, {2, "/d"}}, "..x.", "...x", 1},
          {"", {{1, "/r", 0, kRef}, {1, "/a"}, {1, "/b"}}, "..x", ".x."},
          {"", {{1, "/r", 0, kRef}, {1, "/a"}, {1, "/b"}}, "x..", "x..", 1},
      },
      [](const auto& rows, const auto& selected, auto) { return invertInGroups(rows, selected); });
  const std::vector<Given> rows = {{1, "/a/x"},          {1, "/a/sub/x"}, {1, "/ab/x"},
                                   {1, "/b/x", 0, kRef}, {2, "/x"},       {2, "/y"}};
  expectCases(
      {{"/a/", rows, "xxxxxx", ".xxxxx"}, {"/b", rows, "xxxx..", "xxx..."}, {"/", rows, "xxxxxx", "xxxx.."}},
      [](const auto& r, const auto& selected, std::string_view folder) { return deselectFolder(r, selected, folder); });
  const std::vector<Given> jpegs = {{1, "/a/x.jpg"}, {1, "/a/b/x.jpg"}, {1, "/c/x.jpg"}};
  expectCases(
      {
          {"/a/*", jpegs, "..x", "x.x"},
          {"/a/**", jpegs, "...", "xx."},
          {"**.jpg", jpegs, "...", "...", 1},
          {"/a/*", {{1, "/a/r", 0, kRef}, {1, "/a/s"}, {1, "/b/s"}}, "...", ".x."},
      },
      [](const auto& r, const auto& selected, std::string_view pattern) {
        return selectMatching(r, selected, pattern);
      });
}

}  // namespace
}  // namespace pelimor
