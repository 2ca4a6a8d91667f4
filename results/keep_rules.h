#pragma once
// Selections made group by group: keep one file of each group by a rule, invert, take a folder
// out, add the paths a pattern matches. None selects a reference row, and none turns a group into
// one with every file selected: such a group stays exactly as it was.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/notice_text.h"
#include "search/result_row.h"

namespace pelimor {

// What the user is told of the groups a change had to leave as they were (count > 0).
NoticeText groupsLeftAloneText(std::size_t count);

// Which file of each group stays unselected.
// LargestFile and HighestResolution are for groups of similar pictures, whose files differ.
enum class KeepRule : std::uint8_t {
  Newest,
  Oldest,
  ShortestPath,
  LongestPath,
  FirstSource,
  LargestFile,
  HighestResolution
};

// The rules' names as the user writes them, in the order of KeepRule.
inline constexpr std::array<std::string_view, 7> kKeepRuleNames = {
    "newest", "oldest", "shortest-path", "longest-path", "first-source", "largest-file", "highest-resolution"};

std::optional<KeepRule> keepRuleNamed(std::string_view name);
std::string_view keepRuleName(KeepRule rule);

struct SelectionChange {
  std::vector<bool> selected;  // one flag per row, in the rows' order
  // Groups the change would have left with every file selected, kept exactly as they were.
  std::size_t groupsLeftAlone = 0;
};

// In every group, selects every file but the one the rule keeps: the newest or oldest by
// modification time, the shortest or longest path (in characters), the one whose source folder
// comes first in `sourceFolders` (files under none come last; a twin folder that is a source lies
// in it), the largest file, or the picture of the most pixels (the larger file among equals).
// Equal files: the smaller path (byte order) is kept. In a group with a reference row a reference
// row is kept, so all its other rows are selected; reference rows always end unselected. Groups
// are told by number, wherever their rows stand.
// Throws std::invalid_argument when `selected` does not match `rows` in size; so do the others.
SelectionChange applyKeepRule(const std::vector<ResultRow>& rows, const std::vector<bool>& selected, KeepRule rule,
                              const std::vector<std::string>& sourceFolders);

// Within each group, flips every row but the reference rows.
SelectionChange invertInGroups(const std::vector<ResultRow>& rows, const std::vector<bool>& selected);

// Unselects every row directly in `folder` (not in its subfolders).
SelectionChange deselectFolder(const std::vector<ResultRow>& rows, const std::vector<bool>& selected,
                               std::string_view folder);

// Adds every row but the reference rows whose whole path matches the wildcard `pattern` (see
// globMatches; letter case as the system's names take it).
SelectionChange selectMatching(const std::vector<ResultRow>& rows, const std::vector<bool>& selected,
                               std::string_view pattern);

}  // namespace pelimor
