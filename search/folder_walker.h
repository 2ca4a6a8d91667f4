#pragma once
// Walks the source folders once, testing each folder's entries against every mask, and records
// the files larger than the minimum size. Subfolders are shared out among a few threads.
// Small files that share a size with a file found before are read right away (see readWholeUpTo).
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/directory_reader.h"
#include "platform/kernel_file_systems.h"
#include "platform/paths.h"
#include "search/candidate_store.h"
#include "search/digest_cache.h"
#include "search/search_control.h"
#include "search/search_progress.h"
#include "search/skipped_file.h"
#include "search/storage_devices.h"

namespace pelimor {

struct WalkRequest {
  std::vector<std::string> sourceFolders;
  std::vector<std::string> masks;
  std::uint64_t minimumSize = 0;  // a file must be strictly larger
  // Never entered, with everything below them, however reached: known by device and inode.
  std::vector<std::string> excludedTrees;
  std::vector<std::string> excludedFragments;  // a folder whose path holds one of these is never entered
  unsigned threads = 1;
  // Files up to this size whose size an earlier file already had are read whole and hashed as
  // they are found, while the system still has them at hand; the rest wait for the comparison.
  // 0: none.
  std::uint64_t readWholeUpTo = 0;
  const DigestCache* cache = nullptr;  // such a file known to it and unchanged is not read again
  // The user's exclusions: a pattern without '/' is matched against each entry's name, one with a
  // '/' against its path below the source folder (see globMatches). Folders matched are not
  // entered, files matched not taken. A '/' at either end is dropped.
  std::vector<std::string> excludedNames = {};
  bool namesIgnoreCase = platform::kNamesIgnoreCase;
  bool searchHidden = false;  // hidden folders are entered too
  // Files at or below these folders get kInReference, or kInUniqueIn: known by device and inode
  // as the walk meets them, and handed down to subfolders.
  std::vector<std::string> referenceFolders = {};
  std::vector<std::string> uniqueIn = {};  // when not empty, files of every size are taken, empty ones too
  // For comparing whole folders: every file of every size is taken, links are recorded by their
  // text and not followed, and a folder holding anything else, or anything that could not be
  // looked at, is marked opaque (CandidateStore::markOpaque). A source inside another is left to it.
  bool everyEntry = false;
  // What is learned of each disk: whether small reads wait for a head. On a disk that seeks, small
  // files are left to the comparison, which reads them in the disk's order, and a folder's entries
  // are looked at in inode order. Without it, every disk is taken as flash.
  StorageDevices* disks = nullptr;
};

// Where one walk starts and which names it takes. A mask with a separator in it moves the start
// into its sub-path; masks that start in the same folder share one walk.
struct WalkStart {
  std::string folder;
  std::vector<std::string> nameMasks;
  std::uint32_t maskSet = 0;     // walks with equal name masks share an index
  std::size_t sourceLength = 0;  // what a path loses to become its path below the source folder
};
std::vector<WalkStart> planWalks(const std::vector<std::string>& sourceFolders, const std::vector<std::string>& masks);

class FolderWalker {
 public:
  // `store` must have at least request.threads segments.
  FolderWalker(const WalkRequest& request, CandidateStore& store, SearchProgress& progress,
               const SearchControl& control);
  ~FolderWalker();
  // Walks everything, then gathers the store's files.
  void run();

  // Source folders not searched because they are, or lie in, a folder never searched; folders that
  // could not be opened, or whose entries could not be looked at, with the system's reason; folders
  // whose path grew too long for the system; and bind mounts of a folder searched elsewhere (a link
  // to one, or a source inside another, is not named: the user gave that second name himself).
  // Sources first, in their order. Valid after run().
  const std::vector<SkippedFile>& skippedFolders() const { return skippedFolders_; }
  // True when at least one source folder was opened and searched.
  bool searchedAnySource() const { return sourcesSearched_.load() > 0; }

  // The first of `fragments` that the folder's path holds, or null.
  static const std::string* excludedFragmentIn(const std::string& folder, const std::vector<std::string>& fragments);

