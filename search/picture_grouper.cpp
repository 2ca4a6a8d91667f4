#include "search/picture_grouper.h"

#include <algorithm>
#include <thread>
#include <tuple>

#include "platform/io_error_text.h"
#include "platform/window_text.h"
#include "search/candidate_opener.h"
#include "search/disk_readers.h"
#include "search/hamming_index.h"
#include "search/parallel_work.h"
#include "search/picture_hash.h"

namespace pelimor {

namespace {
constexpr std::size_t kReadBlock = std::size_t{1} << 20;
constexpr std::uint64_t kReportBytesEvery = 1 << 20;
// A reader keeps its buffer between pictures, unless one much larger than a photograph grew it.
constexpr std::size_t kBufferKept = std::size_t{64} << 20;

// What the cache keeps of a picture, in a record's three fields.
ContentDigest pictureRecord(const PictureFacts& facts) {
  return ContentDigest{kPictureHashVersion, facts.hash, (std::uint64_t{facts.width} << 32) | facts.height};
}
bool factsOfRecord(const ContentDigest& record, PictureFacts& facts) {
  if (record.crc32 != kPictureHashVersion) return false;
  facts = PictureFacts{record.strongHigh, static_cast<std::uint32_t>(record.strongLow >> 32),
                       static_cast<std::uint32_t>(record.strongLow)};
  return true;
}
}  // namespace

struct PictureGrouper::ReadScratch {
  ReadScratch(SearchProgress& progress, const CandidateStore& store) : progress(progress), opener(store) {}
  ~ReadScratch() {
    progress.addBytesRead(unreportedBytes);
    pictureThreadDone();
  }
  ReadScratch(const ReadScratch&) = delete;
  ReadScratch& operator=(const ReadScratch&) = delete;
  void countBytesRead(std::uint64_t bytes) {
    unreportedBytes += bytes;
    if (unreportedBytes >= kReportBytesEvery) {
      progress.addBytesRead(unreportedBytes);
      unreportedBytes = 0;
    }
  }

