#pragma once
// The document `pelimor-find --json` prints, which `--load` reads back to act on later: the
// groups with their CRC-32 and strong hash, their files, and per file what the search saw of it,
// so an action can refuse every file that is no longer the same.
#include <string>
#include <string_view>
#include <vector>

#include "results/json_reader.h"
#include "search/result_row.h"
#include "search/skipped_file.h"

namespace pelimor {

// A saved search written before groups carried their strong hash: its groups can't be checked.
class SavedSearchWithoutStrongHash : public JsonError {
 public:
  using JsonError::JsonError;
};

std::string savedSearchText(const std::vector<ResultRow>& rows, const std::vector<SkippedFile>& skipped);

// The groups of a search for similar pictures as JSON: {"similar_pictures": [...], "skipped": [...]},
// each group with its files, and each file with its own size, width, height, distance from the
// group's first picture, CRC-32 and strong hash, identity, and whether another file of the group
// holds the same bytes. Not for --load: only groups of identical files are acted on from a file.
std::string similarPicturesText(const std::vector<ResultRow>& rows, const std::vector<SkippedFile>& skipped);

// The rows of a saved search, numbered and ordered as it holds them, read straight from the text.
// Throws JsonError, or SavedSearchWithoutStrongHash.
std::vector<ResultRow> rowsOfSavedSearch(std::string_view text);

}  // namespace pelimor
