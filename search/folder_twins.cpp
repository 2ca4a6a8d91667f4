#include "search/folder_twins.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

#include "search/ascii_case.h"
#include "search/content_digest.h"

namespace pelimor {

namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFFu;
// A file's class: the number of its group of identical files; every empty file is alike.
constexpr std::uint32_t kEmptyFile = 0;

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
  std::uint32_t dense(std::uint32_t node) const { return static_cast<std::uint32_t>(store_.denseFolderIndex(node)); }
  void takeFiles(const std::vector<ResultRow>& rows);
  void sumUpwards();
  void gatherChildren();
  void digestByHeight();
  // Digests the folder's entries; false when one of its subfolders turned out to have no twin.
  bool digestFolder(std::uint32_t folder, ContentHasher& hasher, std::string& folded);
  std::string_view nameOf(const Child& child) const;
  TwinFolder twinFolder(std::uint32_t folder) const;
  bool hasTwin(std::uint32_t folder) const { return !twinless_[folder] && classCount_[class_[folder]] >= 2; }

  const CandidateStore& store_;
  const FolderComparison comparison_;
  const bool namesIgnoreCase_;
  std::vector<std::uint32_t> nodes_;  // dense index -> the store's folder id
  std::vector<std::uint32_t> parent_;
  std::vector<std::uint32_t> height_;  // 0 for a folder without subfolders
  std::vector<std::uint64_t> bytes_;   // of every file below, at any depth
  std::vector<std::uint64_t> files_;
  std::vector<char> twinless_;
  std::vector<std::uint32_t> class_;  // folders with equal digests share one
  std::vector<std::uint32_t> classCount_;
  std::vector<std::uint32_t> fileClass_;  // per file of the store; kNone: no file equals it
  std::vector<LinkEntry> links_;
  std::vector<Child> children_;          // by folder
  std::vector<std::size_t> firstChild_;  // per folder, into children_; one more at the end
};

FolderTree::FolderTree(const CandidateStore& store, const std::vector<ResultRow>& rows,
                       const FolderComparison& comparison, bool namesIgnoreCase)
    : store_(store), comparison_(comparison), namesIgnoreCase_(namesIgnoreCase), nodes_(store.folderNodes()) {
  const std::size_t count = nodes_.size();
  parent_.resize(count);
  for (std::size_t at = 0; at < count; ++at) {
    const std::uint32_t parent = store.parentOf(nodes_[at]);
    parent_[at] = parent == CandidateStore::kNoParent ? kNone : dense(parent);
  }
  height_.assign(count, 0);
  bytes_.assign(count, 0);
  files_.assign(count, 0);
  twinless_.assign(count, 0);
  class_.assign(count, kNone);
  links_ = store.links();
  for (const std::uint32_t opaque : store.opaqueFolders()) twinless_[dense(opaque)] = 1;
  takeFiles(rows);
  sumUpwards();
  gatherChildren();
  fileClass_.clear();
  fileClass_.shrink_to_fit();
  digestByHeight();
}

void FolderTree::takeFiles(const std::vector<ResultRow>& rows) {
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
  const std::vector<Candidate>& files = store_.files();
  fileClass_.resize(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    const Candidate& file = files[i];
    std::uint32_t fileClass = kEmptyFile;
    if (file.identity.size > 0) {
      // Every path of one file (hard links) shares its row's group.
      const Known key{file.identity.device, file.identity.inode, 0};
      const auto found = std::lower_bound(known.begin(), known.end(), key, before);
      const bool inGroup = found != known.end() && found->device == key.device && found->inode == key.inode;
      fileClass = inGroup ? found->group : kNone;
    }
    fileClass_[i] = fileClass;
    const std::uint32_t folder = dense(file.folder);
    bytes_[folder] += file.identity.size;
    ++files_[folder];
    if (fileClass == kNone) twinless_[folder] = 1;
  }
}

void FolderTree::sumUpwards() {
  std::vector<std::uint32_t> depth(nodes_.size(), kNone);
  for (std::uint32_t at = 0; at < nodes_.size(); ++at) {
    // Up to the first folder whose depth is known, then down again.
    std::vector<std::uint32_t> path;
    std::uint32_t up = at;
    while (up != kNone && depth[up] == kNone) {
      path.push_back(up);
      up = parent_[up];
    }
    std::uint32_t known = up == kNone ? 0 : depth[up] + 1;
    for (auto it = path.rbegin(); it != path.rend(); ++it) depth[*it] = known++;
  }
  std::vector<std::uint32_t> deepestFirst(nodes_.size());
  for (std::uint32_t at = 0; at < deepestFirst.size(); ++at) deepestFirst[at] = at;
  std::sort(deepestFirst.begin(), deepestFirst.end(),
            [&](std::uint32_t a, std::uint32_t b) { return depth[a] > depth[b]; });
  for (const std::uint32_t at : deepestFirst) {
    const std::uint32_t parent = parent_[at];
    if (parent == kNone) continue;
    bytes_[parent] += bytes_[at];
    files_[parent] += files_[at];
    twinless_[parent] |= twinless_[at];
    height_[parent] = std::max(height_[parent], height_[at] + 1);
  }
}

