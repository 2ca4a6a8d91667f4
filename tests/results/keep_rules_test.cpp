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
};

std::vector<ResultRow> rowsOf(const std::vector<Given>& given) {
  std::vector<ResultRow> rows;
  for (const Given& g : given) {
    ResultRow& row = rows.emplace_back();
    row.group = g.group;
    row.path = g.path;
    row.identity.modifiedNanoseconds = g.modified;
    row.reference = g.reference;
  }
  return rows;
}

// A selection written one mark per row: 'x' selected, '.' not.
std::vector<bool> flagsOf(std::string_view marks) {
  std::vector<bool> flags;
  for (const char mark : marks) flags.push_back(mark == 'x');
  return flags;
}

std::string marksOf(const std::vector<bool>& flags) {
  std::string marks;
  for (const bool flag : flags) marks += flag ? 'x' : '.';
  return marks;
}

struct Case {
  const char* what;
  std::vector<Given> rows;
  std::string before;
  std::string after;
  std::size_t leftAlone = 0;
};

using Change = std::function<SelectionChange(const std::vector<ResultRow>&, const std::vector<bool>&)>;

void expectCases(const std::vector<Case>& cases, const Change& change) {
  for (const Case& c : cases) {
    const SelectionChange result = change(rowsOf(c.rows), flagsOf(c.before));
    EXPECT_EQ(marksOf(result.selected), c.after) << c.what;
    EXPECT_EQ(result.groupsLeftAlone, c.leftAlone) << c.what;
  }
}

constexpr bool kRef = true;

TEST(KeepRules, NamesGoBothWays) {
  for (const std::string_view name : kKeepRuleNames) EXPECT_EQ(keepRuleName(*keepRuleNamed(name)), name);
  EXPECT_EQ(keepRuleNamed("shortest-path"), KeepRule::ShortestPath);
  EXPECT_FALSE(keepRuleNamed("Newest"));
  EXPECT_FALSE(keepRuleNamed(""));
}

TEST(KeepRules, KeepOneFilePerGroup) {
  const std::vector<Given> times = {{1, "/a/1", 10}, {1, "/b/1", 30}, {1, "/c/1", 20}};
  const std::vector<Given> paths = {{1, "/aa/x"}, {1, "/a/x"}, {1, "/aaa/x"}};
  const struct {
    KeepRule rule;
    std::vector<std::string> sources;
    Case c;
  } cases[] = {
      {KeepRule::Newest, {}, {"newest", times, "...", "x.x"}},
      {KeepRule::Oldest, {}, {"oldest", times, "xxx", ".xx"}},
      {KeepRule::Newest,
       {},
       {"equal times: smaller path", {{1, "/b/x", 5}, {1, "/a/x", 5}, {1, "/c/x", 1}}, "...", "x.x"}},
      {KeepRule::ShortestPath, {}, {"shortest", paths, "...", "x.x"}},
      {KeepRule::LongestPath, {}, {"longest", paths, "...", "xx."}},
      {KeepRule::ShortestPath, {}, {"equal lengths: smaller path", {{1, "/b/x"}, {1, "/a/x"}}, "..", "x."}},
      {KeepRule::ShortestPath, {}, {"characters, not bytes", {{1, "/ab/x"}, {1, "/\xC3\xA9/x"}}, "..", "x."}},
      {KeepRule::FirstSource,
       {"/photos", "/backup"},
       {"first source", {{1, "/backup/x"}, {1, "/photos/sub/x"}, {1, "/other/x"}}, "...", "x.x"}},
      {KeepRule::FirstSource,
       {"/photo", "/p/"},
       {"source at a separator, trailing one dropped", {{1, "/photos/x"}, {1, "/p/x"}}, "..", "x."}},
      {KeepRule::FirstSource, {"/s"}, {"under none: smaller path", {{1, "/z/x"}, {1, "/y/x"}}, "..", "x."}},
      {KeepRule::FirstSource, {"/"}, {"the root holds all", {{1, "/z/x"}, {1, "/y/x"}}, "..", "x."}},
      {KeepRule::Newest, {}, {"a reference row is kept", {{1, "/new/x", 50}, {1, "/ref/x", 1, kRef}}, "..", "x."}},
      {KeepRule::Oldest,
       {},
       {"reference rows end unselected", {{1, "/r1/x", 1, kRef}, {1, "/r2/x", 2, kRef}, {1, "/a/x", 3}}, "x..", "..x"}},
      {KeepRule::Newest, {}, {"all reference", {{1, "/r1/x", 1, kRef}, {1, "/r2/x", 2, kRef}}, "..", ".."}},
      {KeepRule::Newest,
       {},
       {"groups told by number",
        {{1, "/a", 1}, {2, "/b", 9}, {1, "/c", 2}, {2, "/d", 8}, {3, "/e"}},
        "xxxxx",
        "x..x."}},
  };
  for (const auto& [rule, sources, c] : cases)
    expectCases({c},
                [&](const auto& rows, const auto& selected) { return applyKeepRule(rows, selected, rule, sources); });
}

TEST(KeepRules, InvertFlipsAllButReferenceRows) {
  expectCases(
      {
          {"flipped", {{1, "/a"}, {1, "/b"}, {1, "/c"}}, "x..", ".xx"},
          {"would select all", {{1, "/a"}, {1, "/b"}, {2, "/c"}, {2, "/d"}}, "..x.", "...x", 1},
          {"reference row kept as it was", {{1, "/r", 0, kRef}, {1, "/a"}, {1, "/b"}}, "..x", ".x."},
          {"a selected reference row counts", {{1, "/r", 0, kRef}, {1, "/a"}, {1, "/b"}}, "x..", "x..", 1},
      },
      [](const auto& rows, const auto& selected) { return invertInGroups(rows, selected); });
}

TEST(KeepRules, DeselectFolderTakesOnlyRowsDirectlyInIt) {
  const std::vector<Given> rows = {{1, "/a/x"},          {1, "/a/sub/x"}, {1, "/ab/x"},
                                   {1, "/b/x", 0, kRef}, {2, "/x"},       {2, "/y"}};
  const struct {
    std::string_view folder;
    Case c;
  } cases[] = {
      {"/a", {"directly in it", rows, "xxxxxx", ".xxxxx"}},
      {"/a/", {"trailing separator", rows, "xxxxxx", ".xxxxx"}},
      {"/b", {"a reference row", rows, "xxxx..", "xxx..."}},
      {"/", {"root", rows, "xxxxxx", "xxxx.."}},
  };
  for (const auto& [folder, c] : cases)
    expectCases({c}, [&](const auto& r, const auto& selected) { return deselectFolder(r, selected, folder); });
}

TEST(KeepRules, SelectionOfAnotherLengthIsRefused) {
  const std::vector<ResultRow> rows = rowsOf({{1, "/a"}, {1, "/b"}});
  EXPECT_THROW(applyKeepRule(rows, {true}, KeepRule::Newest, {}), std::invalid_argument);
  EXPECT_THROW(invertInGroups(rows, {}), std::invalid_argument);
}

}  // namespace
}  // namespace pelimor
