#pragma once
// Folders an action left empty: removed from the inside out, each only while it is still the folder
// the action took files from and holds nothing, and never a folder the search started from.
#include <string>
#include <vector>

#include "platform/file_status.h"

namespace pelimor {

struct EmptiedFolder {
  std::string path;
  platform::FolderId identity;  // as the action found it
};

// Removes each of `folders` that is empty now, then each folder above it that this left empty, up
// to (never including) the source folder that holds it; with no source folder holding it, only the
// folder itself. Returns the folders removed, innermost first.
std::vector<std::string> removeFoldersLeftEmpty(std::vector<EmptiedFolder> folders,
                                                const std::vector<std::string>& sourceFolders);

// The source folder among `sourceFolders` that holds `path` most closely, by its text; empty when none.
std::string_view holdingSourceFolder(const std::vector<std::string>& sourceFolders, std::string_view path);

}  // namespace pelimor
