#include "search/folder_census.h"

#include <algorithm>

#include "platform/directory_reader.h"

namespace pelimor {

FolderCensus::FolderCensus(const CandidateStore& store, const std::vector<ResultRow>& rows)
    : store(store), nodes(store.folderNodes()) {
  const std::size_t count = nodes.size();
  parent.resize(count);
  for (std::size_t at = 0; at < count; ++at) {
    const std::uint32_t above = store.parentOf(nodes[at]);
    parent[at] = above == CandidateStore::kNoParent ? kNone : dense(above);
  }
  height.assign(count, 0);
  bytes.assign(count, 0);
  files.assign(count, 0);
  twinless.assign(count, 0);
  for (const std::uint32_t opaque : store.opaqueFolders()) twinless[dense(opaque)] = 1;
  takeFiles(rows);
  sumUpwards();
}

void FolderCensus::takeFiles(const std::vector<ResultRow>& rows) {
  struct Known {
    std::uint64_t device, inode;
    std::uint32_t group;
  };
  std::vector<Known> known;
  known.reserve(rows.size());
  for (const ResultRow& row : rows) known.push_back(Known{row.identity.device, row.identity.inode, row.group});
  const auto before = [](const Known& a, const Known& b) {
    return a.device != b.device ? a.device < b.device : a.inode < b.inode;
  };
  std::sort(known.begin(), known.end(), before);
  const std::vector<Candidate>& candidates = store.files();
  fileClass.resize(candidates.size());
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const Candidate& file = candidates[i];
    std::uint32_t contentClass = kEmptyFile;
    if (file.size > 0) {
      // Every path of one file (hard links) shares its row's group.
      const Known key{store.deviceOf(file), file.inode, 0};
      const auto found = std::lower_bound(known.begin(), known.end(), key, before);
      const bool inGroup = found != known.end() && found->device == key.device && found->inode == key.inode;
      contentClass = inGroup ? found->group : kNone;
    }
    fileClass[i] = contentClass;
    const std::uint32_t folder = dense(file.folder);
    bytes[folder] += file.size;
    ++files[folder];
    if (contentClass == kNone) twinless[folder] = 1;
  }
}

void FolderCensus::sumUpwards() {
  std::vector<std::uint32_t> depth(nodes.size(), kNone);
  for (std::uint32_t at = 0; at < nodes.size(); ++at) {
    // Up to the first folder whose depth is known, then down again.
    std::vector<std::uint32_t> path;
    std::uint32_t up = at;
    while (up != kNone && depth[up] == kNone) {
      path.push_back(up);
      up = parent[up];
    }
    std::uint32_t known = up == kNone ? 0 : depth[up] + 1;
    for (auto it = path.rbegin(); it != path.rend(); ++it) depth[*it] = known++;
  }
  std::vector<std::uint32_t> deepestFirst(nodes.size());
  for (std::uint32_t at = 0; at < deepestFirst.size(); ++at) deepestFirst[at] = at;
  std::sort(deepestFirst.begin(), deepestFirst.end(),
            [&](std::uint32_t a, std::uint32_t b) { return depth[a] > depth[b]; });
  for (const std::uint32_t at : deepestFirst) {
    const std::uint32_t above = parent[at];
    if (above == kNone) continue;
    bytes[above] += bytes[at];
    files[above] += files[at];
    twinless[above] |= twinless[at];
    height[above] = std::max(height[above], height[at] + 1);
  }
}

void numberLargestFirst(std::vector<FolderGroup>& groups) {
  std::sort(groups.begin(), groups.end(), [](const FolderGroup& a, const FolderGroup& b) {
    if (a.bytes != b.bytes) return a.bytes > b.bytes;
    if (a.files != b.files) return a.files > b.files;
    return a.folders.front().path < b.folders.front().path;
  });
  for (std::size_t i = 0; i < groups.size(); ++i) groups[i].number = static_cast<std::uint32_t>(i + 1);
}

TwinFolder FolderCensus::twinFolder(std::uint32_t folder) const {
  TwinFolder twin{store.folderPath(nodes[folder]), store.folderId(nodes[folder]), {}};
  if (parent[folder] != kNone) {
    twin.parent = store.folderId(nodes[parent[folder]]);
  } else {
    // A source folder: the walk did not pass through its parent.
    const std::vector<platform::FolderId> above = platform::Directory::open(twin.path).foldersAbove(1);
    if (!above.empty()) twin.parent = above.front();
  }
  return twin;
}

}  // namespace pelimor