void FolderTree::gatherChildren() {
  const std::vector<Candidate>& files = store_.files();
  for (std::uint32_t i = 0; i < files.size(); ++i) {
    const std::uint32_t folder = dense(files[i].folder);
    if (!twinless_[folder]) children_.push_back(Child{folder, i, fileClass_[i], ChildKind::File});
  }
  for (std::uint32_t i = 0; i < links_.size(); ++i) {
    const std::uint32_t folder = dense(links_[i].folder);
    if (!twinless_[folder]) children_.push_back(Child{folder, i, 0, ChildKind::Link});
  }
  for (std::uint32_t at = 0; at < nodes_.size(); ++at) {
    const std::uint32_t parent = parent_[at];
    if (parent != kNone && !twinless_[parent]) children_.push_back(Child{parent, at, 0, ChildKind::Folder});
  }
  std::sort(children_.begin(), children_.end(), [](const Child& a, const Child& b) { return a.folder < b.folder; });
  firstChild_.assign(nodes_.size() + 1, 0);
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
      return store_.folderName(nodes_[child.item]);
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
  } else {
    std::string other;
    std::sort(first, last, [&](const Child& a, const Child& b) {
      other.assign(foldedName(a));
      return other < foldedName(b);
    });
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
  for (std::uint32_t at = 0; at < nodes_.size(); ++at)
    if (!twinless_[at]) tallest = std::max(tallest, height_[at]);
  std::vector<std::vector<std::uint32_t>> byHeight(tallest + 1);
  for (std::uint32_t at = 0; at < nodes_.size(); ++at)
    if (!twinless_[at]) byHeight[height_[at]].push_back(at);
  std::unordered_map<DigestKey, std::uint32_t, DigestKeyHash> classes;
  ContentHasher hasher;
  std::string folded;
  // Twins have equal heights, so when a height is done every twin of its folders is known: a
  // folder whose digest nobody shares has no twin, and neither has any folder above it.
  for (const std::vector<std::uint32_t>& level : byHeight) {
    for (const std::uint32_t folder : level) {
      if (!digestFolder(folder, hasher, folded)) {
        twinless_[folder] = 1;
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
      if (!twinless_[folder] && classCount_[class_[folder]] < 2) twinless_[folder] = 1;
  }
}

TwinFolder FolderTree::twinFolder(std::uint32_t folder) const {
  TwinFolder twin{store_.folderPath(nodes_[folder]), store_.folderId(nodes_[folder]), {}};
  if (parent_[folder] != kNone) {
    twin.parent = store_.folderId(nodes_[parent_[folder]]);
  } else {
    // A source folder: the walk did not pass through its parent.
    const std::vector<platform::FolderId> above = platform::Directory::open(twin.path).foldersAbove(1);
    if (!above.empty()) twin.parent = above.front();
  }
  return twin;
}

std::vector<FolderGroup> FolderTree::groups() const {
  std::vector<std::uint32_t> twins;
  for (std::uint32_t at = 0; at < nodes_.size(); ++at)
    if (hasTwin(at) && files_[at] > 0) twins.push_back(at);
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
      const std::uint32_t parent = parent_[twins[i]];
      explained =
          parent != kNone && hasTwin(parent) && std::find(parents.begin(), parents.end(), parent) == parents.end();
      parents.push_back(parent);
    }
    if (!explained) {
      FolderGroup& group = groups.emplace_back();
      group.bytes = bytes_[twins[first]];
      group.files = files_[twins[first]];
      for (std::size_t i = first; i < last; ++i) group.folders.push_back(twinFolder(twins[i]));
      std::sort(group.folders.begin(), group.folders.end(),
                [](const TwinFolder& a, const TwinFolder& b) { return a.path < b.path; });
    }
    first = last;
  }
  std::sort(groups.begin(), groups.end(), [](const FolderGroup& a, const FolderGroup& b) {
    if (a.bytes != b.bytes) return a.bytes > b.bytes;
    if (a.files != b.files) return a.files > b.files;
    return a.folders.front().path < b.folders.front().path;
  });
  for (std::size_t i = 0; i < groups.size(); ++i) groups[i].number = static_cast<std::uint32_t>(i + 1);
  return groups;
}

}  // namespace

std::vector<FolderGroup> findFolderTwins(const CandidateStore& store, const std::vector<ResultRow>& rows,
                                         const FolderComparison& comparison, bool namesIgnoreCase) {
  if (store.folderCount() == 0) return {};
  return FolderTree(store, rows, comparison, namesIgnoreCase).groups();
}

}  // namespace pelimor
