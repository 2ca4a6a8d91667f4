#pragma once
// One whole search: source folders, masks and a minimum size in; numbered groups of identical files
// out, or, in the "Similar pictures" mode, groups of pictures that look alike.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/folders.h"
#include "platform/notice_text.h"
#include "search/duplicate_grouper.h"
#include "search/file_catalog.h"
#include "search/folder_group.h"
#include "search/result_row.h"
#include "search/search_control.h"
#include "search/search_progress.h"
#include "search/similarity_steps.h"
#include "search/unique_file.h"

namespace pelimor {

// What a search looks for.
enum class SearchMode : std::uint8_t {
  IdenticalFiles,  // files with the same bytes
  // Pictures that look alike (see picture_grouper.h): resized, saved again, turned, cropped a
  // little, brightened or made grey. Only files the masks take whose names are of a picture kind
  // read (isPictureName) are looked at; uniqueIn, findFolderTwins and catalog are ignored. Not in
  // every build: see similarPicturesBuiltIn().
  SimilarPictures,
};

// Whether this build has the SimilarPictures mode (it needs libvips, which the Windows build
// lacks). Without it, such a search finds nothing and says so in SearchResult::warnings.
bool similarPicturesBuiltIn();

struct SearchRequest {
  std::vector<std::string> sourceFolders;
  std::string maskText = "*.*";                           // as typed in the mask field: masks separated by ';'
  std::uint64_t minimumSize = std::uint64_t{100} * 1024;  // bytes; a file must be strictly larger
  std::vector<std::string> excludedTrees = platform::foldersNeverSearched();
  std::vector<std::string> excludedFragments = platform::excludedPathFragments();
  // Threads that walk, and readers per disk; 0: the walk chosen for this machine, the readers
  // tuned for each disk as it is read.
  unsigned readThreads = 0;
  // What was read of each file is kept in this folder, so that a later search need not read a file
  // again while it is unchanged.
  bool useCache = true;
  // When reading began, as the racy rule sees it (wall-clock nanoseconds): files changed less than
  // their file system's time step before it are racy. 0: the moment the search starts.
  std::int64_t readStart = 0;
  std::string cacheFolder = platform::cacheFolder();
  // Never entered (folders) or taken (files): a pattern without '/' matches an entry's own name
  // ("node_modules", "*.tmp"), one with '/' its path below its source folder ("photos/cache/*",
  // "**/build"); see globMatches. Letter case is ignored where the system's names ignore it.
  std::vector<std::string> excludedNames;
  bool searchHidden = false;  // also enter hidden folders: dot-folders, and on Windows hidden or system ones
  // Searched like source folders; every file at or below one (by identity, however reached) is
  // marked `reference` in its row, and a group of reference files alone is left out.
  std::vector<std::string> referenceFolders;
  // When not empty, SearchResult::uniqueFiles lists the files at or below these folders (searched
  // too) that have no identical file anywhere in the search, of any size (the minimum size is
  // ignored for them).
  std::vector<std::string> uniqueIn;
  // Also find folders that hold the same tree (SearchResult::folderGroups). Every file counts then,
  // whatever the masks, the minimum size and "hidden": the search takes every file, and its rows
  // are the groups of all of them.
  bool findFolderTwins = false;
  FolderComparison folderComparison;
  // When given, every file the search takes is handed to it with what the search learned of it;
  // without one, no digest is kept beyond the comparison.
  const CatalogRequest* catalog = nullptr;
  SearchMode mode = SearchMode::IdenticalFiles;
  // SimilarPictures: how many of their hashes' 64 bits two pictures of one group may differ in;
  // one of kSimilaritySteps' maxDistance, mostly.
  unsigned pictureDistance = kSimilaritySteps[kDefaultSimilarityStep].maxDistance;
};

// The checksum cache written on a thread of its own while the caller shows the rows. The thread,
// which this is, is joined when the last handle to it goes.
class CacheWriting : public std::jthread {
 public:
  // Starts `save`, which returns what it has to warn of.
  explicit CacheWriting(std::function<std::vector<NoticeText>()> save);
  ~CacheWriting();
  CacheWriting(const CacheWriting&) = delete;
  CacheWriting& operator=(const CacheWriting&) = delete;

  // The save has ended: warnings() no longer waits.
  bool done() const { return done_.load(); }
  // Waits for the save to end. From the thread that holds the handle.
  void wait() {
    if (joinable()) join();
  }
  // Waits for the save to end; then what it warns of, as SearchResult::warnings: none when it
  // went well. From the thread that holds the handle.
  const std::vector<NoticeText>& warnings();

 private:
  std::vector<NoticeText> warnings_;
  std::atomic<bool> done_{false};
};

struct SearchResult {
  std::vector<ResultRow> rows;
  std::vector<SkippedFile> skipped;  // files that could not be read when compared
  // With SearchRequest::uniqueIn: its files that no other file equals, by path. After a cancel,
  // only against what the walk had found.
  std::vector<UniqueFile> uniqueFiles;
  // With SearchRequest::findFolderTwins, after a whole walk: the groups of twin folders.
  std::vector<FolderGroup> folderGroups;
  // Source folders that are or lie in a folder never searched, and folders whose path is too long.
  std::vector<SkippedFile> skippedFolders;
  bool searchedAnySource = false;  // at least one source folder could be opened and searched
  bool cancelled = false;          // the walk was stopped early; rows hold what was found until then
  bool aborted = false;            // stopped hard; rows are empty
  // What the user should hear of though the search went on: the checksum cache could not be read
  // (this search read every file) and the like. One sentence each, in the order they came.
  std::vector<NoticeText> warnings;
  // The checksum cache being written while the caller shows the rows; the last copy of the result
  // to go waits for it. The save's own warnings come from it once it has ended.
  std::shared_ptr<CacheWriting> cacheWriting;
};

// Runs on the calling thread (and a few reader threads of its own) until done, cancelled or aborted.
SearchResult runDuplicateSearch(const SearchRequest& request, SearchProgress& progress, const SearchControl& control);

// Minimum size in bytes from the size list's kilobyte text; nothing for a text that is no whole number >= 0.
bool minimumSizeFromKilobytes(const std::string& text, std::uint64_t& bytes);

}  // namespace pelimor
