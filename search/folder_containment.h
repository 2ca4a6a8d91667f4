#pragma once
// "Is A backed up in B?": folders every file of which has an identical file somewhere below another
// folder, from the same census as the twin folders, reading nothing.
#include <vector>

#include "search/candidate_store.h"
#include "search/folder_group.h"
#include "search/result_row.h"

namespace pelimor {

// Each group's first folder is one whose every file (empty files too) has an identical file below
// each of the folders after it (by path): the deepest such folders, none of them above it. Links
// and empty folders are not asked about; a folder holding a file no other file equals, or anything
// that could not be compared, is never contained. Below a contained folder nothing is listed
// again. Bytes and files are the contained folder's; largest first.
std::vector<FolderGroup> findContainedFolders(const CandidateStore& store, const std::vector<ResultRow>& rows);

}  // namespace pelimor
