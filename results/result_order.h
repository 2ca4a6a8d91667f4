#pragma once
// The one comparison that orders the result list, keyed by a column and one direction flag.
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/window_text.h"
#include "search/result_row.h"

namespace pelimor {

// The result list's columns, in their order on screen, with their titles.
enum class ResultColumn : std::uint8_t { Group = 0, Name = 1, Path = 2, Size = 3, Crc32 = 4 };
inline constexpr std::array<std::string_view, 5> kResultColumnTitles = {
    "#", PELIMOR_WINDOW_TEXT("ResultColumns", "Name"), PELIMOR_WINDOW_TEXT("ResultColumns", "Path"),
    PELIMOR_WINDOW_TEXT("ResultColumns", "Size"), "CRC32"};
inline constexpr int kResultColumnCount = static_cast<int>(kResultColumnTitles.size());

struct SortState {
  ResultColumn column = ResultColumn::Group;
  bool descending = false;  // one flag for all columns: every header click flips it
};

// Texts compared byte by byte as unsigned values with only ASCII letters folded to upper case;
// when one text runs out first, the shorter sorts first.
int compareFoldedAscii(std::string_view a, std::string_view b);

// Negative when `a` sorts before `b`, zero when equal, positive after; numbers compare as numbers.
int compareRows(const ResultRow& a, const ResultRow& b, const SortState& sort);

// A header click: flips the direction and takes the clicked column as the key.
void applyHeaderClick(SortState& sort, ResultColumn clicked);

// Positions of `rows` in sorted order; rows that compare equal keep their order.
std::vector<std::size_t> sortedOrder(const std::vector<ResultRow>& rows, const SortState& sort);

// The order sortedOrder gives for the "#" key, in one pass over the rows plus one over the group
// numbers (a counting sort) rather than by comparisons.
std::vector<std::size_t> groupOrder(const std::vector<ResultRow>& rows, bool descending);

// How many groups the rows hold: distinct group numbers, whatever the order and however many
// numbers a removal left unused.
std::size_t groupCount(const std::vector<ResultRow>& rows);

// Sorts the rows in place (stable).
void sortResultRows(std::vector<ResultRow>& rows, const SortState& sort);

}  // namespace pelimor
