#include "search/duplicate_grouper.h"

#include <algorithm>
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

// Runs of equal elements in a sorted list: calls each(begin, end) for every run, front to back.
template <typename T, typename Equal, typename Each>
void forEachRun(const std::vector<T>& sorted, Equal equal, Each each) {
  for (std::size_t begin = 0; begin < sorted.size();) {
    std::size_t end = begin + 1;
    while (end < sorted.size() && equal(sorted[begin], sorted[end])) ++end;
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

std::vector<DuplicateGrouper::Item> DuplicateGrouper::sameSizeDistinctFiles() {
  const std::vector<Candidate>& files = store_.files();
  // Sorting the keys themselves, not indexes into the files, keeps the sort in the cache.
  struct Key {
    std::uint64_t size, device, inode;
    std::uint32_t index;
    bool contentRead;
    std::uint8_t marks;
  };
  std::vector<Key> keys(files.size());
  for (std::uint32_t i = 0; i < keys.size(); ++i)
    keys[i] = Key{files[i].identity.size, files[i].identity.device, files[i].identity.inode, i, files[i].contentRead,
                  files[i].marks};
  const auto fileOrder = [](const Key& a, const Key& b) {
    return std::tie(a.size, a.device, a.inode) < std::tie(b.size, b.device, b.inode);
  };
  sortInParallel(keys, fileOrder, sortThreads_);

  std::vector<Item> items;
  items.reserve(keys.size());
  std::uint64_t plannedBytes = 0;
  const auto sameSize = [](const Key& a, const Key& b) { return a.size == b.size; };
  forEachRun(keys, sameSize, [&](std::size_t begin, std::size_t end) {
    if (end - begin < 2) return;  // a size nobody else has
    // Files too small for a group, or all in reference folders, are compared only to tell whether
    // one asked about has a copy.
    std::uint8_t anyMarks = 0, allMarks = kInReference;
    for (std::size_t i = begin; i < end; ++i) {
      anyMarks |= keys[i].marks;
      allMarks &= keys[i].marks;
    }
    const bool forGroups = keys[begin].size > options_.minimumSize && (allMarks & kInReference) == 0;
    if (!forGroups && !(options_.findUnique && (anyMarks & kInUniqueIn))) return;
    const std::size_t firstItem = items.size();
    std::uint64_t runPlannedBytes = 0;
    for (std::size_t i = begin; i < end;) {
      // One path per device and inode: hard links and files reached twice are one file. Keep the
      // smallest path, so the choice does not depend on the walk's order.
      const auto sameFile = [&](std::size_t k) {
        return k < end && keys[k].device == keys[i].device && keys[k].inode == keys[i].inode;
      };
      std::size_t j = i + 1;
      const Key* keep = &keys[i];
      if (sameFile(j)) {
        std::string keepPath = store_.pathOf(files[keep->index]);
        for (; sameFile(j); ++j) {
          std::string other = store_.pathOf(files[keys[j].index]);
          if (other < keepPath) {
            keepPath = std::move(other);
            keep = &keys[j];
          }
        }
      }
      Item item;
      item.size = keep->size;
      item.candidate = keep->index;
      items.push_back(item);
      if (!keep->contentRead)
        runPlannedBytes += bytesReadIn(Stage::Samples, keep->size) + bytesLeftAfter(Stage::Samples, keep->size);
      i = j;
    }
    if (items.size() - firstItem < 2) {
      items.resize(firstItem);  // one file under several names
      return;
    }
    plannedBytes += runPlannedBytes;
  });
  progress_.addBytesToRead(plannedBytes);
  return items;
}

std::string DuplicateGrouper::reasonText(int failure) {
  if (failure == kChangedSinceWalk) return PELIMOR_WINDOW_TEXT("Reasons", "changed since the search found it");
  if (failure == kShrankWhileRead) return PELIMOR_WINDOW_TEXT("Reasons", "changed while it was being read");
  return platform::systemErrorText(failure);
}

void DuplicateGrouper::readOne(Item& item, Stage stage, ReadScratch& scratch) {
  const Candidate& file = store_.files()[item.candidate];
  const std::uint64_t size = file.identity.size;
  std::vector<unsigned char>& buffer = scratch.buffer;
  std::uint64_t bytesDone = 0;
  const auto fail = [&](int failure) {
    item.failure = failure;
    // Whatever this file would still have cost is no longer to be read.
    progress_.dropBytesToRead(bytesReadIn(stage, size) + bytesLeftAfter(stage, size) - bytesDone);
  };
  platform::FileReader reader;
  if (const std::error_code error = scratch.opener.open(file, reader)) return fail(error.value());
  if (!sameFile(file.identity, reader.status())) return fail(kChangedSinceWalk);

  const auto readCounted = [&](std::uint64_t offset, std::size_t length) -> bool {
    const platform::ReadResult got = reader.readAt(offset, buffer.data(), length);
    if (got.error) return fail(got.error.value()), false;
    if (got.bytes != length) return fail(kShrankWhileRead), false;
    scratch.countBytesRead(length);
    bytesDone += length;
    return true;
  };

  if (stage == Stage::Samples && size > kSmallFileBytes) {
    if (!readCounted(0, kSampleBytes)) return;
    item.digest.strongHigh = quickHash(buffer.data(), kSampleBytes);
    if (!readCounted(size - kSampleBytes, kSampleBytes)) return;
    item.digest.strongLow = quickHash(buffer.data(), kSampleBytes);
    return;
  }
  if (size > kReadBlock) reader.adviseSequential();
  ContentHasher& hasher = scratch.hasher;
  hasher.reset();
  for (std::uint64_t offset = 0; offset < size;) {
    if (control_.aborted()) return;
    const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(kReadBlock, size - offset));
    if (!readCounted(offset, length)) return;
    hasher.update(buffer.data(), length);
    offset += length;
  }
  item.digest = hasher.finish();
}

void DuplicateGrouper::readStage(std::vector<Item>& items, Stage stage) {
  const std::vector<Candidate>& files = store_.files();
  // A disk found to seek has its files put in its own order as it is read.
  ReadingOrder plan(store_, *options_.disks);
  for (std::uint32_t i = 0; i < items.size(); ++i) {
    if (bytesReadIn(stage, items[i].size) == 0) continue;
    const Candidate& file = files[items[i].candidate];
    if (file.contentRead) {  // read whole during the walk
      items[i].digest = file.content;
      continue;
    }
    if (cache_ && cache_->find(file.identity, cachedAs(stage, file.identity.size), items[i].digest)) {
      progress_.dropBytesToRead(bytesReadIn(stage, file.identity.size));
      continue;
    }
    plan.add(i, file);
  }
  std::vector<DiskQueue> queues = plan.queues(sortThreads_);
  readEachDisk<ReadScratch>(
      queues, readThreads_, control_,
      [&](std::uint32_t item, ReadScratch& scratch) -> std::uint64_t {
        if (control_.aborted()) return 0;
        readOne(items[item], stage, scratch);
        return bytesReadIn(stage, items[item].size);
      },
      [&](std::span<std::uint32_t> order, ReadScratch& scratch) {
        scratch.opener.putInDiskOrder(
            order, control_, [&](std::uint32_t item) -> const Candidate& { return files[items[item].candidate]; });
      },
      progress_, store_);
  // A stop may leave a file read in part: only a whole stage's reads are worth keeping.
  if (control_.aborted()) return;
  if (options_.wholeDigests)
    for (std::uint32_t i = 0; i < items.size(); ++i)
      if (items[i].failure == 0 && bytesReadIn(stage, items[i].size) != 0 &&
          cachedAs(stage, items[i].size) == CacheRecord::kContent)
        options_.wholeDigests->push_back(KnownDigest{items[i].candidate, items[i].digest});
  if (!cache_) return;
  for (const DiskQueue& queue : queues)
    for (const std::uint32_t i : queue.items) {
      if (items[i].failure != 0) continue;
      const Candidate& file = files[items[i].candidate];
      cache_->learn(file.identity, store_.folderId(file.folder).inode, cachedAs(stage, file.identity.size),
                    items[i].digest);
    }
}

void DuplicateGrouper::keepMatchedOnly(std::vector<Item>& items, Stage stage, std::vector<SkippedFile>& skipped) {
  const std::vector<Candidate>& files = store_.files();
  for (const Item& item : items) {
    if (item.failure == 0) continue;
    const FileIdentity& identity = files[item.candidate].identity;
    skipped.push_back(SkippedFile{store_.pathOf(files[item.candidate]), reasonText(item.failure)});
    if (options_.findUnique) unreadFiles_.emplace_back(identity.device, identity.inode);
  }
  std::erase_if(items, [](const Item& item) { return item.failure != 0; });

  const auto key = [](const Item& item) { return std::tie(item.size, item.digest); };
  sortInParallel(
      items, [&](const Item& a, const Item& b) { return key(a) < key(b); }, sortThreads_);
  // Runs of two or more move to the front, in place: the list is never held twice.
  std::size_t kept = 0;
  forEachRun(
      items, [&](const Item& a, const Item& b) { return key(a) == key(b); },
      [&](std::size_t begin, std::size_t end) {
        if (end - begin < 2) {
          progress_.dropBytesToRead(bytesLeftAfter(stage, items[begin].size));
          return;
        }
        std::move(items.begin() + static_cast<std::ptrdiff_t>(begin), items.begin() + static_cast<std::ptrdiff_t>(end),
                  items.begin() + static_cast<std::ptrdiff_t>(kept));
        kept += end - begin;
      });
  items.resize(kept);
}

std::vector<ResultRow> DuplicateGrouper::numberedRows(const std::vector<Item>& items) const {
  // `items` stands sorted by size and digest: each run is one group.
  struct Group {
    std::size_t begin, end;
  };
  std::vector<Group> groups;
  const std::vector<Candidate>& files = store_.files();
  const auto inReference = [&](const Item& item) { return (files[item.candidate].marks & kInReference) != 0; };
  forEachRun(
      items, [](const Item& a, const Item& b) { return a.size == b.size && a.digest == b.digest; },
      [&](std::size_t begin, std::size_t end) {
        // Compared only to find the unique files: too small, or nothing in it may be acted on.
        const auto first = items.begin() + static_cast<std::ptrdiff_t>(begin);
        if (items[begin].size <= options_.minimumSize ||
            std::all_of(first, items.begin() + static_cast<std::ptrdiff_t>(end), inReference))
          return;
        groups.push_back(Group{begin, end});
      });
  // Ascending CRC-32 text is ascending CRC-32 value; two groups sharing a CRC-32 stay two groups.
  const auto order = [&](const Group& group) {
    const Item& first = items[group.begin];
    return std::tie(first.digest.crc32, first.size, first.digest);
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
      const RowIdentity identity{file.identity, store_.folderId(file.folder)};
      const ContentDigest& digest = items[i].digest;
      const bool reference = (file.marks & kInReference) != 0;
      *row = ResultRow{number,   store_.pathOf(file), file.identity.size, digest.crc32, false, reference,
                       identity, digest.strongHigh,   digest.strongLow};
    }
    std::sort(&rows[firstRow[g]], row, [](const ResultRow& a, const ResultRow& b) { return a.path < b.path; });
  });
  return rows;
}