  SearchProgress& progress;
  std::uint64_t unreportedBytes = 0;
  std::vector<unsigned char> buffer;
  ContentHasher hasher;
  CandidateOpener opener;
};

PictureGrouper::PictureGrouper(const CandidateStore& store, SearchProgress& progress, const SearchControl& control,
                               unsigned readThreads, DigestCache* cache, unsigned maxDistance, StorageDevices* disks)
    : store_(store),
      progress_(progress),
      control_(control),
      readThreads_(readThreads),
      cache_(cache),
      maxDistance_(maxDistance),
      disks_(disks),
      sortThreads_(std::clamp(std::thread::hardware_concurrency(), 1u, 16u)) {
  if (!disks_) {
    ownDisks_ = std::make_unique<StorageDevices>();
    disks_ = ownDisks_.get();
  }
}

// The reasons below name the limits in words.
static_assert(kMostPicturePixels == std::uint64_t{100} << 20 && kMostDecoderMemory == std::uint64_t{320} << 20);

std::string PictureGrouper::reasonText(int failure) {
  if (failure == kChangedSinceWalk) return PELIMOR_WINDOW_TEXT("Reasons", "changed since the search found it");
  if (failure == kShrankWhileRead) return PELIMOR_WINDOW_TEXT("Reasons", "changed while it was being read");
  if (failure == kNotAPicture)
    return PELIMOR_WINDOW_TEXT("Reasons", "not a picture that can be read, or a damaged one");
  if (failure == kTooLarge) return PELIMOR_WINDOW_TEXT("Reasons", "too large to be read as a picture");
  if (failure == kDamaged)
    return PELIMOR_WINDOW_TEXT("Reasons",
                               "the picture is damaged: only part of it could be decoded, so it is not compared");
  if (failure == kTooManyPixels)
    return PELIMOR_WINDOW_TEXT("Reasons", "the picture is larger than 100 megapixels: it is not compared");
  if (failure == kTooMuchMemory)
    return PELIMOR_WINDOW_TEXT("Reasons", "the picture would need more than 320 MiB to decode: it is not compared");
  return platform::systemErrorText(failure);
}

int PictureGrouper::failureOf(PictureFailure failure) {
  switch (failure) {
    case PictureFailure::None:
      return 0;
    case PictureFailure::Damaged:
      return kDamaged;
    case PictureFailure::TooManyPixels:
      return kTooManyPixels;
    case PictureFailure::TooMuchMemory:
      return kTooMuchMemory;
    case PictureFailure::Unreadable:
      break;
  }
  return kNotAPicture;
}

// Whether the file was read to its end, so that its digest holds, however its decoding went.
bool PictureGrouper::readWhole(int failure) {
  return failure == 0 || failure == kNotAPicture || failure == kDamaged || failure == kTooManyPixels ||
         failure == kTooMuchMemory;
}

std::vector<PictureGrouper::Item> PictureGrouper::pictures() {
  const std::vector<Candidate>& files = store_.files();
  // One path per device and inode (its smallest): hard links and files reached twice are one file.
  struct Key {
    std::uint64_t device, inode;
    std::uint32_t index;
  };
  std::vector<Key> keys;
  for (std::uint32_t i = 0; i < files.size(); ++i)
    if (isPictureName(store_.nameOf(files[i]))) keys.push_back(Key{store_.deviceOf(files[i]), files[i].inode, i});
  sortInParallel(
      keys, [](const Key& a, const Key& b) { return std::tie(a.device, a.inode) < std::tie(b.device, b.inode); },
      sortThreads_);
  std::vector<Item> items;
  for (std::size_t i = 0; i < keys.size();) {
    std::size_t j = i + 1;
    std::uint32_t keep = keys[i].index;
    if (j < keys.size() && keys[j].device == keys[i].device && keys[j].inode == keys[i].inode) {
      std::string keepPath = store_.pathOf(files[keep]);
      for (; j < keys.size() && keys[j].device == keys[i].device && keys[j].inode == keys[i].inode; ++j)
        if (std::string other = store_.pathOf(files[keys[j].index]); other < keepPath) {
          keepPath = std::move(other);
          keep = keys[j].index;
        }
    }
    Item item;
    item.candidate = keep;
    items.push_back(item);
    i = j;
  }
  return items;
}

void PictureGrouper::readOne(Item& item, ReadScratch& scratch) {
  const Candidate& file = store_.files()[item.candidate];
  const std::uint64_t size = file.size;
  std::uint64_t bytesDone = 0;
  const auto fail = [&](int failure) {
    item.failure = failure;
    progress_.dropBytesToRead(size - bytesDone);
  };
  if (size > kLargestPicture) return fail(kTooLarge);
  platform::FileReader reader;
  if (const std::error_code error = scratch.opener.open(file, reader)) return fail(error.value());
  if (!sameFile(store_.identityOf(file), reader.status())) return fail(kChangedSinceWalk);
  std::vector<unsigned char>& buffer = scratch.buffer;
  if (buffer.capacity() > kBufferKept && size <= kBufferKept) std::vector<unsigned char>().swap(buffer);
  buffer.resize(static_cast<std::size_t>(size));
  if (size > kReadBlock) reader.adviseSequential();
  ContentHasher& hasher = scratch.hasher;
  hasher.reset();
  while (bytesDone < size) {
    if (control_.aborted()) return;
    const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(kReadBlock, size - bytesDone));
    unsigned char* at = buffer.data() + bytesDone;
    const platform::ReadResult got = reader.readAt(bytesDone, at, length);
    if (got.error) return fail(got.error.value());
    if (got.bytes != length) return fail(kShrankWhileRead);
    hasher.update(at, length);
    scratch.countBytesRead(length);
    bytesDone += length;
  }
  item.digest = hasher.finish();
  item.failure =
      failureOf(describePicture(buffer.data(), buffer.size(), item.facts, pictureKindOfName(store_.nameOf(file))));
}

