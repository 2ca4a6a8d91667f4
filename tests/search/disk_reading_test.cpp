#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <numeric>
#include <vector>

#include "search/disk_readers.h"
#include "search/reader_tuner.h"
#include "search/storage_devices.h"

namespace pelimor {
namespace {

// Each row: how the tuner starts, the throughput of each window, and the readers after each.
TEST(ReaderTuner, GrowsWhileThroughputGrowsAndFallsBackWhenItFalls) {
  struct Case {
    const char* what;
    ReaderTuner::Start start;
    std::vector<double> throughputs;
    std::vector<unsigned> readers;
    bool seeks;
  };
  const std::vector<Case> cases = {
      {"flash: doubles up to its best, then holds",
       {2, 16},
       {10, 20, 20, 40, 40, 42, 42, 40, 40, 40},
       {4, 4, 8, 8, 16, 16, 8, 8, 8, 8},
       false},
      {"a seeking disk: two readers lose, so one it is", {1, 16}, {10, 6, 6, 10, 10, 10}, {2, 2, 1, 1, 1, 1}, true},
      {"the most is never passed", {4, 8}, {10, 20, 20, 20, 20}, {8, 8, 8, 8, 8}, false},
      {"settled: held first, then a try, then back",
       {4, 16, true, 1.10, 3},
       {10, 10, 10, 10, 10, 10, 10},
       {4, 4, 8, 8, 4, 4, 4},
       false},
      {"a try down is kept when it costs next to nothing", {16, 16, true, 1.10, 1}, {10, 10, 10}, {8, 8, 8}, false},
      {"a disk known to seek asks more of a try", {1, 16, true, 1.5, 1}, {10, 14, 14, 10}, {2, 2, 1, 1}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ReaderTuner tuner(c.start);
    std::vector<unsigned> readers;
    for (const double throughput : c.throughputs) readers.push_back(tuner.next(throughput));
    EXPECT_EQ(readers, c.readers);
    EXPECT_EQ(tuner.foundSeeking(), c.seeks);
  }
}

TEST(StorageDevices, SmallReadsTellADiskThatSeeks) {
  struct Case {
    std::vector<std::uint64_t> nanoseconds;
    Seeking judged;
  };
  const std::vector<std::uint64_t> flash(kReadsJudged, 200'000), head(kReadsJudged, 9'000'000);
  std::vector<std::uint64_t> mostlyCached = head;
  std::fill_n(mostlyCached.begin(), kReadsJudged / 2 + 1, 5'000);
  const std::vector<Case> cases = {
      {{}, Seeking::Unknown},      {std::vector<std::uint64_t>(kReadsJudged - 1, 9'000'000), Seeking::Unknown},
      {flash, Seeking::No},        {head, Seeking::Yes},
      {mostlyCached, Seeking::No},
  };
  for (const Case& c : cases) EXPECT_EQ(judgeBySmallReads(c.nanoseconds), c.judged);

  DiskReading disk(platform::StorageDevice{1, false, false, "test"});
  for (std::size_t i = 0; i < kReadsJudged; ++i) disk.noteSmallRead(9'000'000);
  EXPECT_EQ(disk.seeking(), Seeking::Yes);
  EXPECT_TRUE(disk.walksInInodeOrder());
  EXPECT_FALSE(disk.timesSmallReads());
  EXPECT_EQ(disk.tunerStart().first, 1u);
}

// Two disks, one known to seek and one not, read with tuned and with fixed readers: every file is
// read once, and the seeking disk's files are put in its order once, before any is read.
TEST(DiskReaders, EachFileIsReadOnceAndASeekingDiskIsOrderedFirst) {
  for (const unsigned fixedReaders : {0u, 1u, 3u}) {
    SCOPED_TRACE(fixedReaders);
    DiskReading seeking(platform::StorageDevice{1, true, false, "seeking"});
    seeking.setSeeking(Seeking::Yes);
    DiskReading flash(platform::StorageDevice{2, false, false, "flash"});
    std::vector<DiskQueue> queues(2);
    queues[0].disk = &seeking;
    queues[1].disk = &flash;
    for (std::uint32_t i = 0; i < 3000; ++i) queues[i % 2].items.push_back(i);
    std::vector<std::atomic<int>> reads(3000);
    std::atomic<int> reorders{0};
    std::atomic<bool> seekingReadBeforeOrdered{false};
    SearchControl control;
    struct Scratch {};
    readEachDisk<Scratch>(
        queues, fixedReaders, control,
        [&](std::uint32_t item, Scratch&) -> std::uint64_t {
          if (item % 2 == 0 && reorders.load() == 0) seekingReadBeforeOrdered = true;
          ++reads[item];
          return 4096;
        },
        [&](std::span<std::uint32_t> order, Scratch&) {
          ++reorders;
          EXPECT_EQ(order.size(), 1500u);
          std::reverse(order.begin(), order.end());
        });
    EXPECT_TRUE(std::all_of(reads.begin(), reads.end(), [](const std::atomic<int>& n) { return n == 1; }));
    EXPECT_EQ(reorders, 1);
    EXPECT_FALSE(seekingReadBeforeOrdered);
  }
}

}  // namespace
}  // namespace pelimor
