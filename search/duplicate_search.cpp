#include "search/duplicate_search.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <thread>

#include "platform/file_times.h"
#include "search/folder_containment.h"
#include "search/folder_twins.h"
#include "search/folder_walker.h"
#include "search/mask_list.h"
#include "search/picture_decoder.h"
#include "search/picture_grouper.h"
#include "search/racy_files.h"

namespace pelimor {

CacheWriting::CacheWriting(std::function<std::vector<NoticeText>()> save) {
  // Started here, not by the base's constructor: the thread writes into members that must be
  // made first.
  static_cast<std::jthread&>(*this) = std::jthread([this, save = std::move(save)] {
    warnings_ = save();
    done_.store(true);
  });
}

// Joined before the members the thread writes into go.
CacheWriting::~CacheWriting() {
  if (joinable()) join();
}

const std::vector<NoticeText>& CacheWriting::warnings() {
  wait();
  return warnings_;
}

namespace {
// The walk waits on the disk as a cold cache is read: more threads than cores keep it busy, and
// with a warm cache the extra threads cost next to nothing. A network share answers each call
// late but many at once: as many threads as the store allows. (A disk that seeks is walked by one
// of them; each disk's readers are tuned as they read.)
unsigned walkThreadsFor(const std::vector<std::string>& sourceFolders, StorageDevices& disks) {
  for (const std::string& source : sourceFolders) {
    platform::FileStatus status;
    if (!platform::statusOfPath(source, true, status) && disks.of(status.device).device().remote)
      return CandidateStore::kMaxSegments;
  }
  return std::clamp(4 * std::thread::hardware_concurrency(), 8u, 16u);
}
}  // namespace

bool similarPicturesBuiltIn() { return picturesBuiltIn(); }

SearchResult runDuplicateSearch(const SearchRequest& original, SearchProgress& progress, const SearchControl& control) {
  SearchResult result;
  const bool pictures = original.mode == SearchMode::SimilarPictures;
  if (pictures && !similarPicturesBuiltIn()) {
    result.warnings.push_back(
        NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "this build of Pelimor cannot search for similar pictures")));
    progress.setPhase(SearchPhase::Done);
    return result;
  }
  // Pictures are compared among themselves alone: none of the identical search's extras.
  SearchRequest picturesOnly;
  if (pictures) {
    picturesOnly = original;
    picturesOnly.uniqueIn.clear();
    picturesOnly.findFolderTwins = false;
    picturesOnly.catalog = nullptr;
  }
  const SearchRequest& request = pictures ? picturesOnly : original;
  const std::int64_t readStart = request.readStart != 0 ? request.readStart : platform::wallClockNanoseconds();
  StorageDevices disks;
  const unsigned walkThreads =
      std::min(request.readThreads != 0 ? request.readThreads : walkThreadsFor(request.sourceFolders, disks),
               CandidateStore::kMaxSegments);
  // Shared: a first search hands it on to the thread that learns from it once the rows are made.
  auto sharedStore = std::make_shared<CandidateStore>(walkThreads);
  CandidateStore& store = *sharedStore;
  std::shared_ptr<DigestCache> cache;
  if (request.useCache) {
    cache = std::make_shared<DigestCache>(request.cacheFolder);
    result.warnings = cache->takeWarnings();
  }
  DigestCache* const knownDigests = cache.get();
  const bool everyFile = request.findFolderTwins;
  const std::uint64_t minimumSize = everyFile ? 0 : request.minimumSize;
  {
    // Reference folders, and those asked about, are searched whether or not they are source folders too.
    std::vector<std::string> folders = request.sourceFolders;
    for (const std::vector<std::string>* more : {&request.referenceFolders, &request.uniqueIn})
      for (const std::string& folder : *more)
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
    WalkRequest walk{std::move(folders), everyFile ? std::vector<std::string>{"*"} : buildMaskList(request.maskText),
                     minimumSize, request.excludedTrees, request.excludedFragments, walkThreads,
                     // Pictures are read whole by their grouper, small ones too.
                     pictures ? 0 : DuplicateGrouper::kSmallFileBytes, knownDigests, request.excludedNames,
                     platform::kNamesIgnoreCase, request.searchHidden || everyFile, request.referenceFolders,
                     request.uniqueIn};
    walk.everyEntry = everyFile;
    walk.disks = &disks;
    progress.setPhase(SearchPhase::Walking);
    FolderWalker walker(walk, store, progress, control);
    walker.run();
    result.skippedFolders = walker.skippedFolders();
    result.searchedAnySource = walker.searchedAnySource();
  }
  result.cancelled = control.cancelled();
  const RacyFiles racy = racyFilesOf(store, readStart);
  if (cache) cache->setRacyFiles(racy);

  progress.setPhase(SearchPhase::Comparing);
  // Once everything is read, the cache is no longer asked: what changed is sorted out and the cache
  // let go before the rows are made (their largest allocation), and the file is written on a thread
  // of its own while the rows are made and shown. A first search learns every file the walk read
  // (ten million, say): its list of them goes before the rows come.
  const bool walkedWhole = !result.cancelled;
  const bool firstSearch = cache && cache->holdsNoRecords();
  const auto saveCache = [&] {
    if (!cache) return;
    // The store goes with the writing: the files the walk read are made into records from it.
    if (cache->prepareSave(store, walkedWhole))
      result.cacheWriting = std::make_shared<CacheWriting>([cache, sharedStore] {
        cache->writePrepared();
        return cache->takeWarnings();
      });
    if (firstSearch && result.cacheWriting) result.cacheWriting->wait();
    cache.reset();
  };
  if (pictures) {
    PictureGrouper grouper(store, progress, control, request.readThreads, knownDigests, request.pictureDistance,
                           &disks);
    result.rows = grouper.run(result.skipped, saveCache);
  } else {
    std::vector<KnownDigest> wholeDigests;
    const bool catalog = request.catalog != nullptr;
    DuplicateGrouper grouper(store, progress, control, request.readThreads, knownDigests,
                             GroupingOptions{minimumSize, !request.uniqueIn.empty(), catalog ? &wholeDigests : nullptr,
                                             catalog ? &request.catalog->readWhole : nullptr, &disks});
    result.rows = grouper.run(result.skipped, saveCache);
    if (catalog && !control.aborted())
      describeWalkedFiles(store, std::move(wholeDigests), minimumSize, request.catalog->write);
    // A folder is a twin only by everything in it: a walk cut short can't say.
    if (everyFile && !result.cancelled && !control.aborted())
      result.folderGroups =
          request.folderComparison.containedIn
              ? findContainedFolders(store, result.rows)
              : findFolderTwins(store, result.rows, request.folderComparison, platform::kNamesIgnoreCase);
    result.uniqueFiles = grouper.takeUniqueFiles();
  }
  result.aborted = control.aborted();
  if (result.aborted) {
    result.rows.clear();
    result.uniqueFiles.clear();
  }
  for (ResultRow& row : result.rows) row.racy = racy.isRacy(row.identity.device, row.identity.changedNanoseconds);
  progress.setPhase(SearchPhase::Done);
  return result;
}

bool minimumSizeFromKilobytes(const std::string& text, std::uint64_t& bytes) {
  std::uint64_t kilobytes = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, kilobytes);
  if (text.empty() || error != std::errc() || stop != end || kilobytes > (UINT64_MAX >> 10)) return false;
  bytes = kilobytes << 10;
  return true;
}

}  // namespace pelimor
