#include "search/duplicate_grouper.h"

#include <algorithm>
#include <mutex>
#include <thread>
#include <tuple>

#include "platform/file_reader.h"
#include "platform/io_error_text.h"
#include "platform/window_text.h"
#include "search/candidate_opener.h"
#include "search/disk_readers.h"
#include "search/parallel_work.h"

namespace pelimor {

namespace {
constexpr std::size_t kReadBlock = std::size_t{256} * 1024;
// Bytes read are told to the shared progress in batches of about this size: one shared counter
// written for every small file by every reader would keep moving between the cores.
constexpr std::uint64_t kReportBytesEvery = 1 << 20;
}  // namespace

// What one reading thread keeps between files: its buffer, its hasher, the folder it last opened a
// file in (so the next file there is opened relative to it), and the bytes it has yet to report.
struct DuplicateGrouper::ReadScratch {
  ReadScratch(SearchProgress& progress, const CandidateStore& store) : progress(progress), opener(store) {}
  ~ReadScratch() { reportBytesRead(); }
  void countBytesRead(std::uint64_t bytes) {
    unreportedBytes += bytes;
    if (unreportedBytes >= kReportBytesEvery) reportBytesRead();
  }
  void reportBytesRead() {
    progress.addBytesRead(unreportedBytes);
    unreportedBytes = 0;
  }