 private:
  struct Task;
  struct VisitKey {
    std::uint64_t device;
    std::uint64_t inode;
    std::uint32_t maskSet;
    bool operator==(const VisitKey&) const = default;
  };
  struct VisitKeyHash {
    size_t operator()(const VisitKey& key) const {
      return std::hash<std::uint64_t>()(key.inode * 0x9E3779B97F4A7C15ull ^ key.device ^
                                        (std::uint64_t(key.maskSet) << 56));
    }
  };

  struct WalkScratch;
  struct FolderTally;

  void runRound(std::vector<Task> tasks);
  void work(unsigned segment);
  void walkFolder(Task& task, unsigned segment, WalkScratch& scratch);
  // Takes the next folder to walk; false when this thread has none to take now.
  bool takeTask(unsigned segment, Task& task);
  // True the first time the walk meets the folder; a mount point walked is noted too.
  bool firstVisit(platform::FolderId folder, std::uint32_t maskSet, bool mountPoint);
  // True for an excluded tree, a folder on a kernel file system, and (for a folder opened by its
  // path) a folder that lies in an excluded tree.
  bool neverSearched(const platform::Directory& folder, platform::FolderId id, const Task& task,
                     bool openedByPath) const;
  void skipFolder(std::string path, std::string reason);
  // True when a folder opened by its path is no longer the entry its parent listed.
  static bool replacedSinceListed(const platform::Directory& folder, platform::FolderId id, const Task& task);
  // A folder met from its parent that was walked already: a bind mount, or the folder bound, is
  // named once the walk is over, with the path it was walked at.
  void noteMetAgain(std::string path, platform::FolderId id, bool mountPoint);
  void nameFoldersMetAgain();
  void sortSkippedFolders();
  // Drops the walks that start inside another walk's folder: that walk records them as its own.
  void dropNestedStarts();
  // The error met looking at the file, if any.
  std::error_code takeFile(const platform::Directory& folder, const char* name, bool haveStatus,
                           platform::FileStatus& status, std::uint32_t node, std::uint8_t marks, DiskReading* disk,
                           WalkScratch& scratch, FolderTally& tally);
  // Notes that a file of `size` was found; true when one was found before.
  bool sizeFoundBefore(std::uint64_t size);
  // The marks a folder gives the files at and below it, with those of the folders above it when
  // it was opened by its path.
  std::uint8_t marksOf(const platform::Directory& folder, platform::FolderId id, bool openedByPath) const;

  const WalkRequest& request_;
  CandidateStore& store_;
  SearchProgress& progress_;
  const SearchControl& control_;
  std::vector<WalkStart> starts_;
  // One bit per size up to readWholeUpTo: set once a file of that size is found.
  std::unique_ptr<std::atomic<std::uint64_t>[]> sizesFound_;
  std::vector<platform::FolderId> excludedFolders_;
  std::vector<std::string> excludedNames_;  // patterns matched against a name
  std::vector<std::string> excludedPaths_;  // patterns matched against a path below the source
  std::vector<std::pair<platform::FolderId, std::uint8_t>> markedFolders_;
  platform::KernelFileSystems kernelFileSystems_;
  std::atomic<unsigned> sourcesSearched_{0};

  std::mutex mutex_;  // guards everything below
  std::condition_variable changed_;
  std::vector<Task> pending_;
  // The folders of disks that seek, by device and inode: taken in one sweep up the disk and round
  // again, so that the head travels one way. They hold no parent open, as there may be many.
  std::multimap<std::pair<std::uint64_t, std::uint64_t>, Task> pendingInInodeOrder_;
  std::pair<std::uint64_t, std::uint64_t> lastTakenInInodeOrder_{0, 0};
  unsigned busy_ = 0;
  std::unordered_set<VisitKey, VisitKeyHash> visited_;
  // Folders reached through a link wait until every real folder is walked, so a file is listed
  // under its real path when it has one.
  std::vector<Task> linked_;
  std::vector<SkippedFile> skippedFolders_;
  struct MetAgain {
    std::string path;
    platform::FolderId id;
    bool mountPoint;
  };
  std::vector<MetAgain> metAgain_;
  std::vector<platform::FolderId> mountPointsWalked_;
};

}  // namespace pelimor
