#pragma once
// Finds folders holding the same tree from what one walk of every entry (WalkRequest::everyEntry)
// and one grouping of its files found: no file is read for it. Folders are compared bottom up, a
// folder by a digest of its sorted entries (name, kind, and the content group of a file, the text
// of a link, the digest of a subfolder), so twins are found by one lookup each. A folder that holds
// a file no other file equals, or anything that could not be compared, can have no twin, and
// neither can the folders above it: they are never digested.
#include <vector>

#include "search/candidate_store.h"
#include "search/folder_group.h"
#include "search/result_row.h"

namespace pelimor {

// `rows`: the groups of identical files of `store`'s files, as the grouper gives them. Groups come
// largest first (bytes of one copy, then files, then the first path); a group whose folders all lie
// in folders that are twins of each other is left out, as their group already says it.
std::vector<FolderGroup> findFolderTwins(const CandidateStore& store, const std::vector<ResultRow>& rows,
                                         const FolderComparison& comparison, bool namesIgnoreCase);

}  // namespace pelimor
