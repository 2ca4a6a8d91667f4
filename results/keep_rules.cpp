#include "results/keep_rules.h"

#include <algorithm>
#include <span>
#include <stdexcept>

#include "platform/paths.h"
#include "results/result_order.h"
#include "results/safe_selection.h"
#include "search/glob_pattern.h"

namespace pelimor {

namespace {
// Lets `decide` set each group's flags (its rows' positions given ascending, wherever they stand
// in the list), then undoes it in a group it changed to every file selected.
template <typename Decide>
SelectionChange changeInGroups(const char* caller, const std::vector<ResultRow>& rows,
                               const std::vector<bool>& selected, const Decide& decide) {
  if (selected.size() != rows.size()) throw std::invalid_argument(std::string(caller) + ": one selection flag per row");
  SelectionChange change{selected, 0};
  std::vector<bool>& flags = change.selected;
  const std::vector<std::size_t> order = groupOrder(rows, false);
  for (std::size_t start = 0; start < order.size();) {
    std::size_t end = start + 1;
    while (end < order.size() && rows[order[end]].group == rows[order[start]].group) ++end;
    const std::span<const std::size_t> members(order.data() + start, end - start);
    decide(members, flags);
    const auto changed = [&](std::size_t i) { return flags[i] != selected[i]; };
    const auto isSelected = [&](std::size_t i) { return flags[i]; };
    if (std::any_of(members.begin(), members.end(), changed) &&
        std::all_of(members.begin(), members.end(), isSelected)) {
      for (const std::size_t i : members) flags[i] = selected[i];
      ++change.groupsLeftAlone;
    }
    start = end;
  }
  return change;
}

// The same, one row at a time: `flagOf(row, flag)` gives the row's new flag.
template <typename FlagOf>
SelectionChange changeEachRow(const char* caller, const std::vector<ResultRow>& rows, const std::vector<bool>& selected,
                              const FlagOf& flagOf) {
  return changeInGroups(caller, rows, selected, [&](std::span<const std::size_t> members, std::vector<bool>& flags) {
    for (const std::size_t i : members) flags[i] = flagOf(rows[i], flags[i]);
  });
}

// Characters, not bytes: UTF-8 continuation bytes don't count.
std::int64_t characterCount(std::string_view text) {
  return std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
}

// `folder` itself or anywhere below it, at a separator boundary: "/a" holds "/a/b/c", not "/ab".
// A twin folder (see twinRows) may be a source folder itself, and then lies in that source.
bool liesAtOrBelow(std::string_view path, std::string_view folder) {
  if (folder.empty() || !path.starts_with(folder)) return false;
  return path.size() == folder.size() || folder.back() == platform::kSeparator ||
         path[folder.size()] == platform::kSeparator;
}

class KeepOrder {
 public:
  KeepOrder(KeepRule rule, const std::vector<std::string>& sourceFolders) : rule_(rule) {
    sources_.reserve(sourceFolders.size());
    for (const std::string& folder : sourceFolders) sources_.push_back(platform::normalizedFolder(folder));
  }

  // The smaller the key, the rather the row is kept. ~x reverses the order without overflowing.
  std::int64_t keyOf(const ResultRow& row) const {
    switch (rule_) {
      case KeepRule::Newest:
        return ~row.identity.modifiedNanoseconds;
      case KeepRule::Oldest:
        return row.identity.modifiedNanoseconds;
      case KeepRule::ShortestPath:
        return characterCount(row.path);
      case KeepRule::LongestPath:
        return ~characterCount(row.path);
      case KeepRule::LargestFile:
        return ~static_cast<std::int64_t>(row.size);
      case KeepRule::HighestResolution:
        // Pixels above, the file's size below: a picture has under 2^36 pixels and its file is
        // taken in units of 64 KiB, capped at 2^26 of them (4 TiB), far beyond any picture.
        return ~static_cast<std::int64_t>((std::uint64_t{row.width} * row.height << 26) |
                                          std::min<std::uint64_t>(row.size >> 16, (1u << 26) - 1));
      case KeepRule::FirstSource:
        break;
    }
    const auto source = std::find_if(sources_.begin(), sources_.end(),
                                     [&](const std::string& folder) { return liesAtOrBelow(row.path, folder); });
    return source - sources_.begin();
  }

 private:
  KeepRule rule_;
  std::vector<std::string> sources_;
};
}  // namespace

NoticeText groupsLeftAloneText(std::size_t count) {
  return NoticeText::counted(
      count,
      PELIMOR_WINDOW_TEXT("Notices", "%1 group was left as it was: selecting more there would have left no copy."),
      PELIMOR_WINDOW_TEXT("Notices",
                          "%1 groups were left as they were: selecting more there would have left no copy."));
}

std::optional<KeepRule> keepRuleNamed(std::string_view name) {
  const auto found = std::find(kKeepRuleNames.begin(), kKeepRuleNames.end(), name);
  if (found == kKeepRuleNames.end()) return std::nullopt;
  return static_cast<KeepRule>(found - kKeepRuleNames.begin());
}

std::string_view keepRuleName(KeepRule rule) { return kKeepRuleNames[static_cast<std::size_t>(rule)]; }

SelectionChange applyKeepRule(const std::vector<ResultRow>& rows, const std::vector<bool>& selected, KeepRule rule,
                              const std::vector<std::string>& sourceFolders) {
  const KeepOrder keepOrder(rule, sourceFolders);
  return changeInGroups("applyKeepRule", rows, selected,
                        [&](std::span<const std::size_t> members, std::vector<bool>& flags) {
                          // A reference row before any other, then the rule, then the smaller path.
                          std::size_t keeper = members.front();
                          std::int64_t keeperKey = keepOrder.keyOf(rows[keeper]);
                          for (const std::size_t i : members.subspan(1)) {
                            const ResultRow& row = rows[i];
                            const ResultRow& kept = rows[keeper];
                            const std::int64_t key = keepOrder.keyOf(row);
                            const bool better = row.reference != kept.reference ? row.reference
                                                : key != keeperKey              ? key < keeperKey
                                                                                : row.path < kept.path;
                            if (better) {
                              keeper = i;
                              keeperKey = key;
                            }
                          }
                          for (const std::size_t i : members) flags[i] = i != keeper && !rows[i].reference;
                        });
}

SelectionChange invertInGroups(const std::vector<ResultRow>& rows, const std::vector<bool>& selected) {
  return changeEachRow("invertInGroups", rows, selected,
                       [](const ResultRow& row, bool flag) { return row.reference ? flag : !flag; });
}

SelectionChange deselectFolder(const std::vector<ResultRow>& rows, const std::vector<bool>& selected,
                               std::string_view folder) {
  const std::string kept = platform::normalizedFolder(folder);
  return changeEachRow("deselectFolder", rows, selected,
                       [&](const ResultRow& row, bool flag) { return flag && !liesDirectlyIn(row.path, kept); });
}

SelectionChange selectMatching(const std::vector<ResultRow>& rows, const std::vector<bool>& selected,
                               std::string_view pattern) {
  return changeEachRow("selectMatching", rows, selected, [&](const ResultRow& row, bool flag) {
    return flag || (!row.reference && globMatches(pattern, row.path, platform::kNamesIgnoreCase));
  });
}

}  // namespace pelimor
