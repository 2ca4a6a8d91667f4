#include "results/move_by_copy.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "support/temp_tree.h"
#include "support/test_files.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>

#include <csignal>
#endif

namespace pelimor {
namespace {

using testing::exists;
using testing::readFile;
using testing::rowFor;
using testing::TempFolder;
using testing::writeFile;

std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The source and target folders held open, as the Move holds them.
struct Folders {
  platform::FolderHandle from, to;
  Folders(const std::string& source, const std::string& target) {
    from.open(source);
    to.open(target);
  }
};

TEST(MoveByCopy, KeepsTheSourceWhenTheDigestDiffersOrTheLastQuestionSaysNo) {
  const TempFolder source, target;
  writeFile(source / "f", "content");
  const Folders folders(source.path(), target.path());
  ResultRow row = rowFor(source / "f", 1);
  const auto no = [] { return std::optional<std::string>("stopped"); };
  EXPECT_EQ(moveByCopy(folders.from, row, folders.to, "f", "T", no).failure, "stopped");
  row.strongLow ^= 1;
  EXPECT_EQ(moveByCopy(folders.from, row, folders.to, "f", "T").failure, "it has changed since the search");
  EXPECT_EQ(readFile(source / "f"), "content");
  EXPECT_TRUE(namesIn(target.path()).empty());
}

#ifndef _WIN32
// A folder on another file system than /tmp, or empty when the machine has none.
std::string otherFileSystem() {
  struct stat tmp {
  }, shm{};
  if (stat("/tmp", &tmp) != 0 || stat("/dev/shm", &shm) != 0 || tmp.st_dev == shm.st_dev) return {};
  return access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "";
}

// The child stops itself the moment its copy grows past the limit: half way, with no clock.
void stopAtFileSize(rlim_t limit) {
  const struct rlimit size { limit, limit };
  setrlimit(RLIMIT_FSIZE, &size);
  signal(SIGXFSZ, [](int) { raise(SIGSTOP); });
}

TEST(MoveByCopy, AMoveKilledHalfWayLeavesOnlyALeftoverThatGoesOnceItsWriterIsGone) {
  const std::string other = otherFileSystem();
  if (other.empty()) GTEST_SKIP() << "/dev/shm is not a separate, writable file system here";
  const TempFolder source, target(other);
  const std::size_t size = 64 << 20;
  const std::string content = testing::TempTree::patternBytes(size, 5);
  writeFile(source / "big", content);
  writeFile(target / ".hidden", "the user's");
  writeFile(target / ".pelimor-move-notes", "the user's too");
  const ResultRow row = rowFor(source / "big", 1);
  const Folders folders(source.path(), target.path());
  const pid_t child = fork();
  if (child == 0) {
    stopAtFileSize(size / 2);
    _exit(moveByCopy(folders.from, row, folders.to, "big", "T").moved() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, WUNTRACED), child);
  ASSERT_TRUE(WIFSTOPPED(status));
  const std::vector<std::string> half = {".hidden", ".pelimor-move-1", ".pelimor-move-notes"};
  EXPECT_EQ(namesIn(target.path()), half);
  removeLeftoverCopies(folders.to);  // its writer still holds it
  EXPECT_EQ(namesIn(target.path()), half);
  kill(child, SIGKILL);
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(std::filesystem::file_size(target / ".pelimor-move-1"), size / 2);
  EXPECT_TRUE(readFile(source / "big") == content);

  removeLeftoverCopies(folders.to);
  EXPECT_EQ(namesIn(target.path()), (std::vector<std::string>{".hidden", ".pelimor-move-notes"}));
  EXPECT_TRUE(moveByCopy(folders.from, row, folders.to, "big", "T").moved());
  EXPECT_FALSE(exists(source / "big"));
  EXPECT_TRUE(readFile(target / "big") == content);
}

// A tmpfs of one megabyte, where root may mount one.
struct SmallFileSystem {
  TempFolder folder;
  bool mounted = geteuid() == 0 &&
                 std::system(("mount -t tmpfs -o size=1m pelimor-full " + folder.path() + " 2>/dev/null").c_str()) == 0;
  ~SmallFileSystem() {
    if (mounted) std::system(("umount " + folder.path()).c_str());
  }
};

TEST(MoveByCopy, AFullTargetSaysSoAndKeepsTheSource) {
  const SmallFileSystem full;
  if (!full.mounted)
    GTEST_SKIP() << (geteuid() != 0 ? "mounting a small tmpfs needs root"
                                    : "this machine does not let us mount a tmpfs");
  const TempFolder source;
  const std::string content = testing::TempTree::patternBytes(3 << 20, 9);
  writeFile(source / "f", content);
  const Folders folders(source.path(), full.folder.path());
  const CopyMoveOutcome outcome = moveByCopy(folders.from, rowFor(source / "f", 1), folders.to, "f", "T");
  ASSERT_TRUE(outcome.failure);
  EXPECT_EQ(*outcome.failure, "it cannot be copied to T: No space left on device");
  EXPECT_TRUE(readFile(source / "f") == content);
  EXPECT_TRUE(namesIn(full.folder.path()).empty());
}
#endif

}  // namespace
}  // namespace pelimor
