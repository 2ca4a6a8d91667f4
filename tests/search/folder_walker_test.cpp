#include "search/folder_walker.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/io_error_text.h"
#include "platform/paths.h"
#include "search/content_digest.h"
#include "search/mask_list.h"
#include "search/storage_devices.h"
#include "support/posix_only.h"
#include "support/temp_tree.h"

namespace pelimor {
namespace {

using Paths = std::vector<std::string>;

class FolderWalkerTest : public ::testing::Test {
 protected:
  // Sorted full paths of every file the walk recorded.
  Paths walk(const Paths& sources, const std::string& maskText, std::uint64_t minimumSize = 0,
             const Paths& excludedTrees = {}, const Paths& excludedFragments = {"Program Files"},
             unsigned threads = 1) {
    WalkRequest request{sources, buildMaskList(maskText), minimumSize, excludedTrees, excludedFragments, threads};
    request.disks = disks;
    CandidateStore store(threads);
    FolderWalker walker(request, store, progress, control);
    walker.run();
    skipped.clear();
    named.clear();
    for (const SkippedFile& folder : walker.skippedFolders()) skipped.push_back(folder.path);
    for (const SkippedFile& folder : walker.skippedFolders()) named += folder.path + ": " + folder.reason + "\n";
    Paths paths;
    for (const Candidate& file : store.files()) paths.push_back(store.pathOf(file));
    std::sort(paths.begin(), paths.end());
    return paths;
  }
  std::string p(const std::string& relative) const { return tree.path(relative); }