  SearchProgress& progress;
  std::uint64_t unreportedBytes = 0;
  std::vector<unsigned char> buffer = std::vector<unsigned char>(kReadBlock);
  ContentHasher hasher;
  CandidateOpener opener;
};

namespace {

// Runs of equal elements in a sorted part [first, last) of a list: calls each(begin, end) for
// every run, front to back.
template <typename T, typename Equal, typename Each>
void forEachRun(const std::vector<T>& sorted, std::size_t first, std::size_t last, Equal equal, Each each) {
  for (std::size_t begin = first; begin < last;) {
    std::size_t end = begin + 1;
    while (end < last && equal(sorted[begin], sorted[end])) ++end;
    each(begin, end);
    begin = end;
  }
}

}  // namespace

DuplicateGrouper::DuplicateGrouper(const CandidateStore& store, SearchProgress& progress, const SearchControl& control,
                                   unsigned readThreads, DigestCache* cache, GroupingOptions options)
    : store_(store),
      progress_(progress),
      control_(control),
      readThreads_(readThreads),
      cache_(cache),
      options_(options),
      sortThreads_(std::clamp(std::thread::hardware_concurrency(), 1u, 16u)) {
  if (!options_.disks) {
    ownDisks_ = std::make_unique<StorageDevices>();
    options_.disks = ownDisks_.get();
  }
}

std::uint64_t DuplicateGrouper::bytesReadIn(Stage stage, std::uint64_t size) {
  const bool small = size <= kSmallFileBytes;
  if (stage == Stage::Samples) return small ? size : 2 * kSampleBytes;
  return small ? 0 : size;
}

std::uint64_t DuplicateGrouper::bytesLeftAfter(Stage stage, std::uint64_t size) {
  return stage == Stage::Samples ? bytesReadIn(Stage::Whole, size) : 0;
}

CacheRecord::Kind DuplicateGrouper::cachedAs(Stage stage, std::uint64_t size) {
  return stage == Stage::Samples && size > kSmallFileBytes ? CacheRecord::kSamples : CacheRecord::kContent;
}

std::vector<DuplicateGrouper::Item> DuplicateGrouper::sameSizeDistinctFiles(std::vector<SizeRun>& runs) {
  const std::vector<Candidate>& files = store_.files();
  // The items themselves are sorted, not indexes into the files: the sort stays in the cache. Their
  // digest's place holds the size, inode and device meanwhile, so that no second array of keys is
  // needed beside them and the files.
  std::vector<Item> items(files.size());
  for (std::uint32_t i = 0; i < files.size(); ++i)
    items[i] = Item{files[i].size, files[i].inode, store_.deviceNumber(files[i]), i};
  const auto fileOrder = [](const Item& a, const Item& b) {
    return std::tie(a.strongHigh, a.strongLow, a.crc32) < std::tie(b.strongHigh, b.strongLow, b.crc32);
  };
  sortInParallel(items, fileOrder, sortThreads_);

  std::size_t kept = 0;  // the items kept move to the front, in place
  std::uint64_t plannedBytes = 0;
  const auto sameSize = [](const Item& a, const Item& b) { return a.strongHigh == b.strongHigh; };
  forEachRun(items, 0, items.size(), sameSize, [&](std::size_t begin, std::size_t end) {
    if (end - begin < 2) return;  // a size nobody else has
    const std::uint64_t size = items[begin].strongHigh;
    // Files too small for a group, or all in reference folders, are compared only to tell whether
    // one asked about has a copy.
    std::uint8_t anyMarks = 0, allMarks = kInReference;
    for (std::size_t i = begin; i < end; ++i) {
      anyMarks |= files[items[i].candidate].marks;
      allMarks &= files[items[i].candidate].marks;
    }
    const bool forGroups = size > options_.minimumSize && (allMarks & kInReference) == 0;
    if (!forGroups && !(options_.findUnique && (anyMarks & kInUniqueIn))) return;
    const std::size_t firstKept = kept;
    std::uint64_t runPlannedBytes = 0;
    for (std::size_t i = begin; i < end;) {
      // One path per device and inode: hard links and files reached twice are one file. Keep the
      // smallest path, so the choice does not depend on the walk's order.
      const auto sameFile = [&](std::size_t k) {
        return k < end && items[k].strongLow == items[i].strongLow && items[k].crc32 == items[i].crc32;
      };
      std::size_t j = i + 1;
      std::size_t keep = i;
      if (sameFile(j)) {
        std::string keepPath = store_.pathOf(files[items[keep].candidate]);
        for (; sameFile(j); ++j) {
          std::string other = store_.pathOf(files[items[j].candidate]);
          if (other < keepPath) {
            keepPath = std::move(other);
            keep = j;
          }
        }
      }
      if (!files[items[keep].candidate].contentRead)
        runPlannedBytes += bytesReadIn(Stage::Samples, size) + bytesLeftAfter(Stage::Samples, size);
      // Nothing is read of it yet.
      items[kept++] = Item{0, 0, 0, items[keep].candidate};
      i = j;
    }
    if (kept - firstKept < 2) {
      kept = firstKept;  // one file under several names
      return;
    }
    runs.push_back(SizeRun{size, firstKept, kept});
    plannedBytes += runPlannedBytes;
  });
  items.resize(kept);
  progress_.addBytesToRead(plannedBytes);
  return items;
}

std::string DuplicateGrouper::reasonText(int failure) {
  if (failure == kChangedSinceWalk) return PELIMOR_WINDOW_TEXT("Reasons", "changed since the search found it");
  if (failure == kShrankWhileRead) return PELIMOR_WINDOW_TEXT("Reasons", "changed while it was being read");
  return platform::systemErrorText(failure);
}

int DuplicateGrouper::readOne(Item& item, Stage stage, ReadScratch& scratch) {
  const Candidate& file = store_.files()[item.candidate];
  const std::uint64_t size = file.size;
  std::vector<unsigned char>& buffer = scratch.buffer;
  std::uint64_t bytesDone = 0;
  const auto fail = [&](int failure) {
    // Whatever this file would still have cost is no longer to be read.
    progress_.dropBytesToRead(bytesReadIn(stage, size) + bytesLeftAfter(stage, size) - bytesDone);
    return failure;
  };
  platform::FileReader reader;
  if (const std::error_code error = scratch.opener.open(file, reader)) return fail(error.value());
  if (!sameFile(store_.identityOf(file), reader.status())) return fail(kChangedSinceWalk);

  int failure = 0;
  const auto readCounted = [&](std::uint64_t offset, std::size_t length) -> bool {
    const platform::ReadResult got = reader.readAt(offset, buffer.data(), length);
    if (got.error) return failure = fail(got.error.value()), false;
    if (got.bytes != length) return failure = fail(kShrankWhileRead), false;
    scratch.countBytesRead(length);
    bytesDone += length;
    return true;
  };

  if (stage == Stage::Samples && size > kSmallFileBytes) {
    if (!readCounted(0, kSampleBytes)) return failure;
    const std::uint64_t first = quickHash(buffer.data(), kSampleBytes);
    if (!readCounted(size - kSampleBytes, kSampleBytes)) return failure;
    item.setDigest(ContentDigest{0, first, quickHash(buffer.data(), kSampleBytes)});
    return 0;
  }
  if (size > kReadBlock) reader.adviseSequential();
  ContentHasher& hasher = scratch.hasher;
  hasher.reset();
  for (std::uint64_t offset = 0; offset < size;) {
    if (control_.aborted()) return 0;
    const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(kReadBlock, size - offset));
    if (!readCounted(offset, length)) return failure;
    hasher.update(buffer.data(), length);
    offset += length;
  }
  item.setDigest(hasher.finish());
  return 0;
}

