// Racy files: changed too shortly before they were read for their times to vouch for their bytes.
#include "search/racy_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/file_times.h"
#include "search/digest_cache.h"
#include "search/duplicate_search.h"
#include "search/search_test_support.h"
#include "support/loop_file_system.h"
#include "support/posix_only.h"

namespace pelimor {
namespace {

constexpr std::int64_t kSecond = 1'000'000'000;

// Waits for the start of a wall-clock second, so that what follows falls within one.
void waitForANewSecond() {
  while (platform::wallClockNanoseconds() % kSecond > kSecond / 20)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

std::int64_t stepOf(const std::string& folderPath) {
  platform::FolderHandle folder;
  EXPECT_EQ(folder.open(folderPath), std::error_code()) << folderPath;
  return platform::changeTimeStep(folder);
}

TEST(RacyFiles, EachFileSystemTellsItsTimeStep) {
  PELIMOR_POSIX_ONLY("loop devices");
  const struct {
    const char* make;
    std::int64_t step;
  } cases[] = {{"mkfs.ext4 -q -I 128", kSecond}, {"mkfs.ext4 -q -I 256", 10'000'000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.make);
    testing::LoopFileSystem image(c.make);
    if (!image.unavailable().empty()) GTEST_SKIP() << image.unavailable();
    EXPECT_EQ(stepOf(image.path()), c.step);
  }
}

TEST(RacyFiles, OnAClockOfWholeSecondsAFileRewrittenInTheSecondItWasReadIsNeitherCachedNorGrouped) {
  PELIMOR_POSIX_ONLY("loop devices");
  testing::LoopFileSystem image("mkfs.ext4 -q -I 128");
  if (!image.unavailable().empty()) GTEST_SKIP() << image.unavailable();
  testing::TempFolder cacheFolder;
  SearchRequest request = testing::requestFor({image.path()});
  request.useCache = true;
  request.cacheFolder = cacheFolder.path();
  const auto search = [&] {
    SearchProgress progress;
    SearchControl control;
    return runDuplicateSearch(request, progress, control);
  };

  waitForANewSecond();
  testing::writeFile(image.path() + "/a", "the same bytes");
  testing::writeFile(image.path() + "/b", "the same bytes");
  // Reading begins now, within the second of the writes, however long the search takes to start.
  request.readStart = platform::wallClockNanoseconds();
  const SearchResult first = search();
  request.readStart = 0;
  // Rewritten in place: size, modification and change time stay as the search saw them, unless
  // the second turned meanwhile.
  testing::writeFile(image.path() + "/b", "other   bytes!");
  ASSERT_EQ(first.rows.size(), 2u);
  EXPECT_TRUE(first.rows[0].racy && first.rows[1].racy);
  EXPECT_TRUE(search().rows.empty());

  // Read long after its last change, the same file is neither racy nor read again.
  testing::writeFile(image.path() + "/b", "the same bytes");
  request.readStart = platform::wallClockNanoseconds() + 3 * kSecond;
  ASSERT_EQ(search().rows.size(), 2u);
  CacheContents contents;
  EXPECT_FALSE(loadCacheFile(cacheFolder / DigestCache::kFileName, contents));
  EXPECT_EQ(contents.records.size(), 2u);
}

TEST(RacyFiles, AFileChangedSafelyBeforeTheReadIsNotRacy) {
  RacyFiles racy(100 * kSecond);
  racy.noteFileSystem(1, kSecond);
  const struct {
    std::uint64_t device;
    std::int64_t changed;
    bool isRacy;
  } cases[] = {{1, 99 * kSecond, false},
               {1, 99 * kSecond + 1, true},
               {1, 100 * kSecond, true},
               // A file system not noted counts as coarse: two seconds.
               {2, 98 * kSecond, false},
               {2, 99 * kSecond, true}};
  for (const auto& c : cases) EXPECT_EQ(racy.isRacy(c.device, c.changed), c.isRacy) << c.device << " " << c.changed;
  EXPECT_FALSE(RacyFiles().isRacy(1, 100 * kSecond));
}

}  // namespace
}  // namespace pelimor