void PictureGrouper::readAll(std::vector<Item>& items) {
  const std::vector<Candidate>& files = store_.files();
  ReadingOrder plan(store_, *disks_);
  std::uint64_t plannedBytes = 0;
  for (std::uint32_t i = 0; i < items.size(); ++i) {
    Item& item = items[i];
    const Candidate& file = files[item.candidate];
    bool digestKnown = false;
    if (file.contentRead) {
      item.digest = file.content();
      digestKnown = true;
    }
    if (cache_) {
      ContentDigest record;
      digestKnown = digestKnown || cache_->find(store_.identityOf(file), CacheRecord::kContent, item.digest);
      item.known = digestKnown && cache_->find(store_.identityOf(file), CacheRecord::kPicture, record) &&
                   factsOfRecord(record, item.facts);
    }
    if (item.known) continue;
    plannedBytes += file.size;
    plan.add(i, file);
  }
  progress_.addBytesToRead(plannedBytes);
  std::vector<DiskQueue> queues = plan.queues(sortThreads_);
  readEachDisk<ReadScratch>(
      queues, readThreads_, control_,
      [&](std::uint32_t item, ReadScratch& scratch) -> std::uint64_t {
        if (control_.aborted()) return 0;
        readOne(items[item], scratch);
        return files[items[item].candidate].size;
      },
      [&](std::span<std::uint32_t> order, ReadScratch& scratch) {
        scratch.opener.putInDiskOrder(
            order, control_, [&](std::uint32_t item) -> const Candidate& { return files[items[item].candidate]; });
      },
      progress_, store_);
  if (control_.aborted() || !cache_) return;
  for (const DiskQueue& queue : queues)
    for (const std::uint32_t i : queue.items) {
      const Item& item = items[i];
      const Candidate& file = files[item.candidate];
      const std::uint64_t folderInode = store_.folderId(file.folder).inode;
      // A file that is no picture, or none compared, keeps its digest: a search for identical files
      // may use it.
      if (readWhole(item.failure))
        cache_->learn(store_.identityOf(file), folderInode, CacheRecord::kContent, item.digest);
      if (item.failure == 0)
        cache_->learn(store_.identityOf(file), folderInode, CacheRecord::kPicture, pictureRecord(item.facts));
    }
}