std::vector<DuplicateGrouper::Failure> DuplicateGrouper::readStage(std::vector<Item>& items, Stage stage) {
  const std::vector<Candidate>& files = store_.files();
  // A disk found to seek has its files put in its own order as it is read.
  ReadingOrder plan(store_, *options_.disks);
  for (std::uint32_t i = 0; i < items.size(); ++i) {
    const Candidate& file = files[items[i].candidate];
    if (bytesReadIn(stage, file.size) == 0) continue;
    if (file.contentRead) {  // read whole during the walk
      items[i].setDigest(file.content());
      continue;
    }
    ContentDigest known;
    if (cache_ && cache_->find(store_.identityOf(file), cachedAs(stage, file.size), known)) {
      items[i].setDigest(known);
      progress_.dropBytesToRead(bytesReadIn(stage, file.size));
      continue;
    }
    plan.add(i, file);
  }
  std::vector<DiskQueue> queues = plan.queues(sortThreads_);
  // Few files fail: one list for all readers.
  std::vector<Failure> failures;
  std::mutex failuresMutex;
  readEachDisk<ReadScratch>(
      queues, readThreads_, control_,
      [&](std::uint32_t item, ReadScratch& scratch) -> std::uint64_t {
        if (control_.aborted()) return 0;
        if (const int reason = readOne(items[item], stage, scratch)) {
          std::lock_guard lock(failuresMutex);
          failures.push_back(Failure{item, reason});
        }
        return bytesReadIn(stage, sizeOf(items[item]));
      },
      [&](std::span<std::uint32_t> order, ReadScratch& scratch) {
        scratch.opener.putInDiskOrder(
            order, control_, [&](std::uint32_t item) -> const Candidate& { return files[items[item].candidate]; });
      },
      progress_, store_);
  // A stop may leave a file read in part: only a whole stage's reads are worth keeping.
  if (control_.aborted()) return failures;
  std::sort(failures.begin(), failures.end(), [](const Failure& a, const Failure& b) { return a.item < b.item; });
  const auto failed = [&](std::uint32_t item) {
    return std::binary_search(failures.begin(), failures.end(), Failure{item, 0},
                              [](const Failure& a, const Failure& b) { return a.item < b.item; });
  };
  if (options_.wholeDigests)
    for (std::uint32_t i = 0; i < items.size(); ++i)
      if (bytesReadIn(stage, sizeOf(items[i])) != 0 && cachedAs(stage, sizeOf(items[i])) == CacheRecord::kContent &&
          !failed(i))
        options_.wholeDigests->push_back(KnownDigest{items[i].candidate, items[i].digest()});
  if (!cache_) return failures;
  for (const DiskQueue& queue : queues)
    for (const std::uint32_t i : queue.items) {
      if (failed(i)) continue;
      const Candidate& file = files[items[i].candidate];
      cache_->learn(store_.identityOf(file), store_.folderId(file.folder).inode, cachedAs(stage, file.size),
                    items[i].digest());
    }
  return failures;
}

void DuplicateGrouper::dropFailed(std::vector<Item>& items, std::vector<SizeRun>& runs,
                                  const std::vector<Failure>& failures, std::vector<SkippedFile>& skipped) {
  if (failures.empty()) return;
  const std::vector<Candidate>& files = store_.files();
  std::vector<bool> failed(items.size());
  for (const Failure& failure : failures) {
    const Candidate& file = files[items[failure.item].candidate];
    failed[failure.item] = true;
    skipped.push_back(SkippedFile{store_.pathOf(file), reasonText(failure.reason)});
    if (options_.findUnique) unreadFiles_.emplace_back(store_.deviceOf(file), file.inode);
  }
  std::size_t kept = 0;
  for (SizeRun& run : runs) {
    const std::size_t begin = kept;
    for (std::size_t i = run.begin; i < run.end; ++i)
      if (!failed[i]) items[kept++] = items[i];
    run.begin = begin;
    run.end = kept;
  }
  items.resize(kept);
}

