#pragma once
// The document `pelimor-find --json` prints, which `--load` reads back to act on later: the
// groups with their files, and per file what the search saw of it, so an action can refuse every
// file that is no longer the same.
#include <string>
#include <string_view>
#include <vector>

#include "search/result_row.h"
#include "search/skipped_file.h"

namespace pelimor {

std::string savedSearchText(const std::vector<ResultRow>& rows, const std::vector<SkippedFile>& skipped);

// The rows of a saved search, numbered and ordered as it holds them. Throws JsonError.
std::vector<ResultRow> rowsOfSavedSearch(std::string_view text);

}  // namespace pelimor
