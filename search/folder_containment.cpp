#include "search/folder_containment.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "search/folder_census.h"

namespace pelimor {

namespace {

constexpr std::uint32_t kNone = FolderCensus::kNone;

// The folders in depth-first order, so that a folder's subtree is one run of positions, and each
// content class's files by the position of their folder.
class ContainmentIndex {
 public:
  explicit ContainmentIndex(const FolderCensus& census) : census_(census) {
    numberDepthFirst();
    indexFiles();
  }

  std::vector<FolderGroup> groups() const;

 private:
  void numberDepthFirst();
  void indexFiles();
  bool isAbove(std::uint32_t upper, std::uint32_t lower) const {
    return first_[upper] <= first_[lower] && first_[lower] <= last_[upper];
  }
  // True when a file of `contentClass` lies at or below `folder`.
  bool holdsClass(std::uint32_t folder, std::uint32_t contentClass) const;
  // The content classes at or below `folder`, rarest first.
  std::vector<std::uint32_t> classesBelow(std::uint32_t folder) const;
  // The deepest folders outside `folder` and not above it that hold every one of `classes`.
  std::vector<std::uint32_t> containersOf(std::uint32_t folder, const std::vector<std::uint32_t>& classes) const;
  std::size_t membersOf(std::uint32_t contentClass) const {
    return classStart_[contentClass + 1] - classStart_[contentClass];
  }

