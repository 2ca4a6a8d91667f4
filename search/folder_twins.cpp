#include "search/folder_twins.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

#include "search/ascii_case.h"
#include "search/content_digest.h"
#include "search/folder_census.h"

namespace pelimor {

namespace {

constexpr std::uint32_t kNone = FolderCensus::kNone;

enum class ChildKind : std::uint8_t { File = 1, Link = 2, Folder = 3 };

// An entry of a folder that may have a twin. Names are looked up in the store when needed, so a
// million entries cost 16 bytes each.
struct Child {
  std::uint32_t folder = 0;  // dense index of the folder holding it
  std::uint32_t item = 0;    // the file's index in the store, the link's in links, the subfolder's dense index
  std::uint32_t value = 0;   // a file's class, or a subfolder's once it is known
  ChildKind kind = ChildKind::File;
};

struct DigestKey {
  std::uint64_t high = 0;
  std::uint64_t low = 0;
  bool operator==(const DigestKey&) const = default;
};
struct DigestKeyHash {
  std::size_t operator()(const DigestKey& key) const { return static_cast<std::size_t>(key.high ^ (key.low >> 7)); }
};

// The tree as the walk recorded it, each folder by its dense index, with what is known of it.
class FolderTree {
 public:
  FolderTree(const CandidateStore& store, const std::vector<ResultRow>& rows, const FolderComparison& comparison,
             bool namesIgnoreCase);
  std::vector<FolderGroup> groups() const;

 private:
  std::uint32_t dense(std::uint32_t node) const { return census_.dense(node); }
  void gatherChildren();
  void digestByHeight();
  // Digests the folder's entries; false when one of its subfolders turned out to have no twin.
  bool digestFolder(std::uint32_t folder, ContentHasher& hasher, std::string& folded);
  std::string_view nameOf(const Child& child) const;
  bool hasTwin(std::uint32_t folder) const { return !census_.twinless[folder] && classCount_[class_[folder]] >= 2; }

