#pragma once
// What a walk of every entry recorded of each folder, for comparing whole folders: the folders
// numbered densely with their parents, what lies below each, and each file's content class.
#include <cstdint>
#include <vector>

#include "search/candidate_store.h"
#include "search/folder_group.h"
#include "search/result_row.h"

namespace pelimor {

struct FolderCensus {
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  // A file's class: the number of its group of identical files; every empty file is alike.
  static constexpr std::uint32_t kEmptyFile = 0;

  // `rows`: the groups of identical files among `store`'s files.
  FolderCensus(const CandidateStore& store, const std::vector<ResultRow>& rows);

  std::uint32_t dense(std::uint32_t node) const { return static_cast<std::uint32_t>(store.denseFolderIndex(node)); }
  // The folder as a group lists it.
  TwinFolder twinFolder(std::uint32_t folder) const;

  const CandidateStore& store;
  std::vector<std::uint32_t> nodes;   // dense index -> the store's folder id
  std::vector<std::uint32_t> parent;  // kNone for a walk's start
  std::vector<std::uint32_t> height;  // 0 for a folder without subfolders
  std::vector<std::uint64_t> bytes;   // of every file below, at any depth
  std::vector<std::uint64_t> files;
  // Holds, at any depth, a file no other file equals, or something that can't be compared.
  std::vector<char> twinless;
  std::vector<std::uint32_t> fileClass;  // per file of the store; kNone: no file equals it

 private:
  void takeFiles(const std::vector<ResultRow>& rows);
  void sumUpwards();
};

// Orders the groups by the bytes of one copy, largest first, then by files and the first path,
// and numbers them 1, 2, 3 ...
void numberLargestFirst(std::vector<FolderGroup>& groups);

}  // namespace pelimor
