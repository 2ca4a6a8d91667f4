#include "search/duplicate_grouper.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <tuple>
#include <unordered_map>

#include "platform/file_reader.h"
#include "platform/io_error_text.h"

namespace pelimor {

namespace {
constexpr std::size_t kReadBlock = 256 * 1024;
}  // namespace

// What one reading thread keeps between files: its buffer, its hasher, and the folder it last
// opened a file in, so the next file there is opened relative to it.
struct DuplicateGrouper::ReadScratch {
  std::vector<unsigned char> buffer = std::vector<unsigned char>(kReadBlock);
  ContentHasher hasher;
  std::uint32_t folderId = CandidateStore::kNoParent;
  platform::FolderHandle folder;
};

namespace {

// Runs work(i) for every i in [0, count) on up to `threads` threads, each with its own scratch.
// Neighbouring items go to one thread in small runs: they tend to share a folder.
template <typename Scratch, typename Work>
void forEachInParallel(std::size_t count, unsigned threads, Work work) {
  constexpr std::size_t kRun = 16;
  std::atomic<std::size_t> next{0};
  auto worker = [&] {
    Scratch scratch;
    for (std::size_t begin = next.fetch_add(kRun); begin < count; begin = next.fetch_add(kRun))
      for (std::size_t i = begin; i < std::min(count, begin + kRun); ++i) work(i, scratch);
  };
  const std::size_t runs = (count + kRun - 1) / kRun;
  const unsigned helpers = static_cast<unsigned>(std::min<std::size_t>(threads, runs)) - (runs ? 1 : 0);
  std::vector<std::thread> pool;
  for (unsigned t = 0; t < helpers; ++t) pool.emplace_back(worker);
  worker();
  for (std::thread& thread : pool) thread.join();
}
}  // namespace

DuplicateGrouper::DuplicateGrouper(const CandidateStore& store, SearchProgress& progress,
                                   const SearchControl& control, unsigned readThreads)
    : store_(store), progress_(progress), control_(control), readThreads_(std::max(1u, readThreads)) {}

std::vector<DuplicateGrouper::Item> DuplicateGrouper::sameSizeDistinctFiles() {
  const std::vector<Candidate>& files = store_.files();
  // Sorting the keys themselves, not indexes into the files, keeps the sort in the cache.
  struct Key {
    std::uint64_t size, device, inode;
    std::uint32_t index;
  };
  std::vector<Key> keys(files.size());
  for (std::uint32_t i = 0; i < keys.size(); ++i) keys[i] = Key{files[i].size, files[i].device, files[i].inode, i};
  std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
    return std::tie(a.size, a.device, a.inode) < std::tie(b.size, b.device, b.inode);
  });
  std::vector<std::uint32_t> order(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) order[i] = keys[i].index;
  keys = {};

  std::vector<Item> items;
  for (std::size_t begin = 0; begin < order.size();) {
    std::size_t end = begin + 1;
    while (end < order.size() && files[order[end]].size == files[order[begin]].size) ++end;
    const std::size_t firstItem = items.size();
    for (std::size_t i = begin; i < end;) {
      // One path per device and inode: hard links and files reached twice are one file. Keep the
      // smallest path, so the choice does not depend on the walk's order.
      std::size_t j = i + 1;
      std::uint32_t keep = order[i];
      if (j < end && files[order[j]].device == files[keep].device && files[order[j]].inode == files[keep].inode) {
        std::string keepPath = store_.pathOf(files[keep]);
        for (; j < end && files[order[j]].device == files[keep].device && files[order[j]].inode == files[keep].inode; ++j) {
          std::string other = store_.pathOf(files[order[j]]);
          if (other < keepPath) {
            keepPath = std::move(other);
            keep = order[j];
          }
        }
      }
      Item item;
      item.candidate = keep;
      item.size = files[keep].size;
      items.push_back(item);
      i = j;
    }
    if (items.size() - firstItem < 2) items.resize(firstItem);  // a size nobody else has
    begin = end;
  }

  for (Item& item : items) {
    const std::uint64_t size = files[item.candidate].size;
    item.plannedBytes = size + (size > kSmallFileBytes ? 2 * kSampleBytes : 0);
    progress_.addBytesToRead(item.plannedBytes);
  }
  return items;
}