  testing::TempTree tree;
  Paths skipped;      // folders the last walk passed over with a word
  std::string named;  // the same, a line each with its reason
  SearchProgress progress;
  SearchControl control;
  StorageDevices* disks = nullptr;
};

// `folder` bound at `at` until the test ends; root only.
struct BindMount {
  BindMount(const std::string& folder, const std::string& at)
      : at(at), mounted(std::system(("mount --bind '" + folder + "' '" + at + "' 2>/dev/null").c_str()) == 0) {}
  ~BindMount() {
    if (mounted) std::system(("umount '" + at + "'").c_str());
  }
  std::string at;
  bool mounted;
};

TEST_F(FolderWalkerTest, MinimumSizeIsStrictlyExceeded) {
  tree.patternFile("exact", 102400, 1);
  tree.patternFile("above", 102401, 1);
  tree.file("empty", "");
  tree.file("one", "x");
  EXPECT_EQ(walk({tree.root()}, "*.*", 102400), Paths{p("above")});
  EXPECT_EQ(walk({tree.root()}, "*.*", 0), (Paths{p("above"), p("exact"), p("one")}));
}

// Small files whose size was met before are read as they are found; nothing else is.
TEST_F(FolderWalkerTest, SmallFilesSharingASizeAreReadAsTheyAreFound) {
  tree.patternFile("a", 3000, 1);
  tree.patternFile("sub/b", 3000, 1);
  tree.patternFile("sub/deeper/c", 3000, 2);
  tree.patternFile("own-size", 3001, 1);
  tree.patternFile("large1", 100 * 1024, 3);
  tree.patternFile("large2", 100 * 1024, 3);
  for (const std::uint64_t minimumSize : {std::uint64_t{0}, std::uint64_t{64 * 1024}}) {
    SCOPED_TRACE(minimumSize);
    progress.reset();
    CandidateStore store(2);
    const WalkRequest request{{tree.root()}, {"*"}, minimumSize, {}, {}, 2, 64 * 1024};
    FolderWalker(request, store, progress, control).run();
    std::vector<std::string> read;
    for (const Candidate& file : store.files()) {
      if (!file.contentRead) continue;
      read.push_back(store.pathOf(file));
      ContentHasher hasher;
      const std::string bytes = testing::TempTree::patternBytes(3000, read.back() == p("sub/deeper/c") ? 2 : 1);
      hasher.update(bytes.data(), bytes.size());
      EXPECT_EQ(file.content(), hasher.finish()) << read.back();
    }
    // Which of the three comes first depends on the walk's order; the other two are read.
    EXPECT_EQ(read.size(), minimumSize == 0 ? 2u : 0u);
    EXPECT_EQ(progress.bytesRead(), read.size() * 3000);
    EXPECT_EQ(progress.bytesToRead(), progress.bytesRead());
    EXPECT_EQ(store.files().size(), minimumSize == 0 ? 6u : 2u);
  }
}

TEST_F(FolderWalkerTest, SizesBeyondFourGigabytesAreKeptWhole) {
  const std::string big = tree.file("sparse", "");
  std::filesystem::resize_file(big, (4ull << 30) + 10);
  CandidateStore store;
  const WalkRequest request{{tree.root()}, {"*"}, 0, {}, {}};
  FolderWalker(request, store, progress, control).run();
  ASSERT_EQ(store.files().size(), 1u);
  EXPECT_EQ(store.files()[0].size, (4ull << 30) + 10);
}

TEST_F(FolderWalkerTest, EveryMaskInEverySourceFolderInOneWalk) {
  tree.file("x/1.a", "1");
  tree.file("x/2.B", "2");
  tree.file("x/3.c", "3");
  tree.file("y/deep/4.a", "4");
  tree.file("y/5.c", "5");
  EXPECT_EQ(walk({p("x"), p("y")}, "*.a; *.b"), (Paths{p("x/1.a"), p("x/2.B"), p("y/deep/4.a")}));
  EXPECT_EQ(walk({p("x")}, "*.a;*.a;*.*"), (Paths{p("x/1.a"), p("x/2.B"), p("x/3.c")}));
  EXPECT_EQ(walk({p("x")}, " ; "), Paths{});
  EXPECT_EQ(walk({p("x")}, ""), Paths{});
}

TEST_F(FolderWalkerTest, MaskWithSeparatorStartsInItsSubFolder) {
  tree.file("top.a", "1");
  tree.file("sub/in.a", "2");
  tree.file("sub/deeper/in2.a", "3");
  tree.file("other/out.a", "4");
  EXPECT_EQ(walk({tree.root()}, "sub/*.a"), (Paths{p("sub/deeper/in2.a"), p("sub/in.a")}));
}

TEST_F(FolderWalkerTest, HiddenFilesTakenHiddenFoldersNot) {
  tree.file(".hidden-file", "1");
  tree.file(".git/config", "2");
  tree.file("visible/.also-hidden/x", "3");
  tree.file("visible/y", "4");
  tree.symlink(p("visible"), ".dotlink");
  EXPECT_EQ(walk({tree.root()}, "*.*"), (Paths{p(".hidden-file"), p("visible/y")}));
  // A source folder that is itself hidden is still searched.
  EXPECT_EQ(walk({p(".git")}, "*"), Paths{p(".git/config")});
}

TEST_F(FolderWalkerTest, ASourceLeftOutByItsNameIsNamed) {
  tree.file("apps/Program Files/e/f", "5");
  tree.file("apps/ok", "6");
  EXPECT_EQ(walk({p("apps/Program Files/e"), p("apps")}, "*"), Paths{p("apps/ok")});
  EXPECT_EQ(skipped, Paths{p("apps/Program Files/e")});
}

TEST_F(FolderWalkerTest, ExcludedTreesByIdentityAndProgramFilesAnywhere) {
  PELIMOR_NEEDS_SYMLINKS();
  tree.file("sys/a", "1");
  tree.file("sys/deeper/b", "2");
  tree.file("system/c", "3");
  tree.file("apps/Program Files (x86)/d", "4");
  tree.file("apps/Program Files/e/f", "5");
  tree.file("apps/ok", "6");
  tree.symlink(p("sys"), "apps/to-sys");
  tree.symlink(p("sys/deeper"), "apps/into-sys");
  EXPECT_EQ(walk({tree.root()}, "*", 0, {p("sys")}), (Paths{p("apps/ok"), p("system/c")}));
  EXPECT_EQ(skipped, Paths{});
  // A source folder that is, or lies in, an excluded tree is passed over with a word, however it
  // is spelled or reached.
  for (const std::string& source : {p("sys/deeper"), tree.root() + "//sys", tree.root() + "/./sys/deeper/..",
                                    p("apps/to-sys"), p("apps/into-sys")}) {
    SCOPED_TRACE(source);
    EXPECT_EQ(walk({source, p("system")}, "*", 0, {p("apps/to-sys")}), Paths{p("system/c")});
    EXPECT_EQ(skipped, Paths{platform::normalizedFolder(source)});
  }
}

TEST_F(FolderWalkerTest, KernelFileSystemsAreNeverEntered) {
  PELIMOR_POSIX_ONLY("the kernel's file systems (/proc, /sys, /dev)");
  tree.file("data/a", "1");
  tree.symlink("/proc", "data/proc");
  tree.symlink("/sys/kernel", "data/kernel");
  tree.symlink("/dev", "data/dev");
  EXPECT_EQ(walk({tree.root()}, "*"), Paths{p("data/a")});
  EXPECT_EQ(walk({"//proc", "/sys/kernel/", p("data")}, "*"), Paths{p("data/a")});
  EXPECT_EQ(skipped, (Paths{"//proc", "/sys/kernel"}));
}

// Nothing recurses per folder level: a chain far deeper than any path the system takes is walked
// as deep as paths go, and the rest is reported.
TEST_F(FolderWalkerTest, AChainOfNestedFoldersDeeperThanAnyPath) {
  PELIMOR_POSIX_ONLY("folders made and removed through descriptors (mkdirat, openat)");
#ifndef _WIN32
  constexpr int kDepth = 200000;
  // Made on a memory file system where there is one: a disk's journal makes this take a minute.
  struct stat shm {};
  const testing::TempFolder base(stat("/dev/shm", &shm) == 0 && access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
  const std::string top = base.path() + "/d";
  int folder = open(base.path().c_str(), O_PATH | O_DIRECTORY);
  for (int level = 0; level < kDepth; ++level) {
    ASSERT_EQ(mkdirat(folder, "d", 0700), 0);
    const int child = openat(folder, "d", O_PATH | O_DIRECTORY);
    close(folder);
    folder = child;
  }
  const std::string file = top + "/d/d/d/d/d/f";
  testing::writeFile(file, "1");
  const Paths found = walk({base.path()}, "*");
  std::filesystem::remove(file);
  // Taken apart from the bottom up, through "..", as no path reaches the bottom.
  for (int level = 0; level < kDepth; ++level) {
    const int parent = openat(folder, "..", O_PATH | O_DIRECTORY);
    ASSERT_EQ(unlinkat(parent, "d", AT_REMOVEDIR), 0);
    close(folder);
    folder = parent;
  }
  close(folder);
  EXPECT_EQ(found, Paths{file});
  ASSERT_EQ(skipped.size(), 1u);
  EXPECT_GT(skipped[0].size(), platform::kLongestPath);
#endif
}

TEST_F(FolderWalkerTest, LinksToFilesAndSpecialFilesAreNoCandidates) {
  tree.file("real", "1");
  tree.symlink(p("real"), "link-to-file");
  tree.symlink(p("nowhere"), "dangling");
#ifndef _WIN32
  ASSERT_EQ(mkfifo(p("pipe").c_str(), 0600), 0);
#endif
  EXPECT_EQ(walk({tree.root()}, "*"), Paths{p("real")});
}

TEST_F(FolderWalkerTest, FolderLinksAreFollowedOnceAndLoopsEnd) {
  PELIMOR_NEEDS_SYMLINKS();
  tree.file("data/f", "1");
  tree.symlink(p("data"), "data/loop");
  tree.symlink(p("data"), "elsewhere/again");
  tree.symlink("..", "data/up");
  EXPECT_EQ(walk({tree.root()}, "*"), Paths{p("data/f")});
  // Reached only through a link, a file is listed under the link's path.
  EXPECT_EQ(walk({p("elsewhere")}, "*"), Paths{p("elsewhere/again/f")});
}

// A bind mount looks like any folder: one of another folder is walked, on a disk whose folders are
// opened later by path too (where the listing tells the inode of the folder covered); one of a
// folder walked already is walked once and named at its other place. Neither source nor link is.
TEST_F(FolderWalkerTest, BindMountsAreWalkedOrNamedWithTheFolderTheyRepeat) {
  PELIMOR_POSIX_ONLY("bind mounts");
  tree.file("src/inner/a", "1");
  tree.file("outside/b", "2");
  tree.symlink(p("src/inner"), "src/link");
  const BindMount ofOutside(p("outside"), tree.folder("src/of-outside")),
      ofInner(p("src/inner"), tree.folder("src/of-inner"));
  if (!ofOutside.mounted || !ofInner.mounted) GTEST_SKIP() << "bind mounts need root";
  platform::FileStatus root;
  ASSERT_FALSE(platform::statusOfPath(tree.root(), false, root));
  for (const Seeking seeking : {Seeking::No, Seeking::Yes}) {
    for (const Paths& sources : {Paths{p("src")}, Paths{p("src"), p("src/inner")}}) {
      for (const unsigned threads : {1u, 4u}) {
        SCOPED_TRACE(::testing::Message() << (seeking == Seeking::Yes ? "seeks" : "flash") << ", threads " << threads
                                          << ", sources " << sources.size());
        StorageDevices known;
        known.of(root.device).setSeeking(seeking);
        disks = &known;
        const Paths found = walk(sources, "*", 0, {}, {}, threads);
        // Either of the inner folder's two places may come first.
        const bool innerFirst = found.front() == p("src/inner/a");
        EXPECT_EQ(found, (Paths{innerFirst ? p("src/inner/a") : p("src/of-inner/a"), p("src/of-outside/b")}));
        const std::string walked = p(innerFirst ? "src/inner" : "src/of-inner");
        const std::string other = p(innerFirst ? "src/of-inner" : "src/inner");
        EXPECT_EQ(named,
                  sources.size() == 1 ? other + ": it is the same folder as " + walked + ", searched there\n" : "");
      }
    }
  }
}

TEST_F(FolderWalkerTest, RepeatedAndNestedSourceFoldersAreWalkedOnce) {
  tree.file("top/a", "1");
  tree.file("top/inner/b", "2");
  const Paths expected{p("top/a"), p("top/inner/b")};
  EXPECT_EQ(walk({p("top"), p("top"), p("top/inner"), p("top/")}, "*"), expected);
  EXPECT_EQ(walk({p("top/inner"), p("top")}, "*"), expected);
}

TEST_F(FolderWalkerTest, MissingSourcesAndFilesAsSourcesAreSkipped) {
  tree.file("f", "1");
  EXPECT_EQ(walk({p("missing"), p("f"), ""}, "*"), Paths{});
}

// Root opens every folder, so the walk runs as an ordinary user.
TEST_F(FolderWalkerTest, FoldersClosedToTheUserAreNamedWithTheReason) {
  PELIMOR_POSIX_ONLY("permission bits and other users");
  namespace fs = std::filesystem;
  for (const char* file : {"open/a", "open/closed/b", "open/names-only/c"}) tree.file(file, "1");
  testing::openToEveryone(tree.root());
  fs::permissions(p("open/closed"), fs::perms::none);
  fs::permissions(p("open/names-only"), fs::perms::owner_read | fs::perms::others_read);  // listed, not looked into
  const std::string answer = testing::runUnprivileged([&] {
    const bool foundTheOpenFile = walk({tree.root()}, "*", 0, {}, {}, 2) == Paths{p("open/a")};
    return (foundTheOpenFile ? "found open/a\n" : "found other files\n") + named;
  });
  for (const char* folder : {"open/closed", "open/names-only"}) testing::openToEveryone(p(folder));
  if (answer.starts_with('!')) GTEST_SKIP() << "could not walk as an ordinary user: " << answer.substr(1);
  const std::string denied = ": " + platform::systemErrorText(EACCES) + "\n";
  EXPECT_EQ(answer, "found open/a\n" + p("open/closed") + denied + p("open/names-only") + denied);
}

TEST_F(FolderWalkerTest, CancelledWalkFindsNothingMore) {
  tree.file("a", "1");
  control.cancel();
  EXPECT_EQ(walk({tree.root()}, "*"), Paths{});
}

TEST_F(FolderWalkerTest, ProgressCountsFilesAndCandidates) {
  tree.file("a.txt", "1");
  tree.file("b.txt", "2");
  tree.file("c.bin", "3");
  walk({tree.root()}, "*.txt");
  EXPECT_EQ(progress.filesSeen(), 3u);
  EXPECT_EQ(progress.candidates(), 2u);
  EXPECT_EQ(progress.currentFolder(), tree.root());
}

TEST_F(FolderWalkerTest, SeveralThreadsFindTheSameFiles) {
  for (int i = 0; i < 300; ++i)
    tree.file("a" + std::to_string(i % 7) + "/b" + std::to_string(i % 11) + "/c" + std::to_string(i % 3) + "/f" +
                  std::to_string(i),
              "x");
  tree.symlink(p("a1"), "a2/link");
  tree.symlink(p("a3/b1"), "a4/b2/link");
  const Paths single = walk({tree.root()}, "*");
  EXPECT_EQ(single.size(), 300u);
  for (unsigned threads : {2u, 3u, 8u}) EXPECT_EQ(walk({tree.root()}, "*", 0, {}, {}, threads), single) << threads;
  EXPECT_EQ(walk({p("a2")}, "*", 0, {}, {}, 4).size(), walk({p("a2")}, "*").size());
}

TEST(WalkPlan, SourcesAndMasksShareWalksByStartFolder) {
  const auto starts = planWalks({"/a", "/b/"}, {"*.x", "sub/*.y", "*.z"});
  ASSERT_EQ(starts.size(), 4u);
  EXPECT_EQ(starts[0].folder, "/a");
  EXPECT_EQ(starts[0].nameMasks, (std::vector<std::string>{"*.x", "*.z"}));
  EXPECT_EQ(starts[1].folder, "/b");
  EXPECT_EQ(starts[0].maskSet, starts[1].maskSet);
  EXPECT_EQ(starts[2].folder, "/a/sub");
  EXPECT_EQ(starts[2].nameMasks, std::vector<std::string>{"*.y"});
  EXPECT_NE(starts[2].maskSet, starts[0].maskSet);
  EXPECT_EQ(planWalks({"/"}, {"*.x"})[0].folder, "/");
}

}  // namespace
}  // namespace pelimor
