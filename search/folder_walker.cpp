#include "search/folder_walker.h"

#include <algorithm>

#include "platform/directory_reader.h"
#include "platform/paths.h"
#include "search/mask_list.h"

namespace pelimor {

using platform::Directory;
using platform::EntryKind;
using platform::FileStatus;

std::vector<WalkStart> planWalks(const std::vector<std::string>& sourceFolders,
                                 const std::vector<std::string>& masks) {
  std::vector<WalkStart> starts;
  for (const std::string& mask : masks) {
    for (const std::string& source : sourceFolders) {
      if (source.empty()) continue;
      const std::string full = platform::joinPath(source, mask);
      const auto slash = full.rfind(platform::kSeparator);
      const std::string folder = platform::normalizedFolder(std::string_view(full).substr(0, slash + 1));
      const std::string nameMask = full.substr(slash + 1);
      auto start = std::find_if(starts.begin(), starts.end(), [&](const WalkStart& s) { return s.folder == folder; });
      if (start == starts.end()) start = starts.insert(starts.end(), WalkStart{folder, {}, 0});
      if (std::find(start->nameMasks.begin(), start->nameMasks.end(), nameMask) == start->nameMasks.end())
        start->nameMasks.push_back(nameMask);
    }
  }
  // Walks with the same name masks may share folders: a folder walked for one need not be walked again.
  std::vector<std::vector<std::string>> maskSets;
  for (WalkStart& start : starts) {
    std::vector<std::string> sorted = start.nameMasks;
    std::sort(sorted.begin(), sorted.end());
    auto known = std::find(maskSets.begin(), maskSets.end(), sorted);
    if (known == maskSets.end()) known = maskSets.insert(maskSets.end(), sorted);
    start.maskSet = static_cast<std::uint32_t>(known - maskSets.begin());
  }
  return starts;
}

bool FolderWalker::isExcluded(const std::string& folder, const std::vector<std::string>& trees,
                              const std::vector<std::string>& fragments) {
  for (const std::string& tree : trees) {
    const std::string root = platform::normalizedFolder(tree);
    if (folder.compare(0, root.size(), root) != 0) continue;
    if (folder.size() == root.size() || root == "/" || folder[root.size()] == platform::kSeparator) return true;
  }
  if (!fragments.empty()) {
    const std::string withSeparator = platform::joinPath(folder, "");
    for (const std::string& fragment : fragments)
      if (!fragment.empty() && withSeparator.find(fragment) != std::string::npos) return true;
  }
  return false;
}

FolderWalker::FolderWalker(const WalkRequest& request, CandidateStore& store, SearchProgress& progress,
                           const SearchControl& control)
    : request_(request), store_(store), progress_(progress), control_(control) {}

void FolderWalker::run() {
  const std::vector<WalkStart> starts = planWalks(request_.sourceFolders, request_.masks);
  for (const WalkStart& start : starts) {
    if (control_.cancelled()) return;
    if (isExcluded(start.folder, request_.excludedTrees, request_.excludedFragments)) continue;
    Directory folder = Directory::open(start.folder);
    if (!folder.isOpen() || !firstVisit(folder, start.maskSet)) continue;  // missing or unreadable: skipped
    std::string path = start.folder;
    walkFolder(folder, store_.addRootFolder(start.folder), path, start);
  }
  for (size_t i = 0; i < linkedFolders_.size(); ++i) {
    if (control_.cancelled()) return;
    LinkedFolder linked = linkedFolders_[i];  // a copy: walking may add more
    Directory folder = Directory::open(linked.path);
    if (!folder.isOpen() || !firstVisit(folder, linked.start->maskSet)) continue;
    walkFolder(folder, store_.addFolder(linked.parentNode, linked.name), linked.path, *linked.start);
  }
}

bool FolderWalker::firstVisit(const Directory& folder, std::uint32_t maskSet) {
  FileStatus status;
  if (folder.ownStatus(status) != 0) return false;
  return visited_.insert(VisitKey{status.device, status.inode, maskSet}).second;
}

bool FolderWalker::matchesAnyMask(const char* name, const WalkStart& start) const {
  for (const std::string& mask : start.nameMasks)
    if (matchesMask(name, mask)) return true;
  return false;
}

void FolderWalker::walkFolder(Directory& folder, std::uint32_t node, std::string& path, const WalkStart& start) {
  progress_.setCurrentFolder(path);
  std::vector<std::string> subfolders;
  const char* name = nullptr;
  EntryKind kind = EntryKind::Unknown;
  std::uint64_t filesSeen = 0;
  while (folder.next(name, kind)) {
    if (control_.cancelled()) break;
    FileStatus status;
    bool haveStatus = false;
    if (kind == EntryKind::Unknown) {
      if (folder.statusOf(name, false, status) != 0) continue;
      kind = status.kind;
      haveStatus = true;
    }
    if (kind == EntryKind::SymbolicLink) {
      // A link counts only when it leads to a folder: a link to a file is never a copy of it.
      if (name[0] == '.' || folder.statusOf(name, true, status) != 0 || status.kind != EntryKind::Directory) continue;
      std::string linkedPath = platform::joinPath(path, name);
      if (!isExcluded(linkedPath, request_.excludedTrees, request_.excludedFragments))
        linkedFolders_.push_back(LinkedFolder{node, name, std::move(linkedPath), &start});
      continue;
    }
    if (kind == EntryKind::Directory) {
      if (name[0] != '.') subfolders.emplace_back(name);  // dot folders are hidden: never entered
      continue;
    }
    if (kind != EntryKind::Regular) continue;
    ++filesSeen;
    if (!matchesAnyMask(name, start)) continue;
    if (!haveStatus && (folder.statusOf(name, false, status) != 0 || status.kind != EntryKind::Regular)) continue;
    if (status.size <= request_.minimumSize) continue;
    store_.addFile(node, name, status.size, status.device, status.inode,
                   status.modifiedSeconds * 1'000'000'000 + status.modifiedNanoseconds);
    progress_.addCandidates(1);
  }
  progress_.addFilesSeen(filesSeen);

  for (const std::string& subfolder : subfolders) {
    if (control_.cancelled()) return;
    const size_t restoreLength = path.size();
    path = platform::joinPath(path, subfolder);
    if (!isExcluded(path, request_.excludedTrees, request_.excludedFragments)) {
      Directory child = folder.openChild(subfolder.c_str());
      if (child.isOpen() && firstVisit(child, start.maskSet))
        walkFolder(child, store_.addFolder(node, subfolder), path, start);
    }
    path.resize(restoreLength);
  }
}

}  // namespace pelimor