std::string DuplicateGrouper::reasonText(int failure) {
  if (failure == kChangedSinceWalk) return "changed since the search found it";
  if (failure == kShrankWhileRead) return "changed while it was being read";
  return platform::systemErrorText(failure);
}

void DuplicateGrouper::readOne(Item& item, Stage stage, ReadScratch& scratch) {
  const Candidate& file = store_.files()[item.candidate];
  std::vector<unsigned char>& buffer = scratch.buffer;
  platform::FileReader reader;
  const auto fail = [&](int failure) { item.failure = failure; };
  if (scratch.folderId != file.folder) {
    scratch.folder.open(store_.folderPath(file.folder));
    scratch.folderId = file.folder;
  }
  const int error = scratch.folder.isOpen() ? reader.openIn(scratch.folder, std::string(store_.nameOf(file)))
                                            : reader.open(store_.pathOf(file));
  if (error != 0) return fail(error);
  const platform::FileStatus& now = reader.status();
  if (now.size != file.size || now.device != file.device || now.inode != file.inode ||
      now.modifiedTime() != file.modifiedNanoseconds)
    return fail(kChangedSinceWalk);

  const auto readCounted = [&](std::uint64_t offset, std::size_t length) -> bool {
    const std::int64_t got = reader.readAt(offset, buffer.data(), length);
    if (got < 0) return fail(static_cast<int>(-got)), false;
    if (static_cast<std::size_t>(got) != length) return fail(kShrankWhileRead), false;
    progress_.addBytesRead(length);
    item.plannedBytes -= std::min<std::uint64_t>(item.plannedBytes, length);
    return true;
  };

  const bool small = file.size <= kSmallFileBytes;
  if (stage == Stage::Samples && !small) {
    if (!readCounted(0, kSampleBytes)) return;
    item.prefixKey = quickHash(buffer.data(), kSampleBytes);
    if (!readCounted(file.size - kSampleBytes, kSampleBytes)) return;
    item.suffixKey = quickHash(buffer.data(), kSampleBytes);
    return;
  }
  if (file.size > kReadBlock) reader.adviseSequential();
  ContentHasher& hasher = scratch.hasher;
  hasher.reset();
  for (std::uint64_t offset = 0; offset < file.size;) {
    if (control_.aborted()) return;
    const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(kReadBlock, file.size - offset));
    if (!readCounted(offset, length)) return;
    hasher.update(buffer.data(), length);
    offset += length;
  }
  item.digest = hasher.finish();
}

void DuplicateGrouper::readStage(std::vector<Item>& items, Stage stage) {
  const std::vector<Candidate>& files = store_.files();
  std::vector<Item*> work;
  for (Item& item : items) {
    const std::uint64_t size = files[item.candidate].size;
    if (stage == Stage::Samples || size > kSmallFileBytes) work.push_back(&item);
  }
  // Files of one folder are read together, which spares the system walking each path again;
  // folders in the order of their first inode, and files by inode within them, follow the disk.
  struct Place {
    std::uint64_t folderFirstInode;
    std::uint64_t inode;
    std::uint32_t folder;
    std::uint32_t index;  // into `work`
  };
  std::unordered_map<std::uint32_t, std::uint64_t> folderFirstInode;
  for (const Item* item : work) {
    const Candidate& file = files[item->candidate];
    auto [entry, added] = folderFirstInode.try_emplace(file.folder, file.inode);
    if (!added) entry->second = std::min(entry->second, file.inode);
  }
  std::vector<Place> places;
  places.reserve(work.size());
  for (std::uint32_t i = 0; i < work.size(); ++i) {
    const Candidate& file = files[work[i]->candidate];
    places.push_back(Place{folderFirstInode[file.folder], file.inode, file.folder, i});
  }
  folderFirstInode = {};
  std::sort(places.begin(), places.end(), [](const Place& a, const Place& b) {
    return std::tie(a.folderFirstInode, a.folder, a.inode) < std::tie(b.folderFirstInode, b.folder, b.inode);
  });
  std::vector<Item*> ordered(work.size());
  for (std::size_t i = 0; i < places.size(); ++i) ordered[i] = work[places[i].index];
  places = {};
  work = std::move(ordered);
  forEachInParallel<ReadScratch>(work.size(), readThreads_, [&](std::size_t i, ReadScratch& scratch) {
    if (control_.aborted()) return;
    readOne(*work[i], stage, scratch);
  });
}

