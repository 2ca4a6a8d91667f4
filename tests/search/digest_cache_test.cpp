// The checksum cache on real files: what it spares, and that it never changes a result.
#include "search/digest_cache.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "platform/directory_reader.h"
#include "platform/file_times.h"
#include "search/duplicate_search.h"
#include "search/search_test_support.h"
#include "support/temp_tree.h"
#include "support/test_files.h"
#include "support/unprivileged.h"

namespace pelimor {
namespace {

using testing::describe;
namespace fs = std::filesystem;

class DigestCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Small files are read as the walk finds them, large ones in samples and then whole: both ways.
    tree.file("small/a", "same small content");
    tree.file("small/b", "same small content");
    tree.file("small/c", "other small thing!");
    tree.file("large/a", std::string(100'000, 'x'));
    tree.file("large/b", std::string(100'000, 'x'));
    tree.file("large/c", std::string(99'999, 'x') + "y");
  }
  std::string cacheFile() const { return cacheFolder + DigestCache::kFileName; }
  // Notes the bytes it read in `bytesRead`, when given.
  SearchResult search(bool useCache = true, std::uint64_t* read = nullptr) const {
    SearchRequest request = testing::requestFor({tree.root()});
    request.useCache = useCache;
    request.cacheFolder = cacheFolder;
    // As if read long after the tree was made: no file is racy, every one may be remembered.
    request.readStart = platform::wallClockNanoseconds() + 10'000'000'000;
    SearchControl control;
    SearchProgress progress;
    SearchResult result = runDuplicateSearch(request, progress, control);
    if (read) *read = progress.bytesRead();
    return result;
  }
  SearchResult searchCounting() { return search(true, &bytesRead); }
  std::vector<CacheRecord> recordsOf(const std::string& path) const {
    platform::FileStatus status;
    platform::statusOfPath(path, false, status);
    CacheContents contents;
    loadCacheFile(cacheFile(), contents);
    std::erase_if(contents.records, [&](const CacheRecord& record) { return record.inode != status.inode; });
    return contents.records;
  }

  testing::TempTree tree;
  testing::TempFolder cacheBase;
  std::string cacheFolder = cacheBase / "Pelimor/";
  std::uint64_t bytesRead = 0;
};

TEST_F(DigestCacheTest, ASecondSearchOfUnchangedFilesReadsNothingAndFindsTheSame) {
  const auto withoutCache = describe(search(false).rows);
  EXPECT_FALSE(fs::exists(cacheFile()));
  EXPECT_EQ(describe(searchCounting().rows), withoutCache);
  EXPECT_GT(bytesRead, 0u);
  EXPECT_EQ(describe(searchCounting().rows), withoutCache);
  EXPECT_EQ(bytesRead, 0u);
  // Private to the user.
  if (!PELIMOR_ON_WINDOWS) {  // Windows has the folder's access rules instead of permission bits
    EXPECT_EQ(fs::status(cacheFile()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(cacheFolder).permissions(), fs::perms::owner_all);
  }
}

// What happens to a file between two searches, and what the second search reads again: only that
// file. A rename or a new link moves the change time too (the system sets it on every change of
// the inode), so such a file is read once more, and its one entry, found by inode, is renewed.
TEST_F(DigestCacheTest, OnlyAChangedFileIsReadAgain) {
  constexpr std::uint64_t kLargeFile = 2 * 4096 + 100'000;  // its samples, then the whole of it
  const struct {
    const char* what;
    std::function<void(testing::TempTree&)> change;
    std::uint64_t bytesReadAgain;
    std::string pathAfter;
    std::size_t entriesAfter;
  } cases[] = {
      {"rewritten, size and modification time put back",
       [](testing::TempTree& tree) {
         const auto before = fs::last_write_time(tree.path("large/b"));
         tree.file("large/b", std::string(99'999, 'x') + "z");
         fs::last_write_time(tree.path("large/b"), before);
       },
       2 * 4096, "large/b", 1},  // its samples now differ from every other file's
      {"renamed", [](testing::TempTree& tree) { fs::rename(tree.path("large/b"), tree.path("large/renamed")); },
       kLargeFile, "large/renamed", 2},
      {"moved to another folder",
       [](testing::TempTree& tree) { fs::rename(tree.path("small/b"), tree.path("large/b-small")); }, 18,
       "large/b-small", 1},
      {"hard-linked",
       [](testing::TempTree& tree) { fs::create_hard_link(tree.path("large/b"), tree.path("small/link")); }, kLargeFile,
       "small/link", 2},
      {"untouched", [](testing::TempTree&) {}, 0, "large/b", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();  // the same files again
    fs::remove_all(cacheFolder);
    search();
    c.change(tree);
    const auto withCache = describe(searchCounting().rows);
    EXPECT_EQ(bytesRead, c.bytesReadAgain);
    EXPECT_EQ(withCache, describe(search(false).rows));
    EXPECT_EQ(recordsOf(tree.path(c.pathAfter)).size(), c.entriesAfter);
    for (const char* extra : {"large/renamed", "large/b-small", "small/link"}) fs::remove(tree.path(extra));
  }
}

TEST_F(DigestCacheTest, AFileNoLongerFoundIsDroppedWhenSaved) {
  search();
  struct stat gone {};
  stat(tree.path("large/c").c_str(), &gone);
  ASSERT_FALSE(recordsOf(tree.path("large/c")).empty());
  fs::remove(tree.path("large/c"));
  search();
  CacheContents contents;
  loadCacheFile(cacheFile(), contents);
  for (const CacheRecord& record : contents.records) EXPECT_NE(record.inode, gone.st_ino);
}

// A cache file that can't be trusted is passed over with one warning, and made anew.
TEST_F(DigestCacheTest, ADamagedCacheIsIgnoredWithOneWarningAndRebuilt) {
  const auto truncate = [](const std::string& path, std::uintmax_t keep) { fs::resize_file(path, keep); };
  const struct {
    const char* what;
    std::function<void(const std::string&)> damage;
    const char* said = "";
  } cases[] = {
      {"truncated in a record", [&](const std::string& path) { truncate(path, fs::file_size(path) - 10); }},
      {"truncated in its head", [&](const std::string& path) { truncate(path, 12); }},
      {"empty", [&](const std::string& path) { truncate(path, 0); }},
      {"a byte changed",
       [](const std::string& path) {
         std::string bytes = testing::readFile(path);
         bytes[bytes.size() - 20] ^= 0x40;
         testing::writeFile(path, bytes);
       }},
      {"another program's file", [](const std::string& path) { testing::writeFile(path, std::string(4096, 'Q')); }},
#ifndef _WIN32  // Wine makes no symbolic links, Windows no named pipes in folders
      {"a link to a cache",
       [](const std::string& path) {
         fs::rename(path, path + ".real");
         fs::create_symlink(path + ".real", path);
       },
       "is a symbolic link"},
      {"a pipe", [](const std::string& path) { fs::remove(path), mkfifo(path.c_str(), 0600); }, "not a regular file"},
#endif
  };
  const auto expected = describe(search(false).rows);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    search();
    c.damage(cacheFile());
    const SearchResult result = search();
    EXPECT_EQ(describe(result.rows), expected);
    ASSERT_EQ(result.warnings.size(), 1u);
    const std::string warning = result.warnings[0];
    EXPECT_NE(warning.find(cacheFile()), std::string::npos) << warning;
    EXPECT_NE(warning.find(c.said), std::string::npos) << warning;
    ASSERT_TRUE(result.cacheWriting);
    EXPECT_TRUE(result.cacheWriting->warnings().empty());  // made anew
    CacheContents contents;
    EXPECT_FALSE(loadCacheFile(cacheFile(), contents));
    EXPECT_FALSE(contents.records.empty());
  }
}

TEST_F(DigestCacheTest, TwoSearchesSavingAtOnceLeaveAWholeCache) {
  const auto expected = describe(search(false).rows);
  for (int round = 0; round < 10; ++round) {
    fs::remove_all(cacheFolder);
    std::vector<std::string> found[2];
    std::thread other([&] { found[1] = describe(search().rows); });
    found[0] = describe(search().rows);
    other.join();
    EXPECT_EQ(found[0], expected);
    EXPECT_EQ(found[1], expected);
    CacheContents contents;
    EXPECT_FALSE(loadCacheFile(cacheFile(), contents));
    // Only the finished file is left: no writer's new file stays behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(cacheFolder), fs::directory_iterator()), 1);
  }
}

// A cache that can't be written costs the cache, never the search.
TEST_F(DigestCacheTest, ACacheFolderThatCannotBeWrittenLeavesTheSearchWhole) {
  PELIMOR_POSIX_ONLY("permission bits and other users");
  const auto expected = describe(search(false).rows);
  fs::create_directories(cacheFolder);
  testing::openToEveryone(tree.root());
  testing::openToEveryone(cacheBase.path());
  chmod(cacheFolder.c_str(), 0755);  // ours, not the unprivileged user's: read-only to them
  const std::string answer = testing::runUnprivileged([&] {
    const SearchResult result = search();
    if (describe(result.rows) != expected) return std::string("other rows");
    if (!result.warnings.empty() || !result.cacheWriting) return std::string("no save, or a warning too early");
    const std::vector<NoticeText>& warnings = result.cacheWriting->warnings();
    const std::string first = warnings.empty() ? std::string() : warnings[0].english();
    return warnings.size() == 1 && first.find("could not be saved") != std::string::npos
               ? std::string("ok")
               : "no single warning: " + first;
  });
  EXPECT_EQ(answer, "ok");
  EXPECT_FALSE(fs::exists(cacheFile()));
}

// Records are read where they lie, a piece of CacheRecordFile::kRecordsPerKey at a time: the kinds
// of one inode may begin in one piece and run on into the next.
TEST(CacheRecordFile, EachInodeFindsAllItsRecordsWhereverThePiecesBreak) {
  testing::TempFolder folder;
  std::vector<CacheRecord> records;
  for (std::uint16_t fileSystem : {0, 1})
    for (std::uint64_t inode = 1; inode <= 40; ++inode)
      for (std::uint8_t kind = 0; kind <= inode % 3; ++kind) {
        CacheRecord record;
        record.fileSystem = fileSystem;
        record.inode = inode * 5;
        record.kind = kind;
        record.size = inode * 100 + kind;
        records.push_back(record);
      }
  ASSERT_FALSE(writeCacheFile(
      folder.path(), DigestCache::kFileName, {"one", "two"},
      [&](const std::function<void(const CacheRecord&)>& each) {
        for (const CacheRecord& record : records) each(record);
        return true;
      },
      [] {}));
  CacheRecordFile file;
  ASSERT_FALSE(file.open(folder / DigestCache::kFileName));
  ASSERT_EQ(file.size(), records.size());
  for (std::uint16_t fileSystem : {0, 1})
    for (std::uint64_t inode = 0; inode <= 41 * 5; ++inode) {
      std::vector<std::size_t> found, expected;
      for (std::size_t i = 0; i < records.size(); ++i)
        if (records[i].fileSystem == fileSystem && records[i].inode == inode) expected.push_back(i);
      ASSERT_TRUE(file.forEachOf(fileSystem, inode, [&](std::size_t at, const CacheRecord& record) {
        EXPECT_EQ(record.size, records[at].size);
        found.push_back(at);
      }));
      EXPECT_EQ(found, expected) << fileSystem << " " << inode;
    }
}

}  // namespace
}  // namespace pelimor