  const FolderCensus& census_;
  std::vector<std::uint32_t> first_, last_;  // a folder's position, and the last one below it
  std::vector<std::uint32_t> byPosition_;    // the folder at each position
  std::vector<std::pair<std::uint32_t, std::uint32_t>> filesByPosition_;  // (folder position, class)
  std::vector<std::uint32_t> classFolders_;  // positions of each class's files, class by class, ascending
  std::vector<std::size_t> classStart_;      // per class, into classFolders_; one more at the end
};

void ContainmentIndex::numberDepthFirst() {
  const std::size_t count = census_.nodes.size();
  std::vector<std::size_t> childStart(count + 1, 0);
  for (std::uint32_t at = 0; at < count; ++at)
    if (census_.parent[at] != kNone) ++childStart[census_.parent[at] + 1];
  for (std::size_t at = 1; at <= count; ++at) childStart[at] += childStart[at - 1];
  std::vector<std::uint32_t> children(childStart[count]);
  std::vector<std::size_t> filled(childStart.begin(), childStart.end() - 1);
  for (std::uint32_t at = 0; at < count; ++at)
    if (census_.parent[at] != kNone) children[filled[census_.parent[at]]++] = at;
  first_.assign(count, 0);
  last_.assign(count, 0);
  byPosition_.reserve(count);
  std::vector<std::pair<std::uint32_t, std::size_t>> stack;  // folder, next child to enter
  for (std::uint32_t root = 0; root < count; ++root) {
    if (census_.parent[root] != kNone) continue;
    stack.emplace_back(root, childStart[root]);
    first_[root] = static_cast<std::uint32_t>(byPosition_.size());
    byPosition_.push_back(root);
    while (!stack.empty()) {
      auto& [folder, next] = stack.back();
      if (next == childStart[folder + 1]) {
        last_[folder] = static_cast<std::uint32_t>(byPosition_.size() - 1);
        stack.pop_back();
        continue;
      }
      const std::uint32_t child = children[next++];
      first_[child] = static_cast<std::uint32_t>(byPosition_.size());
      byPosition_.push_back(child);
      stack.emplace_back(child, childStart[child]);
    }
  }
}

void ContainmentIndex::indexFiles() {
  const std::vector<Candidate>& files = census_.store.files();
  std::uint32_t classes = 0;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::uint32_t contentClass = census_.fileClass[i];
    if (contentClass == kNone) continue;
    filesByPosition_.emplace_back(first_[census_.dense(files[i].folder)], contentClass);
    classes = std::max(classes, contentClass + 1);
  }
  std::sort(filesByPosition_.begin(), filesByPosition_.end());
  classStart_.assign(classes + 1, 0);
  for (const auto& [position, contentClass] : filesByPosition_) ++classStart_[contentClass + 1];
  for (std::size_t at = 1; at < classStart_.size(); ++at) classStart_[at] += classStart_[at - 1];
  classFolders_.resize(filesByPosition_.size());
  std::vector<std::size_t> filled(classStart_.begin(), classStart_.end() - 1);
  // Taken in position order, so each class's run comes out ascending.
  for (const auto& [position, contentClass] : filesByPosition_) classFolders_[filled[contentClass]++] = position;
}

bool ContainmentIndex::holdsClass(std::uint32_t folder, std::uint32_t contentClass) const {
  const auto begin = classFolders_.begin() + static_cast<std::ptrdiff_t>(classStart_[contentClass]);
  const auto end = classFolders_.begin() + static_cast<std::ptrdiff_t>(classStart_[contentClass + 1]);
  const auto found = std::lower_bound(begin, end, first_[folder]);
  return found != end && *found <= last_[folder];
}

std::vector<std::uint32_t> ContainmentIndex::classesBelow(std::uint32_t folder) const {
  const auto begin = std::lower_bound(filesByPosition_.begin(), filesByPosition_.end(),
                                      std::pair<std::uint32_t, std::uint32_t>{first_[folder], 0});
  const auto end = std::upper_bound(filesByPosition_.begin(), filesByPosition_.end(),
                                    std::pair<std::uint32_t, std::uint32_t>{last_[folder], kNone});
  std::vector<std::uint32_t> classes;
  for (auto file = begin; file != end; ++file) classes.push_back(file->second);
  std::sort(classes.begin(), classes.end());
  classes.erase(std::unique(classes.begin(), classes.end()), classes.end());
  std::stable_sort(classes.begin(), classes.end(),
                   [&](std::uint32_t a, std::uint32_t b) { return membersOf(a) < membersOf(b); });
  return classes;
}

std::vector<std::uint32_t> ContainmentIndex::containersOf(std::uint32_t folder,
                                                          const std::vector<std::uint32_t>& classes) const {
  // Every container holds a file of the rarest class: only the folders above those files are asked.
  std::vector<std::uint32_t> found;
  std::unordered_set<std::uint32_t> asked;
  const std::uint32_t rarest = classes.front();
  for (std::size_t member = classStart_[rarest]; member < classStart_[rarest + 1]; ++member) {
    const std::uint32_t position = classFolders_[member];
    if (position >= first_[folder] && position <= last_[folder]) continue;
    for (std::uint32_t up = byPosition_[position]; up != kNone && !isAbove(up, folder); up = census_.parent[up]) {
      if (!asked.insert(up).second) break;  // asked from another file, and so were those above
      const bool holdsAll = std::all_of(classes.begin(), classes.end(),
                                        [&](std::uint32_t contentClass) { return holdsClass(up, contentClass); });
      if (holdsAll) {
        found.push_back(up);
        break;  // the folders above hold them too, but less closely
      }
    }
  }
  // Only the deepest: a container above another found one says less.
  std::vector<std::uint32_t> deepest;
  for (const std::uint32_t candidate : found) {
    const bool aboveAnother = std::any_of(found.begin(), found.end(), [&](std::uint32_t other) {
      return other != candidate && isAbove(candidate, other);
    });
    if (!aboveAnother) deepest.push_back(candidate);
  }
  return deepest;
}

std::vector<FolderGroup> ContainmentIndex::groups() const {
  std::vector<FolderGroup> groups;
  std::vector<char> listedAbove(census_.nodes.size(), 0);
  for (const std::uint32_t folder : byPosition_) {  // parents first
    const std::uint32_t parent = census_.parent[folder];
    if (parent != kNone && listedAbove[parent]) {
      listedAbove[folder] = 1;
      continue;
    }
    if (census_.twinless[folder] || census_.files[folder] == 0) continue;
    const std::vector<std::uint32_t> containers = containersOf(folder, classesBelow(folder));
    if (containers.empty()) continue;
    listedAbove[folder] = 1;
    FolderGroup& group = groups.emplace_back();
    group.bytes = census_.bytes[folder];
    group.files = census_.files[folder];
    group.folders.push_back(census_.twinFolder(folder));
    for (const std::uint32_t container : containers) group.folders.push_back(census_.twinFolder(container));
    std::sort(group.folders.begin() + 1, group.folders.end(),
              [](const TwinFolder& a, const TwinFolder& b) { return a.path < b.path; });
  }
  numberLargestFirst(groups);
  return groups;
}

}  // namespace

std::vector<FolderGroup> findContainedFolders(const CandidateStore& store, const std::vector<ResultRow>& rows) {
  if (store.folderCount() == 0) return {};
  const FolderCensus census(store, rows);
  return ContainmentIndex(census).groups();
}

}  // namespace pelimor
