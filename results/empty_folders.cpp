#include "results/empty_folders.h"

#include <algorithm>
#include <set>

#include "platform/directory_reader.h"
#include "platform/folder_handle.h"
#include "platform/paths.h"

namespace pelimor {

namespace {
bool isBelow(std::string_view folder, std::string_view path) {
  if (folder.empty() || path.size() <= folder.size() || !path.starts_with(folder)) return false;
  return folder.back() == platform::kSeparator || path[folder.size()] == platform::kSeparator;
}

std::size_t depthOf(std::string_view path) {
  return static_cast<std::size_t>(std::count(path.begin(), path.end(), '/'));
}
}  // namespace

std::string_view holdingSourceFolder(const std::vector<std::string>& sourceFolders, std::string_view path) {
  std::string_view best;
  for (const std::string& source : sourceFolders)
    if (source.size() > best.size() && isBelow(source, path)) best = source;
  return best;
}

std::vector<std::string> removeFoldersLeftEmpty(std::vector<EmptiedFolder> folders,
                                                const std::vector<std::string>& sourceFolders) {
  // The source folders as the system knows them: never removed, however they are spelled.
  std::vector<platform::FolderId> sources;
  for (const std::string& source : sourceFolders) {
    platform::FileStatus status;
    if (!platform::statusOfPath(source, true, status)) sources.push_back({status.device, status.inode});
  }
  const auto isSource = [&](const platform::FolderId& id) {
    return std::find(sources.begin(), sources.end(), id) != sources.end();
  };
  // Deepest first, so that a folder comes after everything inside it.
  const auto deeperFirst = [](const EmptiedFolder& a, const EmptiedFolder& b) {
    const std::size_t depthA = depthOf(a.path), depthB = depthOf(b.path);
    return depthA != depthB ? depthA > depthB : a.path < b.path;
  };
  std::set<EmptiedFolder, decltype(deeperFirst)> pending(deeperFirst);
  for (EmptiedFolder& folder : folders) pending.insert(std::move(folder));
  std::vector<std::string> removed;
  platform::FolderHandle parent;
  while (!pending.empty()) {
    const EmptiedFolder folder = *pending.begin();
    pending.erase(pending.begin());
    if (isSource(folder.identity)) continue;
    const std::string parentPath = platform::folderPartOf(folder.path);
    const std::string name(platform::fileNameOf(folder.path));
    if (name.empty() || parentPath.empty()) continue;
    if (parent.path() != parentPath || !parent.isOpen()) {
      parent.close();
      if (parent.open(parentPath)) continue;
    }
    platform::FileStatus status;
    if (parent.statusOf(name, status) || status.kind != platform::EntryKind::Directory ||
        status.device != folder.identity.device || status.inode != folder.identity.inode)
      continue;
    if (parent.removeEmptyFolder(name)) continue;  // not empty, or not ours to remove
    removed.push_back(folder.path);
    // Its parent may be empty now too, as long as a source folder still lies above it.
    platform::FileStatus own;
    if (isBelow(holdingSourceFolder(sourceFolders, folder.path), parentPath) && !parent.ownStatus(own))
      pending.insert(EmptiedFolder{parentPath, {own.device, own.inode}});
  }
  return removed;
}

}  // namespace pelimor
