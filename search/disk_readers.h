#pragma once
// Reads the files of each disk with readers of its own, so that a slow disk never holds the readers
// of another, and as many of them as its ReaderTuner finds worth it. On a disk that seeks the files
// left are put in the disk's order first.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "search/reader_tuner.h"
#include "search/search_control.h"
#include "search/storage_devices.h"

namespace pelimor {

// One disk's files, in the order they are read.
struct DiskQueue {
  DiskReading* disk = nullptr;
  std::vector<std::uint32_t> items;
};

// Hands out one disk's files to its readers and tunes how many may read.
class DiskPool {
 public:
  // fixedReaders: that many, untuned; 0: tuned.
  DiskPool(DiskReading& disk, std::size_t items, unsigned fixedReaders, const SearchControl& control);
  unsigned threads() const { return threads_; }

  enum class Turn { Read, PutInDiskOrder, Finished };
  // Waits until `reader` may go on, then gives it [begin, end): files to read, or (once, to one
  // reader while the others wait) the files left, to be put in the disk's order and told by reordered().
  Turn take(unsigned reader, std::size_t& begin, std::size_t& end);
  void reordered();
  // A run read: `bytes` read in `files` files.
  void done(std::size_t files, std::uint64_t bytes);

 private:
  void closeWindow(std::chrono::steady_clock::time_point now);

  DiskReading& disk_;
  const SearchControl& control_;
  const std::size_t size_;
  const bool tuned_;
  ReaderTuner tuner_;
  unsigned threads_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t next_ = 0;
  unsigned allowed_;
  bool reorderDue_;
  bool reordering_ = false;
  std::chrono::steady_clock::time_point windowStart_;
  std::uint64_t windowWork_ = 0;
  std::size_t windowFiles_ = 0;
};

// Calls putInDiskOrder(span of items, scratch) and read(item, scratch) -> bytes read, for every item
// of every queue, each disk's with a pool of its own; scratch is made per reader from `arguments`.
template <typename Scratch, typename Read, typename Reorder, typename... Arguments>
void readEachDisk(std::vector<DiskQueue>& queues, unsigned fixedReaders, const SearchControl& control, Read read,
                  Reorder putInDiskOrder, Arguments&... arguments) {
  std::vector<std::unique_ptr<DiskPool>> pools;
  std::vector<std::thread> readers;
  const auto readQueue = [&](DiskQueue& queue, DiskPool& pool, unsigned reader) {
    Scratch scratch(arguments...);
    std::size_t begin = 0, end = 0;
    for (;;) {
      const DiskPool::Turn turn = pool.take(reader, begin, end);
      if (turn == DiskPool::Turn::Finished) return;
      const std::span<std::uint32_t> run(queue.items.data() + begin, end - begin);
      if (turn == DiskPool::Turn::PutInDiskOrder) {
        putInDiskOrder(run, scratch);
        pool.reordered();
        continue;
      }
      std::uint64_t bytes = 0;
      for (const std::uint32_t item : run) bytes += read(item, scratch);
      pool.done(run.size(), bytes);
    }
  };
  for (DiskQueue& queue : queues) {
    if (queue.items.empty()) continue;
    pools.push_back(std::make_unique<DiskPool>(*queue.disk, queue.items.size(), fixedReaders, control));
    for (unsigned reader = 0; reader < pools.back()->threads(); ++reader)
      readers.emplace_back(readQueue, std::ref(queue), std::ref(*pools.back()), reader);
  }
  for (std::thread& reader : readers) reader.join();
}

}  // namespace pelimor
