#include "search/folder_walker.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

#include "platform/directory_reader.h"
#include "platform/file_reader.h"
#include "platform/io_error_text.h"
#include "platform/paths.h"
#include "platform/window_text.h"
#include "search/glob_pattern.h"
#include "search/mask_list.h"

namespace pelimor {

using platform::Directory;
using platform::EntryKind;
using platform::FileStatus;

// A folder waiting to be walked. Its parent stays open while children wait, so they are opened
// relative to it; a folder without a parent is opened by its path.
struct FolderWalker::Task {
  std::shared_ptr<Directory> parent;
  std::uint32_t parentNode = CandidateStore::kNoParent;
  std::string name;
  std::string path;
  const WalkStart* start = nullptr;
  std::uint64_t parentDevice = 0;  // a folder on another device than its parent is a mount point
  std::uint8_t marks = 0;          // FileMark bits handed down from the folders above
  const DiskReading* parentDisk = nullptr;
  // A folder of a disk that seeks is opened by its path when its turn comes, and walked only if it
  // is still the entry its parent listed: this inode, below the parent (on parentDevice).
  bool reopenedByPath = false;
  std::uint64_t listedInode = 0;
  std::uint64_t parentInode = 0;
};

namespace {
// How far up a folder opened by its path is followed to see whether it lies in an excluded tree.
constexpr std::size_t kLevelsLookedAbove = 4096;

bool isOneOf(const std::vector<platform::FolderId>& folders, platform::FolderId folder) {
  return std::find(folders.begin(), folders.end(), folder) != folders.end();
}

// The folder `path` names, links followed; nothing when it is no folder.
std::optional<platform::FolderId> folderIdOf(const std::string& path) {
  FileStatus status;
  if (platform::statusOfPath(path, true, status) || status.kind != EntryKind::Directory) return std::nullopt;
  return platform::FolderId{status.device, status.inode};
}

bool anyMatches(const std::vector<std::string>& patterns, std::string_view text, bool ignoreCase) {
  for (const std::string& pattern : patterns)
    if (globMatches(pattern, text, ignoreCase)) return true;
  return false;
}

// An entry removed, or replaced by a file or a link, after its folder was listed: nothing is
// missed by passing it over.
bool goneSinceListed(const std::error_code& error) {
  return error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory ||
         error == std::errc::too_many_symbolic_link_levels;
}
}  // namespace

// What one walking thread keeps for reading small files as it finds them.
struct FolderWalker::WalkScratch {
  explicit WalkScratch(std::uint64_t largest) : buffer(largest + 1) {}
  std::vector<unsigned char> buffer;  // one byte more than the largest file read: shows growth
  ContentHasher hasher;
};

// Counts of one folder, handed to the shared progress once the folder is done.
struct FolderWalker::FolderTally {
  std::uint64_t filesSeen = 0;
  std::uint64_t candidates = 0;
  std::uint64_t bytesRead = 0;
};

std::vector<WalkStart> planWalks(const std::vector<std::string>& sourceFolders, const std::vector<std::string>& masks) {
  std::vector<WalkStart> starts;
  for (const std::string& mask : masks) {
    for (const std::string& source : sourceFolders) {
      if (source.empty()) continue;
      const std::string full = platform::joinPath(source, mask);
      const auto slash = full.rfind(platform::kSeparator);
      const std::string folder = platform::normalizedFolder(std::string_view(full).substr(0, slash + 1));
      const std::string nameMask = full.substr(slash + 1);
      auto start = std::find_if(starts.begin(), starts.end(), [&](const WalkStart& s) { return s.folder == folder; });
      if (start == starts.end()) {
        const std::string sourceFolder = platform::normalizedFolder(source);
        const std::size_t sourceLength = folder.starts_with(sourceFolder) ? platform::joinPath(sourceFolder, "").size()
                                                                          : platform::joinPath(folder, "").size();
        start = starts.insert(starts.end(), WalkStart{folder, {}, 0, sourceLength});
      }
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

const std::string* FolderWalker::excludedFragmentIn(const std::string& folder,
                                                    const std::vector<std::string>& fragments) {
  if (fragments.empty()) return nullptr;
  const std::string withSeparator = platform::joinPath(folder, "");
  for (const std::string& fragment : fragments)
    if (!fragment.empty() && withSeparator.find(fragment) != std::string::npos) return &fragment;
  return nullptr;
}

FolderWalker::FolderWalker(const WalkRequest& request, CandidateStore& store, SearchProgress& progress,
                           const SearchControl& control)
    : request_(request),
      store_(store),
      progress_(progress),
      control_(control),
      starts_(planWalks(request.sourceFolders, request.masks)) {
  if (request_.readWholeUpTo > 0) {
    const std::size_t words = request_.readWholeUpTo / 64 + 1;
    sizesFound_ = std::make_unique<std::atomic<std::uint64_t>[]>(words);
    for (std::size_t i = 0; i < words; ++i) sizesFound_[i].store(0, std::memory_order_relaxed);
  }
  for (const std::string& excluded : request_.excludedNames) {
    // A path below a source has no '/' at either end: "cache/" and "/photos/cache" mean what they say.
    std::string pattern = platform::normalizedFolder(excluded);
    const auto first = pattern.find_first_not_of(platform::kSeparator);
    if (first == std::string::npos) continue;
    pattern.erase(0, first);
    (pattern.find(platform::kSeparator) == std::string::npos ? excludedNames_ : excludedPaths_)
        .push_back(std::move(pattern));
  }
  // Taken now, by what the system says each folder is, so that no link or spelling leads in.
  for (const std::string& tree : request_.excludedTrees)
    if (const auto id = folderIdOf(tree)) excludedFolders_.push_back(*id);
  for (const auto& [folders, mark] :
       {std::pair{&request_.referenceFolders, kInReference}, std::pair{&request_.uniqueIn, kInUniqueIn}}) {
    for (const std::string& path : *folders)
      if (const auto id = folderIdOf(path)) markedFolders_.emplace_back(*id, mark);
  }
}

FolderWalker::~FolderWalker() = default;

void FolderWalker::dropNestedStarts() {
  std::vector<std::optional<platform::FolderId>> ids;
  for (const WalkStart& start : starts_) ids.push_back(folderIdOf(start.folder));
  std::vector<WalkStart> kept;
  for (std::size_t i = 0; i < starts_.size(); ++i) {
    const Directory folder = Directory::open(starts_[i].folder);
    bool nested = false;
    for (const platform::FolderId above : folder.foldersAbove(kLevelsLookedAbove))
      nested = nested || std::find(ids.begin(), ids.end(), above) != ids.end();
    if (!nested) kept.push_back(starts_[i]);
  }
  starts_ = std::move(kept);
}

void FolderWalker::run() {
  if (request_.everyEntry) dropNestedStarts();
  std::vector<Task> round;
  for (const WalkStart& start : starts_)
    round.push_back(Task{nullptr, CandidateStore::kNoParent, start.folder, start.folder, &start});
  // Source folders first, in their order; then, round by round, the folders found behind links.
  while (!round.empty() && !control_.cancelled()) {
    runRound(std::move(round));
    round = std::move(linked_);
    linked_.clear();
    std::sort(round.begin(), round.end(), [](const Task& a, const Task& b) { return a.path < b.path; });
  }
  nameFoldersMetAgain();
  sortSkippedFolders();
  store_.collectFiles();
}

// Sources in their order, then the other folders by path, whichever thread came to them first;
// a folder met by two walks (two sets of masks) is named once.
void FolderWalker::sortSkippedFolders() {
  const auto startIndex = [&](const SkippedFile& folder) {
    return std::find_if(starts_.begin(), starts_.end(), [&](const WalkStart& s) { return s.folder == folder.path; }) -
           starts_.begin();
  };
  const auto before = [&](const SkippedFile& a, const SkippedFile& b) {
    const auto aIndex = startIndex(a), bIndex = startIndex(b);
    return aIndex != bIndex ? aIndex < bIndex : a.path < b.path;
  };
  std::stable_sort(skippedFolders_.begin(), skippedFolders_.end(), before);
  const auto samePath = [](const SkippedFile& a, const SkippedFile& b) { return a.path == b.path; };
  skippedFolders_.erase(std::unique(skippedFolders_.begin(), skippedFolders_.end(), samePath), skippedFolders_.end());
}

void FolderWalker::runRound(std::vector<Task> tasks) {
  std::reverse(tasks.begin(), tasks.end());  // taken from the back
  pending_ = std::move(tasks);
  busy_ = 0;
  const unsigned threads = std::max(1u, request_.threads);
  std::vector<std::thread> helpers;
  for (unsigned segment = 1; segment < threads; ++segment) helpers.emplace_back(&FolderWalker::work, this, segment);
  work(0);
  for (std::thread& helper : helpers) helper.join();
}

bool FolderWalker::takeTask(unsigned segment, Task& task) {
  // Folders found below a source go before the sources still waiting (as depth first does): a
  // source that is also reached from another, through a link, is then met under its real path.
  if (!pendingInInodeOrder_.empty()) {
    auto next = pendingInInodeOrder_.lower_bound(lastTakenInInodeOrder_);
    if (next == pendingInInodeOrder_.end()) next = pendingInInodeOrder_.begin();
    // A disk that seeks is walked by one thread: more would only make its head jump between them.
    // So is a local disk until it is judged, which its first few small reads do.
    if (segment == 0 || !next->second.parentDisk->walkedByOneThread()) {
      lastTakenInInodeOrder_ = next->first;
      task = std::move(next->second);
      pendingInInodeOrder_.erase(next);
      return true;
    }
  }
  if (pending_.empty()) return false;
  const DiskReading* disk = pending_.back().parentDisk;
  if (segment != 0 && disk && disk->walkedByOneThread()) return false;
  task = std::move(pending_.back());
  pending_.pop_back();
  return true;
}

void FolderWalker::work(unsigned segment) {
  WalkScratch scratch(request_.readWholeUpTo);
  std::unique_lock lock(mutex_);
  for (;;) {
    Task task;
    bool taken = false;
    // Done when nothing is left for anybody: a folder only one thread may take is not ours to end on.
    changed_.wait(lock, [&] {
      taken = takeTask(segment, task);
      return taken || (busy_ == 0 && pending_.empty() && pendingInInodeOrder_.empty()) || control_.cancelled();
    });
    if (!taken || control_.cancelled()) {
      changed_.notify_all();
      return;
    }
    ++busy_;
    lock.unlock();
    walkFolder(task, segment, scratch);
    lock.lock();
    --busy_;
    if (busy_ == 0 && pending_.empty() && pendingInInodeOrder_.empty()) changed_.notify_all();
  }
}

bool FolderWalker::firstVisit(platform::FolderId folder, std::uint32_t maskSet, bool mountPoint) {
  std::lock_guard lock(mutex_);
  if (!visited_.insert(VisitKey{folder.device, folder.inode, maskSet}).second) return false;
  if (mountPoint) mountPointsWalked_.push_back(folder);
  return true;
}

bool FolderWalker::replacedSinceListed(const Directory& folder, platform::FolderId id, const Task& task) {
  if (folder.foldersAbove(1) != std::vector<platform::FolderId>{{task.parentDevice, task.parentInode}}) return true;
  // At a mount point the listing tells the inode of the folder covered, on the parent's device too
  // for a bind mount.
  return id.device == task.parentDevice && id.inode != task.listedInode && !folder.isMountRoot();
}

void FolderWalker::noteMetAgain(std::string path, platform::FolderId id, bool mountPoint) {
  std::lock_guard lock(mutex_);
  metAgain_.push_back(MetAgain{std::move(path), id, mountPoint});
}

void FolderWalker::nameFoldersMetAgain() {
  // Named only where one of the two places is a mount point, as with a bind mount: a link to a
  // folder walked is the user's own second name for it (and may loop), and so is a source met
  // again inside another.
  std::vector<platform::FolderId> sources;
  for (const WalkStart& start : starts_)
    if (const auto id = folderIdOf(start.folder)) sources.push_back(*id);
  std::erase_if(metAgain_, [&](const MetAgain& folder) {
    return (!folder.mountPoint && !isOneOf(mountPointsWalked_, folder.id)) || isOneOf(sources, folder.id);
  });
  if (metAgain_.empty()) return;
  std::map<std::pair<std::uint64_t, std::uint64_t>, std::uint32_t> walkedAt;
  for (const MetAgain& folder : metAgain_)
    walkedAt.emplace(std::pair{folder.id.device, folder.id.inode}, CandidateStore::kNoParent);
  for (const std::uint32_t node : store_.folderNodes()) {
    const platform::FolderId id = store_.folderId(node);
    if (const auto found = walkedAt.find({id.device, id.inode}); found != walkedAt.end()) found->second = node;
  }
  for (MetAgain& folder : metAgain_) {
    const std::uint32_t node = walkedAt[{folder.id.device, folder.id.inode}];
    if (node != CandidateStore::kNoParent)
      skippedFolders_.push_back(SkippedFile{
          std::move(folder.path), "it is the same folder as " + store_.folderPath(node) + ", searched there"});
  }
  metAgain_.clear();
}

bool FolderWalker::neverSearched(const Directory& folder, platform::FolderId id, const Task& task,
                                 bool openedByPath) const {
  if (isOneOf(excludedFolders_, id)) return true;
  // A folder reached from its parent stays on the parent's file system unless it is a mount point.
  if ((openedByPath || id.device != task.parentDevice) && kernelFileSystems_.holds(folder, id.device)) return true;
  if (!openedByPath || excludedFolders_.empty()) return false;
  for (const platform::FolderId above : folder.foldersAbove(kLevelsLookedAbove))
    if (isOneOf(excludedFolders_, above)) return true;
  return false;
}

std::uint8_t FolderWalker::marksOf(const Directory& folder, platform::FolderId id, bool openedByPath) const {
  std::uint8_t marks = 0;
  const auto markOf = [&](platform::FolderId at) {
    for (const auto& [marked, mark] : markedFolders_)
      if (marked == at) marks |= mark;
  };
  markOf(id);
  // A source or a folder behind a link may lie below a marked folder no walk passes through.
  if (openedByPath)
    for (const platform::FolderId above : folder.foldersAbove(kLevelsLookedAbove)) markOf(above);
  return marks;
}

void FolderWalker::skipFolder(std::string path, std::string reason) {
  std::lock_guard lock(mutex_);
  skippedFolders_.push_back(SkippedFile{std::move(path), std::move(reason)});
}

bool FolderWalker::sizeFoundBefore(std::uint64_t size) {
  const std::uint64_t bit = std::uint64_t{1} << (size % 64);
  return (sizesFound_[size / 64].fetch_or(bit, std::memory_order_relaxed) & bit) != 0;
}

std::error_code FolderWalker::takeFile(const Directory& folder, const char* name, bool haveStatus, FileStatus& status,
                                       std::uint32_t node, std::uint8_t marks, DiskReading* disk, WalkScratch& scratch,
                                       FolderTally& tally) {
  // When small files may be read at once, a file is opened rather than asked about: the open
  // gives the status too, and leaves the file ready to read while the system has it at hand.
  platform::FileReader reader;
  const bool mayRead = request_.minimumSize < request_.readWholeUpTo && (!disk || disk->seeking() != Seeking::Yes);
  if (!haveStatus && mayRead && !reader.openIn(folder, name)) {
    status = reader.status();
  } else if (!haveStatus) {
    if (const std::error_code error = folder.statusOf(name, false, status)) return error;
    if (status.kind != EntryKind::Regular) return {};
  }
  const bool large = status.size > request_.minimumSize;
  if (!large && request_.uniqueIn.empty() && !request_.everyEntry) return {};
  ++tally.candidates;
  ContentDigest content;
  bool read = false;
  // A size nobody had before need not be read yet: it may stay a size of its own. A file no larger
  // than the minimum is read only if the comparison asks for it.
  const bool readNow =
      large && status.size <= request_.readWholeUpTo && sizeFoundBefore(status.size) && reader.isOpen();
  if (readNow && request_.cache) read = request_.cache->find(identityOf(status), CacheRecord::kContent, content);
  if (readNow && !read) {
    // Asking one byte more than the size shows a file that grew. Any other length: the file
    // changed since its status was taken, or came in pieces; the comparison sees to it.
    const bool timed = disk && disk->timesSmallReads();
    const auto start = timed ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point();
    const platform::ReadResult got = reader.readOnce(0, scratch.buffer.data(), status.size + 1);
    if (timed)
      disk->noteSmallRead(static_cast<std::uint64_t>(
          std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count()));
    if (!got.error && got.bytes == status.size) {
      scratch.hasher.reset();
      scratch.hasher.update(scratch.buffer.data(), status.size);
      content = scratch.hasher.finish();
      read = true;
      tally.bytesRead += status.size;
    }
  }
  store_.addFile(node, name, status, read ? &content : nullptr, marks);
  return {};
}

void FolderWalker::walkFolder(Task& task, unsigned segment, WalkScratch& scratch) {
  const bool isSource = task.parentNode == CandidateStore::kNoParent;
  // A folder not walked leaves its parent with something unseen.
  const auto notWalked = [&] {
    if (request_.everyEntry && !isSource) store_.markOpaque(segment, task.parentNode);
  };
  if (const std::string* fragment = excludedFragmentIn(task.path, request_.excludedFragments)) {
    // A source left out by its name is named too, or it would look like one without duplicates.
    if (isSource) skipFolder(task.path, "its path holds \"" + *fragment + "\", which is never searched");
    notWalked();
    return;
  }
  const bool openedByPath = task.parent == nullptr && !task.reopenedByPath;
  auto folder =
      std::make_shared<Directory>(task.parent ? task.parent->openChild(task.name.c_str()) : Directory::open(task.path));
  task.parent.reset();
  // A folder that can't be opened is named, or it would look like one without duplicates; below
  // the sources, one gone since its parent was listed is no longer there to search.
  FileStatus own;
  const std::error_code error = folder->isOpen() ? folder->ownStatus(own) : folder->error();
  if (error) {
    if (isSource || !goneSinceListed(error)) skipFolder(task.path, platform::systemErrorText(error));
    if (!goneSinceListed(error)) notWalked();
    return;
  }
  const platform::FolderId id{own.device, own.inode};
  if (task.reopenedByPath && replacedSinceListed(*folder, id, task)) {
    notWalked();
    return;
  }
  if (neverSearched(*folder, id, task, openedByPath)) {
    if (isSource)
      skipFolder(task.path, PELIMOR_WINDOW_TEXT("Reasons",
                                                "it is or lies in a system folder or the removed-files "
                                                "folder, which are never searched"));
    notWalked();
    return;
  }
  if (isSource) sourcesSearched_.fetch_add(1);
  // Its parent listed the inode of the folder it covers (or of one replaced by it meanwhile).
  const bool mountPoint = !openedByPath && task.listedInode != 0 && own.inode != task.listedInode;
  if (!firstVisit(id, task.start->maskSet, mountPoint)) {
    if (!openedByPath) noteMetAgain(task.path, id, mountPoint);
    notWalked();
    return;
  }
  const std::uint32_t node = isSource ? store_.addRootFolder(segment, task.path, id)
                                      : store_.addFolder(segment, task.parentNode, task.name, id);
  if (segment == 0) progress_.setCurrentFolder(task.path);
  const std::uint8_t marks = markedFolders_.empty() ? task.marks : task.marks | marksOf(*folder, id, openedByPath);

  const auto matches = [&](const char* name) {
    for (const std::string& mask : task.start->nameMasks)
      if (matchesMask(name, mask)) return true;
    return false;
  };
  // Path patterns see an entry's path below its source: this folder's, then the entry's name.
  std::string below;
  if (!excludedPaths_.empty() && task.path.size() > task.start->sourceLength)
    below = platform::joinPath(std::string_view(task.path).substr(task.start->sourceLength), "");
  const std::size_t belowFolder = below.size();
  const bool mayExclude = !excludedNames_.empty() || !excludedPaths_.empty();
  const auto excluded = [&](const char* name) {
    if (anyMatches(excludedNames_, name, request_.namesIgnoreCase)) return true;
    if (excludedPaths_.empty()) return false;
    below.resize(belowFolder);
    below += name;
    return anyMatches(excludedPaths_, below, request_.namesIgnoreCase);
  };
  std::vector<Task> subfolders, links;
  std::string linkText;
  FolderTally tally;
  // A folder we may list but not look into (read without search permission) gives its names only.
  std::error_code entryError;
  const auto noteEntryError = [&](const std::error_code& error) {
    if (!goneSinceListed(error)) entryError = error;
  };
  DiskReading* const disk = request_.disks ? &request_.disks->of(own.device) : nullptr;
  const bool inodeOrder = platform::kListingTellsInodes && disk && disk->walksInInodeOrder();
  if (disk) disk->noteFolderWalked();
  // One entry; false to stop.
  const auto visit = [&](const char* name, EntryKind kind, std::uint64_t inode) {
    if (control_.cancelled()) return false;
    FileStatus status;
    bool haveStatus = false;
    if (kind == EntryKind::Unknown) {
      if (const std::error_code error = folder->statusOf(name, false, status)) {
        noteEntryError(error);
        return true;
      }
      kind = status.kind;
      haveStatus = true;
    }
    if (kind == EntryKind::Directory || kind == EntryKind::SymbolicLink) {
      if (!request_.searchHidden && folder->entryHidden(name)) return true;
      if (mayExclude && excluded(name)) return true;
      const bool isLink = kind == EntryKind::SymbolicLink;
      if (isLink && request_.everyEntry) {
        if (const std::error_code error = folder->linkTarget(name, linkText))
          noteEntryError(error);
        else
          store_.addLink(node, name, linkText);
        return true;
      }
      // A link counts only when it leads to a folder: a link to a file is never a copy of it.
      if (isLink && (folder->statusOf(name, true, status) || status.kind != EntryKind::Directory)) return true;
      std::string path = platform::joinPath(task.path, name);
      // The walk itself could go deeper, but no action could reach such a path by its name.
      if (path.size() > platform::kLongestPath) {
        skipFolder(std::move(path), PELIMOR_WINDOW_TEXT("Reasons", "its path is longer than the system allows"));
        if (request_.everyEntry) store_.markOpaque(segment, node);
        return true;
      }
      // A disk that seeks has its folders opened in inode order, later: their parent is not held.
      const bool inInodeOrder = !isLink && inodeOrder;
      (isLink ? links : subfolders)
          .push_back(Task{isLink || inInodeOrder ? nullptr : folder, node, name, std::move(path), task.start,
                          own.device, marks, disk, inInodeOrder, inode, own.inode});
      return true;
    }
    if (kind != EntryKind::Regular) {
      // A device, a pipe or a socket has no content to compare.
      if (request_.everyEntry && !(mayExclude && excluded(name))) store_.markOpaque(segment, node);
      return true;
    }
    ++tally.filesSeen;
    if ((request_.everyEntry || matches(name)) && !(mayExclude && excluded(name)))
      noteEntryError(takeFile(*folder, name, haveStatus, status, node, marks, disk, scratch, tally));
    return true;
  };
  if (inodeOrder) {
    // A disk that seeks keeps its inodes in order: looking at them so spares the head its travel.
    struct Entry {
      std::uint64_t inode;
      EntryKind kind;
      std::string name;
    };
    std::vector<Entry> entries;
    const char* name = nullptr;
    EntryKind kind = EntryKind::Unknown;
    while (folder->next(name, kind)) entries.push_back(Entry{folder->entryInode(), kind, name});
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.inode < b.inode; });
    for (const Entry& entry : entries)
      if (!visit(entry.name.c_str(), entry.kind, entry.inode)) break;
  } else {
    const char* name = nullptr;
    EntryKind kind = EntryKind::Unknown;
    while (folder->next(name, kind))
      if (!visit(name, kind, folder->entryInode())) break;
  }
  if (entryError) {
    skipFolder(task.path, platform::systemErrorText(entryError));
    if (request_.everyEntry) store_.markOpaque(segment, node);
  }
  progress_.addFilesSeen(tally.filesSeen);
  progress_.addCandidates(tally.candidates);
  if (tally.bytesRead > 0) {
    progress_.addBytesToRead(tally.bytesRead);
    progress_.addBytesRead(tally.bytesRead);
  }
  if (subfolders.empty() && links.empty()) return;

  std::lock_guard lock(mutex_);
  // Pushed in reverse, so the first subfolder is walked next: depth first, as a person would read.
  for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it) {
    if (it->reopenedByPath)
      pendingInInodeOrder_.emplace(std::pair{own.device, it->listedInode}, std::move(*it));
    else
      pending_.push_back(std::move(*it));
  }
  for (Task& link : links) linked_.push_back(std::move(link));
  changed_.notify_all();
}

}  // namespace pelimor