  FolderCensus census_;  // its twinless flags are also set here for folders whose digest nobody shares
  const CandidateStore& store_;
  const FolderComparison comparison_;
  const bool namesIgnoreCase_;
  std::vector<std::uint32_t> class_;  // folders with equal digests share one
  std::vector<std::uint32_t> classCount_;
  std::vector<LinkEntry> links_;
  std::vector<Child> children_;          // by folder
  std::vector<std::size_t> firstChild_;  // per folder, into children_; one more at the end
};

FolderTree::FolderTree(const CandidateStore& store, const std::vector<ResultRow>& rows,
                       const FolderComparison& comparison, bool namesIgnoreCase)
    : census_(store, rows),
      store_(store),
      comparison_(comparison),
      namesIgnoreCase_(namesIgnoreCase),
      class_(census_.nodes.size(), kNone),
      links_(store.links()) {
  gatherChildren();
  census_.fileClass.clear();
  census_.fileClass.shrink_to_fit();
  digestByHeight();
}

void FolderTree::gatherChildren() {
  const std::vector<Candidate>& files = store_.files();
  for (std::uint32_t i = 0; i < files.size(); ++i) {
    const std::uint32_t folder = dense(files[i].folder);
    if (!census_.twinless[folder]) children_.push_back(Child{folder, i, census_.fileClass[i], ChildKind::File});
  }
  for (std::uint32_t i = 0; i < links_.size(); ++i) {
    const std::uint32_t folder = dense(links_[i].folder);
    if (!census_.twinless[folder]) children_.push_back(Child{folder, i, 0, ChildKind::Link});
  }
  for (std::uint32_t at = 0; at < census_.nodes.size(); ++at) {
    const std::uint32_t parent = census_.parent[at];
    if (parent != kNone && !census_.twinless[parent]) children_.push_back(Child{parent, at, 0, ChildKind::Folder});
  }
  std::sort(children_.begin(), children_.end(), [](const Child& a, const Child& b) { return a.folder < b.folder; });
  firstChild_.assign(census_.nodes.size() + 1, 0);
  for (const Child& child : children_) ++firstChild_[child.folder + 1];
  for (std::size_t at = 1; at < firstChild_.size(); ++at) firstChild_[at] += firstChild_[at - 1];
}

std::string_view FolderTree::nameOf(const Child& child) const {
  switch (child.kind) {
    case ChildKind::File:
      return store_.nameOf(store_.files()[child.item]);
    case ChildKind::Link:
      return store_.linkName(links_[child.item]);
    case ChildKind::Folder:
      return store_.folderName(census_.nodes[child.item]);
  }
  return {};
}

bool FolderTree::digestFolder(std::uint32_t folder, ContentHasher& hasher, std::string& folded) {
  const auto first = children_.begin() + static_cast<std::ptrdiff_t>(firstChild_[folder]);
  const auto last = children_.begin() + static_cast<std::ptrdiff_t>(firstChild_[folder + 1]);
  for (auto child = first; child != last; ++child) {
    if (child->kind != ChildKind::Folder) continue;
    if (!hasTwin(child->item)) return false;
    child->value = class_[child->item];
  }
  const auto foldedName = [&](const Child& child) -> std::string_view {
    const std::string_view name = nameOf(child);
    if (!namesIgnoreCase_) return name;
    folded.assign(name);
    for (char& c : folded) c = upperAscii(c);
    return folded;
  };
  const auto linkTarget = [&](const Child& child) { return store_.linkTarget(links_[child.item]); };
  if (comparison_.ignoreNames) {
    std::sort(first, last, [&](const Child& a, const Child& b) {
      if (a.kind != b.kind) return a.kind < b.kind;
      return a.kind == ChildKind::Link ? linkTarget(a) < linkTarget(b) : a.value < b.value;
    });
  } else if (namesIgnoreCase_) {
    std::string other;
    std::sort(first, last, [&](const Child& a, const Child& b) {
      other.assign(foldedName(a));
      return other < foldedName(b);
    });
  } else {
    std::sort(first, last, [&](const Child& a, const Child& b) { return nameOf(a) < nameOf(b); });
  }
  hasher.reset();
  const auto addText = [&](std::string_view text) {
    const auto length = static_cast<std::uint32_t>(text.size());
    hasher.update(&length, sizeof length);
    hasher.update(text.data(), text.size());
  };
  for (auto child = first; child != last; ++child) {
    hasher.update(&child->kind, sizeof child->kind);
    if (!comparison_.ignoreNames) addText(foldedName(*child));
    if (child->kind == ChildKind::Link)
      addText(linkTarget(*child));
    else
      hasher.update(&child->value, sizeof child->value);
  }
  return true;
}

void FolderTree::digestByHeight() {
  std::uint32_t tallest = 0;
  for (std::uint32_t at = 0; at < census_.nodes.size(); ++at)
    if (!census_.twinless[at]) tallest = std::max(tallest, census_.height[at]);
  std::vector<std::vector<std::uint32_t>> byHeight(tallest + 1);
  for (std::uint32_t at = 0; at < census_.nodes.size(); ++at)
    if (!census_.twinless[at]) byHeight[census_.height[at]].push_back(at);
  std::unordered_map<DigestKey, std::uint32_t, DigestKeyHash> classes;
  ContentHasher hasher;
  std::string folded;
  // Twins have equal heights, so when a height is done every twin of its folders is known: a
  // folder whose digest nobody shares has no twin, and neither has any folder above it.
  for (const std::vector<std::uint32_t>& level : byHeight) {
    for (const std::uint32_t folder : level) {
      if (!digestFolder(folder, hasher, folded)) {
        census_.twinless[folder] = 1;
        continue;
      }
      const ContentDigest digest = hasher.finish();
      const auto [at, added] = classes.try_emplace(DigestKey{digest.strongHigh, digest.strongLow},
                                                   static_cast<std::uint32_t>(classes.size()));
      if (added) classCount_.push_back(0);
      class_[folder] = at->second;
      ++classCount_[at->second];
    }
    for (const std::uint32_t folder : level)
      if (!census_.twinless[folder] && classCount_[class_[folder]] < 2) census_.twinless[folder] = 1;
  }
}

std::vector<FolderGroup> FolderTree::groups() const {
  std::vector<std::uint32_t> twins;
  for (std::uint32_t at = 0; at < census_.nodes.size(); ++at)
    if (hasTwin(at) && census_.files[at] > 0) twins.push_back(at);
  std::stable_sort(twins.begin(), twins.end(), [&](std::uint32_t a, std::uint32_t b) { return class_[a] < class_[b]; });
  std::vector<FolderGroup> groups;
  for (std::size_t first = 0; first < twins.size();) {
    std::size_t last = first;
    while (last < twins.size() && class_[twins[last]] == class_[twins[first]]) ++last;
    // Left out when each twin lies in a twin folder of its own: their group shows it. Twins in one
    // folder are not explained by it.
    std::vector<std::uint32_t> parents;
    bool explained = true;
    for (std::size_t i = first; i < last && explained; ++i) {
      const std::uint32_t parent = census_.parent[twins[i]];
      explained =
          parent != kNone && hasTwin(parent) && std::find(parents.begin(), parents.end(), parent) == parents.end();
      parents.push_back(parent);
    }
    if (!explained) {
      FolderGroup& group = groups.emplace_back();
      group.bytes = census_.bytes[twins[first]];
      group.files = census_.files[twins[first]];
      for (std::size_t i = first; i < last; ++i) group.folders.push_back(census_.twinFolder(twins[i]));
      std::sort(group.folders.begin(), group.folders.end(),
                [](const TwinFolder& a, const TwinFolder& b) { return a.path < b.path; });
    }
    first = last;
  }
  numberLargestFirst(groups);
  return groups;
}

}  // namespace

std::vector<FolderGroup> findFolderTwins(const CandidateStore& store, const std::vector<ResultRow>& rows,
                                         const FolderComparison& comparison, bool namesIgnoreCase) {
  if (store.folderCount() == 0) return {};
  return FolderTree(store, rows, comparison, namesIgnoreCase).groups();
}

}  // namespace pelimor