std::vector<ResultRow> DuplicateGrouper::run(std::vector<SkippedFile>& skipped, const std::function<void()>& whenRead) {
  std::vector<Item> items = sameSizeDistinctFiles();
  for (const Stage stage : {Stage::Samples, Stage::Whole}) {
    if (items.empty()) break;
    readStage(items, stage);
    if (control_.aborted()) return {};
    keepMatchedOnly(items, stage, skipped);
  }
  if (options_.findUnique) uniqueFiles_ = filesWithoutCopy(items);
  if (options_.readWhole && options_.wholeDigests && !options_.readWhole->empty()) {
    readAskedFor(skipped);
    if (control_.aborted()) return {};
  }
  // Most files have usually dropped out by now; the rows are the search's largest allocation.
  items.shrink_to_fit();
  if (whenRead) whenRead();
  return numberedRows(items);
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
    const auto found = std::lower_bound(asked.begin(), asked.end(), files[i].identity, identityBefore);
    if (found == asked.end() || !sameFile(*found, files[i].identity)) continue;
    const auto index = static_cast<std::size_t>(found - asked.begin());
    if (taken[index] || files[i].contentRead || std::binary_search(known.begin(), known.end(), i)) {
      taken[index] = true;
      continue;
    }
    taken[index] = true;
    Item item;
    item.size = files[i].identity.size;
    item.candidate = i;
    (item.size <= kSmallFileBytes ? small : large).push_back(item);
    plannedBytes += item.size;
  }
  progress_.addBytesToRead(plannedBytes);
  // Small files are read whole by the samples stage, large ones by the whole stage.
  for (const auto& [items, stage] : {std::pair{&small, Stage::Samples}, std::pair{&large, Stage::Whole}}) {
    readStage(*items, stage);
    for (const Item& item : *items)
      if (item.failure != 0)
        skipped.push_back(SkippedFile{store_.pathOf(files[item.candidate]), reasonText(item.failure)});
  }
}

std::vector<UniqueFile> DuplicateGrouper::filesWithoutCopy(const std::vector<Item>& items) const {
  const std::vector<Candidate>& files = store_.files();
  std::vector<std::pair<std::uint64_t, std::uint64_t>> notUnique = unreadFiles_;
  for (const Item& item : items)
    notUnique.emplace_back(files[item.candidate].identity.device, files[item.candidate].identity.inode);
  std::sort(notUnique.begin(), notUnique.end());
  struct Found {
    std::uint64_t device, inode;
    std::string path;
    std::uint64_t size;
  };
  std::vector<Found> found;
  for (const Candidate& file : files) {
    if (!(file.marks & kInUniqueIn)) continue;
    const FileIdentity& identity = file.identity;
    if (std::binary_search(notUnique.begin(), notUnique.end(), std::pair{identity.device, identity.inode})) continue;
    found.push_back(Found{identity.device, identity.inode, store_.pathOf(file), identity.size});
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
