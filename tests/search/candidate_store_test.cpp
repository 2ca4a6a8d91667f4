#include "search/candidate_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace pelimor {
namespace {

platform::FileStatus fileOf(std::uint64_t size, std::uint64_t inode) {
  platform::FileStatus status;
  status.size = size;
  status.device = 1;
  status.inode = inode;
  return status;
}

TEST(CandidateStore, PathsJoinFolderNamesWithOneSeparator) {
  CandidateStore store(2);
  const std::uint32_t root = store.addRootFolder(0, "/", {});
  const std::uint32_t home = store.addFolder(1, root, "home", {});
  const std::uint32_t deep = store.addFolder(0, home, "a b", {});
  const std::uint32_t other = store.addRootFolder(1, "/data/", {});
  store.addFile(deep, "x.txt", fileOf(1, 1));
  store.addFile(root, "top", fileOf(1, 2));
  store.addFile(other, "y", fileOf(1, 3));
  store.collectFiles();
  std::vector<std::string> paths;
  for (const Candidate& file : store.files()) paths.push_back(store.pathOf(file));
  std::sort(paths.begin(), paths.end());
  EXPECT_EQ(paths, (std::vector<std::string>{"/data/y", "/home/a b/x.txt", "/top"}));
  EXPECT_EQ(store.folderPath(deep), "/home/a b");
  EXPECT_EQ(store.folderPath(root), "/");
}

TEST(CandidateStore, FoldersOfAllSegmentsGetDistinctDenseNumbers) {
  CandidateStore store(3);
  std::vector<std::uint32_t> folders;
  for (unsigned i = 0; i < 30; ++i) {
    const unsigned segment = (i * 7) % 3;
    folders.push_back(i == 0 ? store.addRootFolder(segment, "/r", {})
                             : store.addFolder(segment, folders[0], "f" + std::to_string(i), {}));
    store.addFile(folders.back(), "file", fileOf(10, i));
  }
  store.collectFiles();
  ASSERT_EQ(store.folderCount(), folders.size());
  ASSERT_EQ(store.files().size(), folders.size());
  std::vector<std::size_t> numbers;
  for (const std::uint32_t folder : folders) numbers.push_back(store.denseFolderIndex(folder));
  std::sort(numbers.begin(), numbers.end());
  for (std::size_t i = 0; i < numbers.size(); ++i) EXPECT_EQ(numbers[i], i);
}

TEST(CandidateStore, NamesAndDevicesComeBackAsStored) {
  // Name lengths on both sides of the one-byte length, many enough to fill several blocks; devices
  // of each segment counted apart.
  const std::size_t lengths[] = {0, 1, 254, 255, 256, 4000, 65535};
  CandidateStore store(2);
  const std::uint32_t roots[] = {store.addRootFolder(0, "/a", {}), store.addRootFolder(1, "/b", {})};
  std::vector<std::pair<std::string, std::uint64_t>> added;
  for (unsigned i = 0; i < 200; ++i) {
    std::string name(lengths[i % std::size(lengths)], static_cast<char>('a' + i % 26));
    platform::FileStatus status = fileOf(i, i);
    status.device = 1000 + i % 3 + (i % 2) * 7;
    store.addFile(roots[i % 2], name, status);
    added.emplace_back(std::move(name), status.device);
  }
  store.collectFiles();
  ASSERT_EQ(store.files().size(), added.size());
  for (const Candidate& file : store.files()) {
    const auto& [name, device] = added[file.inode];
    EXPECT_EQ(store.nameOf(file), name) << file.inode;
    EXPECT_EQ(store.identityOf(file).device, device) << file.inode;
    EXPECT_EQ(store.identityOf(file).size, file.inode);
  }
}

}  // namespace
}  // namespace pelimor
