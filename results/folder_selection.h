#pragma once
// Selections among twin folders: the file selections choose twins as they choose files, and the
// files below the chosen twins are then selected, never the last copy of any file.
#include <vector>

#include "search/folder_group.h"
#include "search/result_row.h"

namespace pelimor {

// The twins as rows, one group per folder group, so that selectInFolder, applyKeepRule and
// selectMatching choose among them: a twin's path is its own, its folder the one it lies in, and
// its device and inode its own.
std::vector<ResultRow> twinRows(const std::vector<FolderGroup>& groups);

// Selects the rows of every file anywhere below a chosen twin (`chosen`: one flag per twinRows
// row), never the last unselected row of a group. Every group of twins keeps one twin whole too:
// choosing a twin takes files from the twins below it and above it, so a chosen twin that would
// leave some group none whole is let go, the twins taken in their order (largest groups first).
// Folders are told by identity, as selectInFolder does.
void selectFilesOfTwins(const std::vector<ResultRow>& rows, std::vector<bool>& selected,
                        const std::vector<ResultRow>& twins, const std::vector<bool>& chosen);

}  // namespace pelimor