void DuplicateGrouper::keepMatchedOnly(std::vector<Item>& items, std::vector<SizeRun>& runs, Stage stage) {
  const auto digestOrder = [](const Item& a, const Item& b) { return a.digest() < b.digest(); };
  const auto sameDigest = [](const Item& a, const Item& b) { return a.digest() == b.digest(); };
  // Each run of one size sorted by digest on its own: the large ones shared among the threads,
  // the many small ones each on one.
  constexpr std::size_t kLargeRun = 1 << 15;
  const auto at = [&](std::size_t i) { return items.begin() + static_cast<std::ptrdiff_t>(i); };
  std::vector<std::size_t> smallRuns;
  for (std::size_t r = 0; r < runs.size(); ++r)
    if (runs[r].end - runs[r].begin >= kLargeRun)
      sortRangeInParallel(at(runs[r].begin), at(runs[r].end), digestOrder, sortThreads_);
    else
      smallRuns.push_back(r);
  forEachInParallel<NoScratch>(smallRuns.size(), sortThreads_, [&](std::size_t r, NoScratch&) {
    std::sort(at(runs[smallRuns[r]].begin), at(runs[smallRuns[r]].end), digestOrder);
  });
  // Runs of two or more move to the front, in place: the list is never held twice.
  std::size_t kept = 0, keptRuns = 0;
  for (const SizeRun& run : runs) {
    const std::size_t begin = kept;
    forEachRun(items, run.begin, run.end, sameDigest, [&](std::size_t first, std::size_t end) {
      if (end - first < 2) {
        progress_.dropBytesToRead(bytesLeftAfter(stage, run.size));
        return;
      }
      std::move(at(first), at(end), at(kept));
      kept += end - first;
    });
    if (kept > begin) runs[keptRuns++] = SizeRun{run.size, begin, kept};
  }
  runs.resize(keptRuns);
  items.resize(kept);
}

std::vector<ResultRow> DuplicateGrouper::numberedRows(const std::vector<Item>& items,
                                                      const std::vector<SizeRun>& runs) const {
  // `items` stands in runs of one size, each sorted by digest: each run of one digest is one group.
  struct Group {
    std::size_t begin, end;
    std::uint64_t size;
  };
  std::vector<Group> groups;
  const std::vector<Candidate>& files = store_.files();
  const auto inReference = [&](const Item& item) { return (files[item.candidate].marks & kInReference) != 0; };
  for (const SizeRun& run : runs)
    forEachRun(
        items, run.begin, run.end, [](const Item& a, const Item& b) { return a.digest() == b.digest(); },
        [&](std::size_t begin, std::size_t end) {
          // Compared only to find the unique files: too small, or nothing in it may be acted on.
          const auto first = items.begin() + static_cast<std::ptrdiff_t>(begin);
          if (run.size <= options_.minimumSize ||
              std::all_of(first, items.begin() + static_cast<std::ptrdiff_t>(end), inReference))
            return;
          groups.push_back(Group{begin, end, run.size});
        });
  // Ascending CRC-32 text is ascending CRC-32 value; two groups sharing a CRC-32 stay two groups.
  const auto order = [&](const Group& group) {
    const Item& first = items[group.begin];
    return std::tuple{first.crc32, group.size, first.digest()};
  };
  std::sort(groups.begin(), groups.end(), [&](const Group& a, const Group& b) { return order(a) < order(b); });

  // Each group's rows are made and put in path order by whichever thread takes the group.
  std::vector<std::size_t> firstRow(groups.size() + 1, 0);
  for (std::size_t g = 0; g < groups.size(); ++g) firstRow[g + 1] = firstRow[g] + (groups[g].end - groups[g].begin);
  std::vector<ResultRow> rows(firstRow.back());
  forEachInParallel<NoScratch>(groups.size(), sortThreads_, [&](std::size_t g, NoScratch&) {
    const auto number = static_cast<std::uint32_t>(g + 1);
    ResultRow* row = &rows[firstRow[g]];
    for (std::size_t i = groups[g].begin; i < groups[g].end; ++i, ++row) {
      const Candidate& file = files[items[i].candidate];
      const RowIdentity identity{store_.identityOf(file), store_.folderId(file.folder)};
      const Item& item = items[i];
      const bool reference = (file.marks & kInReference) != 0;
      *row = ResultRow{number,   store_.pathOf(file), file.size,     item.crc32, false, reference,
                       identity, item.strongHigh,     item.strongLow};
    }
    std::sort(&rows[firstRow[g]], row, [](const ResultRow& a, const ResultRow& b) { return a.path < b.path; });
  });
  return rows;
}