void DuplicateGrouper::keepMatchedOnly(std::vector<Item>& items, std::vector<SkippedFile>& skipped) {
  const std::vector<Candidate>& files = store_.files();
  for (Item& item : items) {
    if (item.failure == 0) continue;
    progress_.dropBytesToRead(item.plannedBytes);
    skipped.push_back(SkippedFile{store_.pathOf(files[item.candidate]), reasonText(item.failure)});
  }
  std::erase_if(items, [](const Item& item) { return item.failure != 0; });

  const auto key = [](const Item& item) { return std::tie(item.size, item.prefixKey, item.suffixKey, item.digest); };
  std::sort(items.begin(), items.end(), [&](const Item& a, const Item& b) { return key(a) < key(b); });
  std::vector<Item> kept;
  kept.reserve(items.size());
  for (std::size_t begin = 0; begin < items.size();) {
    std::size_t end = begin + 1;
    while (end < items.size() && key(items[end]) == key(items[begin])) ++end;
    if (end - begin >= 2) {
      kept.insert(kept.end(), items.begin() + static_cast<std::ptrdiff_t>(begin), items.begin() + static_cast<std::ptrdiff_t>(end));
    } else {
      progress_.dropBytesToRead(items[begin].plannedBytes);
    }
    begin = end;
  }
  items = std::move(kept);
}

std::vector<ResultRow> DuplicateGrouper::numberedRows(const std::vector<Item>& items) const {
  // `items` stands sorted by size and digest: each run is one group.
  struct Group {
    std::size_t begin, end;
    std::uint32_t crc;
    std::uint64_t size;
    ContentDigest digest;
  };
  const std::vector<Candidate>& files = store_.files();
  std::vector<Group> groups;
  for (std::size_t begin = 0; begin < items.size();) {
    std::size_t end = begin + 1;
    const std::uint64_t size = files[items[begin].candidate].size;
    while (end < items.size() && files[items[end].candidate].size == size && items[end].digest == items[begin].digest) ++end;
    groups.push_back(Group{begin, end, items[begin].digest.crc32, size, items[begin].digest});
    begin = end;
  }
  // Ascending CRC-32 text is ascending CRC-32 value; two groups sharing a CRC-32 stay two groups.
  std::sort(groups.begin(), groups.end(), [](const Group& a, const Group& b) {
    return std::tie(a.crc, a.size, a.digest) < std::tie(b.crc, b.size, b.digest);
  });

  std::vector<ResultRow> rows;
  rows.reserve(items.size());
  std::uint32_t number = 0;
  for (const Group& group : groups) {
    ++number;
    const std::size_t first = rows.size();
    for (std::size_t i = group.begin; i < group.end; ++i) {
      const Candidate& file = files[items[i].candidate];
      rows.push_back(ResultRow{number, store_.pathOf(file), file.size, group.crc, file.modifiedNanoseconds});
    }
    std::sort(rows.begin() + static_cast<std::ptrdiff_t>(first), rows.end(),
              [](const ResultRow& a, const ResultRow& b) { return a.path < b.path; });
  }
  return rows;
}

std::vector<ResultRow> DuplicateGrouper::run(std::vector<SkippedFile>& skipped) {
  std::vector<Item> items = sameSizeDistinctFiles();
  for (const Stage stage : {Stage::Samples, Stage::Whole}) {
    if (items.empty()) break;
    readStage(items, stage);
    if (control_.aborted()) return {};
    keepMatchedOnly(items, skipped);
  }
  return numberedRows(items);
}

}  // namespace pelimor