std::vector<ResultRow> PictureGrouper::groupedRows(const std::vector<Item>& items) const {
  const std::vector<Candidate>& files = store_.files();
  // Byte-identical pictures are one picture to the grouping: runs of one size and digest.
  std::vector<std::uint32_t> byContent(items.size());
  for (std::uint32_t i = 0; i < byContent.size(); ++i) byContent[i] = i;
  const auto contentKey = [&](std::uint32_t i) { return std::tie(files[items[i].candidate].size, items[i].digest); };
  sortInParallel(
      byContent, [&](std::uint32_t a, std::uint32_t b) { return contentKey(a) < contentKey(b); }, sortThreads_);
  struct Unit {
    std::uint64_t pixels, size;
    ContentDigest digest;
    std::uint64_t hash;
    std::uint32_t first, end;  // its items: byContent[first, end)
  };
  std::vector<Unit> units;
  for (std::uint32_t begin = 0; begin < byContent.size();) {
    std::uint32_t end = begin + 1;
    while (end < byContent.size() && contentKey(byContent[end]) == contentKey(byContent[begin])) ++end;
    const Item& item = items[byContent[begin]];
    units.push_back(Unit{std::uint64_t{item.facts.width} * item.facts.height, files[item.candidate].size, item.digest,
                         item.facts.hash, begin, end});
    begin = end;
  }
  // The order in which pictures may lead a group: the most pixels, then the larger file (the
  // less compressed), then the digest, which no two units share.
  std::sort(units.begin(), units.end(), [](const Unit& a, const Unit& b) {
    return std::tie(b.pixels, b.size, a.digest) < std::tie(a.pixels, a.size, b.digest);
  });
  std::vector<std::uint64_t> hashes(units.size());
  for (std::size_t u = 0; u < units.size(); ++u) hashes[u] = units[u].hash;
  const std::vector<GroupPlace> places = groupSimilarHashes(hashes, maxDistance_, sortThreads_);
  std::vector<std::vector<std::uint32_t>> followers(units.size());
  for (std::uint32_t u = 0; u < units.size(); ++u)
    if (places[u].leader != u) followers[places[u].leader].push_back(u);

  struct Member {
    std::string path;
    std::string unitPath;  // the smallest path of its unit
    std::uint32_t item;
    std::uint8_t distance;
  };
  std::vector<std::vector<Member>> groups;
  for (std::uint32_t leader = 0; leader < units.size(); ++leader) {
    if (places[leader].leader != leader) continue;
    const Unit& lead = units[leader];
    if (followers[leader].empty() && lead.end - lead.first < 2) continue;
    std::vector<Member> members;
    bool onlyReference = true;
    const auto add = [&](std::uint32_t u, std::uint8_t distance) {
      const std::size_t first = members.size();
      for (std::uint32_t k = units[u].first; k < units[u].end; ++k) {
        const std::uint32_t item = byContent[k];
        const Candidate& file = files[items[item].candidate];
        onlyReference = onlyReference && (file.marks & kInReference) != 0;
        members.push_back(Member{store_.pathOf(file), {}, item, distance});
      }
      const auto smallest = std::min_element(members.begin() + static_cast<std::ptrdiff_t>(first), members.end(),
                                             [](const Member& a, const Member& b) { return a.path < b.path; });
      for (std::size_t k = first; k < members.size(); ++k) members[k].unitPath = smallest->path;
    };
    add(leader, 0);
    const auto leaderEnd = static_cast<std::ptrdiff_t>(members.size());
    for (const std::uint32_t u : followers[leader]) add(u, places[u].distance);
    if (onlyReference) continue;
    std::sort(members.begin(), members.begin() + leaderEnd,
              [](const Member& a, const Member& b) { return a.path < b.path; });
    std::sort(members.begin() + leaderEnd, members.end(), [](const Member& a, const Member& b) {
      return std::tie(a.distance, a.unitPath, a.path) < std::tie(b.distance, b.unitPath, b.path);
    });
    groups.push_back(std::move(members));
  }
  std::sort(groups.begin(), groups.end(),
            [](const std::vector<Member>& a, const std::vector<Member>& b) { return a.front().path < b.front().path; });
  std::vector<ResultRow> rows;
  for (std::size_t g = 0; g < groups.size(); ++g)
    for (Member& member : groups[g]) {
      const Item& item = items[member.item];
      const Candidate& file = files[item.candidate];
      ResultRow row;
      row.group = static_cast<std::uint32_t>(g + 1);
      row.path = std::move(member.path);
      row.size = file.size;
      row.reference = (file.marks & kInReference) != 0;
      row.identity = RowIdentity{store_.identityOf(file), store_.folderId(file.folder)};
      row.setDigest(item.digest);
      row.width = item.facts.width;
      row.height = item.facts.height;
      row.distance = member.distance;
      rows.push_back(std::move(row));
    }
  return rows;
}

std::vector<bool> byteIdenticalRows(const std::vector<ResultRow>& rows) {
  std::vector<bool> identical(rows.size(), false);
  std::vector<std::size_t> order;
  for (std::size_t first = 0; first < rows.size();) {
    std::size_t end = first;
    while (end < rows.size() && rows[end].group == rows[first].group) ++end;
    order.clear();
    for (std::size_t i = first; i < end; ++i) order.push_back(i);
    const auto key = [&](std::size_t i) { return std::tuple(rows[i].size, rows[i].digest()); };
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return key(a) < key(b); });
    for (std::size_t k = 0; k + 1 < order.size(); ++k)
      if (sameBytes(rows[order[k]], rows[order[k + 1]])) identical[order[k]] = identical[order[k + 1]] = true;
    first = end;
  }
  return identical;
}

std::vector<ResultRow> PictureGrouper::run(std::vector<SkippedFile>& skipped, const std::function<void()>& whenRead) {
  std::vector<Item> items = pictures();
  readAll(items);
  if (control_.aborted()) return {};
  const std::vector<Candidate>& files = store_.files();
  for (const Item& item : items)
    if (item.failure != 0)
      skipped.push_back(SkippedFile{store_.pathOf(files[item.candidate]), reasonText(item.failure)});
  std::erase_if(items, [](const Item& item) { return item.failure != 0; });
  if (whenRead) whenRead();
  return groupedRows(items);
}

}  // namespace pelimor
