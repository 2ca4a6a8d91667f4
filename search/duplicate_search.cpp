#include "search/duplicate_search.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <future>
#include <memory>
#include <thread>

#include "search/folder_walker.h"
#include "search/mask_list.h"

namespace pelimor {

SearchResult runDuplicateSearch(const SearchRequest& request, SearchProgress& progress, const SearchControl& control) {
  SearchResult result;
  unsigned threads = request.readThreads;
  // Reads from a cold cache wait on the disk: more threads than cores keep it busy, and with
  // a warm cache the extra threads cost next to nothing.
  if (threads == 0) threads = std::clamp(4 * std::thread::hardware_concurrency(), 8u, 16u);
  const unsigned walkThreads = std::min(threads, CandidateStore::kMaxSegments);
  CandidateStore store(walkThreads);
  std::shared_ptr<DigestCache> cache;
  if (request.useCache) cache = std::make_shared<DigestCache>(request.cacheFolder);
  DigestCache* const knownDigests = cache.get();
  {
    const WalkRequest walk{request.sourceFolders,
                           buildMaskList(request.maskText),
                           request.minimumSize,
                           request.excludedTrees,
                           request.excludedFragments,
                           walkThreads,
                           DuplicateGrouper::kSmallFileBytes,
                           knownDigests};
    progress.setPhase(SearchPhase::Walking);
    FolderWalker walker(walk, store, progress, control);
    walker.run();
    result.skippedFolders = walker.skippedFolders();
    result.searchedAnySource = walker.searchedAnySource();
  }
  result.cancelled = control.cancelled();

  progress.setPhase(SearchPhase::Comparing);
  // Once everything is read, the cache is no longer asked: what it learned is written on a thread
  // of its own while the rows are made and shown, and its records go as soon as it is done. With
  // no records to sort out (a first search), even learning the walk's digests goes beside the rows;
  // the store they come from is kept until that is done.
  std::future<void> learned;  // valid while the walk's digests are learned beside the rows
  // Declared after the store, so gone before it, whichever way this function is left.
  struct WaitForLearning {
    std::future<void>& learned;
    ~WaitForLearning() {
      if (learned.valid()) learned.wait();
    }
  } waitForLearning{learned};
  const auto saveCache = [&] {
    const bool walkedWhole = !result.cancelled;
    if (cache && cache->holdsNoRecords()) {
      std::promise<void> done;
      learned = done.get_future();
      result.cacheWriting =
          std::make_shared<std::jthread>([cache, &store, walkedWhole, done = std::move(done)]() mutable {
            bool write = false;
            try {
              write = cache->prepareSave(store, walkedWhole);
            } catch (const std::exception&) {
              // Out of memory, say: the search goes on without saving.
            }
            done.set_value();  // the store is no longer needed
            if (write) cache->writePrepared();
          });
    } else if (cache && cache->prepareSave(store, walkedWhole)) {
      result.cacheWriting = std::make_shared<std::jthread>([cache] { cache->writePrepared(); });
    }
    cache.reset();
  };
  result.rows = DuplicateGrouper(store, progress, control, threads, knownDigests).run(result.skipped, saveCache);
  result.aborted = control.aborted();
  if (result.aborted) result.rows.clear();
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