std::vector<ResultRow> DuplicateGrouper::run(std::vector<SkippedFile>& skipped, const std::function<void()>& whenRead) {
  std::vector<SizeRun> runs;
  std::vector<Item> items = sameSizeDistinctFiles(runs);
  for (const Stage stage : {Stage::Samples, Stage::Whole}) {
    if (items.empty()) break;
    const std::vector<Failure> failures = readStage(items, stage);
    if (control_.aborted()) return {};
    dropFailed(items, runs, failures, skipped);
    keepMatchedOnly(items, runs, stage);
  }
  if (options_.findUnique) uniqueFiles_ = filesWithoutCopy(items);
  if (options_.readWhole && options_.wholeDigests && !options_.readWhole->empty()) {
    readAskedFor(skipped);
    if (control_.aborted()) return {};
  }
  // Most files have usually dropped out by now; the rows are the search's largest allocation. A
  // list still mostly full stays as it is: its copy would cost more than it frees.
  if (items.size() < items.capacity() / 2) items.shrink_to_fit();
  if (whenRead) whenRead();
  return numberedRows(items, runs);
}

void DuplicateGrouper::readAskedFor(std::vector<SkippedFile>& skipped) {
  const std::vector<Candidate>& files = store_.files();
  const std::vector<FileIdentity>& asked = *options_.readWhole;
  std::vector<std::uint32_t> known;
  for (const KnownDigest& digest : *options_.wholeDigests) known.push_back(digest.candidate);
  std::sort(known.begin(), known.end());
  // One read per file: its other paths, hard links or the same folder reached twice, share it.
  std::vector<bool> taken(asked.size());
  std::vector<Item> small, large;
  std::uint64_t plannedBytes = 0;
  for (std::uint32_t i = 0; i < files.size(); ++i) {
    const FileIdentity identity = store_.identityOf(files[i]);
    const auto found = std::lower_bound(asked.begin(), asked.end(), identity, identityBefore);
    if (found == asked.end() || !sameFile(*found, identity)) continue;
    const auto index = static_cast<std::size_t>(found - asked.begin());
    if (taken[index] || files[i].contentRead || std::binary_search(known.begin(), known.end(), i)) {
      taken[index] = true;
      continue;
    }
    taken[index] = true;
    (files[i].size <= kSmallFileBytes ? small : large).push_back(Item{0, 0, 0, i});
    plannedBytes += files[i].size;
  }
  progress_.addBytesToRead(plannedBytes);
  // Small files are read whole by the samples stage, large ones by the whole stage.
  for (const auto& [items, stage] : {std::pair{&small, Stage::Samples}, std::pair{&large, Stage::Whole}}) {
    for (const Failure& failure : readStage(*items, stage))
      skipped.push_back(
          SkippedFile{store_.pathOf(files[(*items)[failure.item].candidate]), reasonText(failure.reason)});
  }
}

std::vector<UniqueFile> DuplicateGrouper::filesWithoutCopy(const std::vector<Item>& items) const {
  const std::vector<Candidate>& files = store_.files();
  std::vector<std::pair<std::uint64_t, std::uint64_t>> notUnique = unreadFiles_;
  for (const Item& item : items)
    notUnique.emplace_back(store_.deviceOf(files[item.candidate]), files[item.candidate].inode);
  std::sort(notUnique.begin(), notUnique.end());
  struct Found {
    std::uint64_t device, inode;
    std::string path;
    std::uint64_t size;
  };
  std::vector<Found> found;
  for (const Candidate& file : files) {
    if (!(file.marks & kInUniqueIn)) continue;
    const std::uint64_t device = store_.deviceOf(file);
    if (std::binary_search(notUnique.begin(), notUnique.end(), std::pair{device, file.inode})) continue;
    found.push_back(Found{device, file.inode, store_.pathOf(file), file.size});
  }
  // One path per file: hard links and a folder reached twice name one file.
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    return std::tie(a.device, a.inode, a.path) < std::tie(b.device, b.inode, b.path);
  });
  found.erase(std::unique(found.begin(), found.end(),
                          [](const Found& a, const Found& b) { return a.device == b.device && a.inode == b.inode; }),
              found.end());
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.path < b.path; });
  std::vector<UniqueFile> unique;
  unique.reserve(found.size());
  for (Found& file : found) unique.push_back(UniqueFile{std::move(file.path), file.size});
  return unique;
}

}  // namespace pelimor
