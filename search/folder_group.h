#pragma once
// Folders that hold the same tree: the same names, the same content, the same subfolders.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/directory_reader.h"

namespace pelimor {

struct TwinFolder {
  std::string path;
  platform::FolderId identity;  // what the walk saw; selections and actions go by it
  platform::FolderId parent;    // the folder it lies in
};

struct FolderGroup {
  std::uint32_t number = 0;  // 1, 2, 3 ... in the order below
  std::uint64_t bytes = 0;   // of one copy: what removing one copy frees
  std::uint64_t files = 0;   // of one copy, below it at any depth
  // By path; with FolderComparison::containedIn the contained folder first, then by path the
  // folders holding a copy of each of its files.
  std::vector<TwinFolder> folders;
};

// How two folders are compared.
struct FolderComparison {
  bool ignoreNames = false;  // the same files by content wherever they are, whatever their names
  bool containedIn = false;  // instead: folders whose every file has a copy in another folder
};

}  // namespace pelimor
