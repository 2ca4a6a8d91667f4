// pelimor-find as a user runs it: the real binary on real trees.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <tuple>
#include <vector>

#include "cli/saved_search.h"
#include "pelimor_version.h"
#include "results/action_journal.h"
#include "support/reference_crc32.h"
#include "support/temp_tree.h"
#include "support/test_files.h"
#include "support/unprivileged.h"

namespace pelimor {
namespace {

struct FindRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// `cacheHome`: where the run keeps its checksum cache and its journal; by default a folder of its own.
FindRun runFind(const std::string& arguments, const std::string& cacheHome = "") {
  testing::TempTree scratch;
  const std::string errFile = scratch.path("stderr");
  // A cache and a journal of its own, so that no run sees another's, nor the user's.
  const std::string home = cacheHome.empty() ? scratch.root() : cacheHome;
  const std::string command = "XDG_CACHE_HOME='" + home + "' XDG_DATA_HOME='" + home + "' " +
                              std::string(PELIMOR_FIND_BINARY) + " " + arguments + " 2>" + errFile;
  FindRun run;
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[65536];
  for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, got);
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream err(errFile);
  run.err.assign(std::istreambuf_iterator<char>(err), {});
  return run;
}

std::string quoted(const std::string& text) { return "'" + text + "'"; }

// Output lines without their order, which follows the groups' checksums.
std::set<std::string> linesOf(const std::string& text) {
  std::set<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.insert(line);
  return lines;
}

TEST(PelimorFind, BadInputIsOneLineAndExitCodeTwo) {
  for (const char* arguments : {"--bogus",
                                "--min-kb -1",
                                "--min-kb x",
                                "--min-kb",
                                "--type pictures",
                                "--threads 0",
                                "--threads many",
                                "--delete /tmp",
                                "--select-in /tmp /tmp",
                                "--dry-run /tmp",
                                "--select-in /tmp --delete --move /tmp",
                                "--load /nonexistent --select-in /tmp --delete",
                                "--load /etc/hostname --select-in /tmp --delete",
                                "--load /etc/hostname --select-in /tmp --delete /tmp",
                                "--undo --list-actions",
                                "--undo-action 0",
                                "--undo /tmp",
                                "--keep-folders --select-in /tmp --delete /tmp",
                                "--ignore-names /tmp",
                                "--folders --keep newest --delete /tmp",
                                "--folders --unique-in /tmp /tmp",
                                "--merge",
                                "--merge --min-kb 1 /etc/hostname",
                                "--need-dir /tmp /tmp",
                                "--digests-for /etc/hostname /tmp",
                                "--catalog /tmp/x.catalog --folders /tmp",
                                "--merge /etc/hostname",
                                "--similarity 2 /tmp",
                                "--similar-pictures --similarity 5 /tmp",
                                "--similar-pictures --folders /tmp",
                                "--similar-pictures --unique-in /tmp /tmp",
                                "--similar-pictures --select-in /tmp --link /tmp",
                                "--similar-pictures --select-in /tmp --clone /tmp"}) {
    const FindRun run = runFind(arguments);
    EXPECT_EQ(run.exitCode, 2) << arguments;
    EXPECT_TRUE(run.out.empty()) << arguments;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << arguments << ": " << run.err;
  }
}

TEST(PelimorFind, HelpDocumentsTheOptions) {
  const FindRun run = runFind("--help");
  EXPECT_EQ(run.exitCode, 0);
  for (const char* option : {"--type", "--mask", "--min-kb", "--json", "--no-cache"})
    EXPECT_NE(run.out.find(option), std::string::npos);
  // The shell completion offers every option the help names.
  std::ifstream file(PELIMOR_SOURCE_DIR "/resources/completion/pelimor-find.bash");
  const std::string completion(std::istreambuf_iterator<char>(file), {});
  const std::regex option("--[a-z][a-z-]*");
  for (auto found = std::sregex_iterator(run.out.begin(), run.out.end(), option); found != std::sregex_iterator();
       ++found)
    EXPECT_NE(completion.find(found->str()), std::string::npos) << found->str();
}

TEST(PelimorFind, VersionIsTheBuildsOwn) {
  const FindRun run = runFind("--version");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, std::string("pelimor-find ") + kVersion + "\n");
  EXPECT_EQ(runFind("--bogus --version").exitCode, 2);
}

TEST(PelimorFind, AChecksumCacheNotUsedIsAWarning) {
  testing::TempTree tree, cache;
  tree.file("a/x", "same");
  tree.file("b/x", "same");
  const std::string damaged = cache.file("Pelimor/Checksums.cache", "not a cache");
  const FindRun run = runFind("--min-kb 0 " + quoted(tree.root()), cache.root());
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.err.find("pelimor-find: warning: the checksum cache " + damaged + " was not used"), std::string::npos)
      << run.err;
}

// Exit status 3 only when no given folder could be searched; each folder passed over is named.
TEST(PelimorFind, FoldersNotSearchedAreNamedAndNoneSearchedIsExitThree) {
  testing::TempTree tree;
  tree.file("file", "x");
  const struct {
    std::string arguments;
    int exitCode;
    std::vector<std::string> named;
  } cases[] = {
      {quoted(tree.path("missing")) + " " + quoted(tree.path("file")), 3, {"missing", "file"}},
      {"//proc /./sys", 3, {"//proc", "/./sys"}},
      {"/proc " + quoted(tree.root()), 0, {"/proc"}},
  };
  for (const auto& c : cases) {
    const FindRun run = runFind("--min-kb 0 " + c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments;
    for (const std::string& name : c.named)
      EXPECT_NE(run.err.find(name), std::string::npos) << c.arguments << ": " << run.err;
  }
}

// Three copies of x (two in a, one in b) and two of y: what each selection picks, as the window's
// Select would, never the last unselected file of a group.
TEST(PelimorFind, SelectionByFolderAndByTree) {
  testing::TempTree tree;
  for (const char* path : {"a/x", "a/sub/x", "b/x"}) tree.file(path, "xx");
  for (const char* path : {"a/y", "b/y"}) tree.file(path, "yyy");
  const std::string a = quoted(tree.path("a")), b = quoted(tree.path("b"));
  const struct {
    std::string selection;
    std::vector<std::string> selected;
  } cases[] = {
      {"--select-in " + a, {"a/x", "a/y"}},
      {"--select-in-tree " + a, {"a/sub/x", "a/x", "a/y"}},
      {"--select-in " + b + " --select-in-tree " + a, {"a/sub/x", "b/x", "b/y"}},
      {"--select-in-tree " + quoted(tree.root()), {"a/sub/x", "a/x", "a/y"}},
      // Equal lengths keep the path that sorts first.
      {"--keep shortest-path", {"a/sub/x", "b/x", "b/y"}},
      {"--keep longest-path", {"a/x", "b/x", "b/y"}},
      {"--select-matching '**/b/*'", {"b/x", "b/y"}},
      // It would take the last copy of x: that group stays as it was.
      {"--select-in " + a + " --select-matching '**/x'", {"a/x", "a/y"}},
  };
  for (const auto& c : cases) {
    const FindRun run = runFind("--min-kb 0 --delete --dry-run " + c.selection + " " + quoted(tree.root()));
    std::set<std::string> expected;
    for (const std::string& path : c.selected) expected.insert("would delete " + tree.path(path));
    EXPECT_EQ(linesOf(run.out), expected) << c.selection;
    EXPECT_EQ(run.exitCode, 0);
  }
  EXPECT_EQ(tree.file("a/x", "xx"), tree.path("a/x"));  // nothing was touched
  EXPECT_TRUE(std::filesystem::exists(tree.path("a/sub/x")));
}

// Twin folders are printed a line each; a selection chooses among them, and the files below the
// chosen ones go, never the last copy of one; the folders they leave empty go too.
TEST(PelimorFind, TwinFoldersAreListedAndActedOn) {
  testing::TempTree tree;
  for (const char* twin : {"photos/2020", "backup/2020", "old/copy"}) {
    tree.file(std::string(twin) + "/a.jpg", "aaaa");
    tree.file(std::string(twin) + "/day/b.jpg", "bb");
  }
  tree.file("photos/notes.txt", "only here");
  const std::string root = quoted(tree.root());
  const std::string lines = "1\t6\t2\t" + tree.path("backup/2020") + "\n1\t6\t2\t" + tree.path("old/copy") +
                            "\n1\t6\t2\t" + tree.path("photos/2020") + "\n";
  EXPECT_EQ(runFind("--folders " + root).out, lines);
  const struct {
    std::string selection;
    std::vector<std::string> deleted;
  } cases[] = {
      {"--select-in " + quoted(tree.path("backup")), {"backup/2020/a.jpg", "backup/2020/day/b.jpg"}},
      {"--select-in-tree " + root + " --select-matching '**/photos/*'",
       {"backup/2020/a.jpg", "backup/2020/day/b.jpg", "old/copy/a.jpg", "old/copy/day/b.jpg"}},
      // One source: the path that sorts first is kept.
      {"--keep first-source", {"old/copy/a.jpg", "old/copy/day/b.jpg", "photos/2020/a.jpg", "photos/2020/day/b.jpg"}},
  };
  for (const auto& c : cases) {
    std::set<std::string> expected;
    for (const std::string& path : c.deleted) expected.insert("would delete " + tree.path(path));
    EXPECT_EQ(linesOf(runFind("--folders --delete --dry-run " + c.selection + " " + root).out), expected)
        << c.selection;
  }
  const FindRun run =
      runFind("--folders --select-in " + quoted(tree.path("old")) + " --delete --remove-empty-folders " + root);
  EXPECT_EQ(linesOf(run.out),
            (std::set<std::string>{
                "deleted " + tree.path("old/copy/a.jpg"), "deleted " + tree.path("old/copy/day/b.jpg"),
                "removed empty folder " + tree.path("old/copy/day"), "removed empty folder " + tree.path("old/copy"),
                "removed empty folder " + tree.path("old")}));
  EXPECT_EQ(runFind("--folders " + root).out,
            "1\t6\t2\t" + tree.path("backup/2020") + "\n1\t6\t2\t" + tree.path("photos/2020") + "\n");
}

// The rules choose among twin folders as among files, whichever order the sources come in, and
// each group keeps one twin whole: photos and backups are twins, with a group of three inside,
// photos/trip, backups/trip and old/trip (taking backups/trip would take from backups too).
TEST(PelimorFind, TwinFoldersAreChosenAsFilesAre) {
  testing::TempTree tree;
  const auto in = [&](const std::string& folder) { return quoted(tree.path(folder)); };
  for (const std::string twin : {"photos", "backups"}) tree.file(twin + "/a.jpg", "aaaa");
  for (const std::string twin : {"photos", "backups", "old"}) tree.file(twin + "/trip/t.jpg", "tt");
  const std::string orders[] = {in("photos") + " " + in("backups") + " " + in("old"),
                                in("old") + " " + in("backups") + " " + in("photos")};
  const struct {
    std::string selection;
    std::set<std::string> deleted[2];  // with the sources in each order; the second as the first when empty
  } cases[] = {
      {"--keep first-source",
       {{"backups/a.jpg", "backups/trip/t.jpg", "old/trip/t.jpg"}, {"photos/a.jpg", "photos/trip/t.jpg"}}},
      {"--keep shortest-path", {{"backups/a.jpg", "backups/trip/t.jpg"}}},
      {"--keep longest-path", {{"photos/a.jpg", "photos/trip/t.jpg", "old/trip/t.jpg"}}},
      {"--select-in-tree " + in("backups"), {{"backups/a.jpg", "backups/trip/t.jpg"}}},
      {"--select-in-tree " + in("photos/trip"), {{"photos/trip/t.jpg"}}},
      {"--select-in " + quoted(tree.root()), {{"backups/a.jpg", "backups/trip/t.jpg"}}},
      {"--select-in " + in("old"), {{"old/trip/t.jpg"}}},
      {"--select-in-tree " + in("old") + " --select-in-tree " + in("photos") + " --select-in-tree " + in("backups"),
       {{"photos/a.jpg", "photos/trip/t.jpg", "old/trip/t.jpg"}}},
  };
  for (const auto& c : cases) {
    for (const int order : {0, 1}) {
      std::set<std::string> expected;
      for (const std::string& path : c.deleted[c.deleted[1].empty() ? 0 : order])
        expected.insert("would delete " + tree.path(path));
      EXPECT_EQ(linesOf(runFind("--folders --delete --dry-run " + c.selection + " " + orders[order]).out), expected)
          << c.selection << " in order " << order;
    }
  }
}

// A reference folder is searched but never acted on, here or from a saved search; exclusions are
// never listed; --unique-in lists what has no copy.
TEST(PelimorFind, ReferenceFoldersExclusionsAndFilesWithNoCopy) {
  testing::TempTree tree;
  for (const char* path : {"keep/x", "ref/x", "other/x", "node_modules/x", "ref/only/y", "other/y"})
    tree.file(path, "xx");
  tree.file("other/z", "zz!");
  tree.file("keep/empty", "");
  const std::string root = quoted(tree.root()), ref = quoted(tree.path("ref"));
  const FindRun run = runFind("--min-kb 0 --reference " + ref +
                              " --exclude node_modules --delete --dry-run --select-in-tree " + root + " " + root);
  EXPECT_EQ(linesOf(run.out),
            (std::set<std::string>{"would delete " + tree.path("keep/x"), "would delete " + tree.path("other/x"),
                                   "would delete " + tree.path("other/y")}));
  const std::string saved = tree.path("saved.json");
  std::ofstream(saved) << runFind("--json --min-kb 0 --reference " + ref + " " + root).out;
  // The saved search keeps the mark: nothing in the reference folder can be selected.
  const FindRun load = runFind("--load " + quoted(saved) + " --select-in " + ref + " --delete");
  EXPECT_EQ(load.exitCode, 0);
  EXPECT_EQ(load.out, "");
  EXPECT_TRUE(std::filesystem::exists(tree.path("ref/x")));
  // other/x and other/y have copies; "zz!" has none, nor has the one empty file.
  EXPECT_EQ(runFind("--unique-in " + quoted(tree.path("other")) + " " + root).out, tree.path("other/z") + "\n");
  EXPECT_EQ(runFind("--unique-in " + quoted(tree.path("keep")) + " --exclude node_modules " + root).out,
            tree.path("keep/empty") + "\n");
}

// A saved search is acted on later: whatever changed since is refused, nothing else is.
TEST(PelimorFind, ActionsOnASavedSearchRefuseWhatChanged) {
  testing::TempTree tree;
  for (const std::string path : {"keep/a", "keep/b", "keep/c", "spare/a", "spare/b", "spare/c"})
    tree.file(path, std::string(50, path.back()));
  const std::string saved = tree.path("saved.json");
  std::ofstream(saved)
      << runFind("--json --min-kb 0 " + quoted(tree.path("keep")) + " " + quoted(tree.path("spare"))).out;
  tree.file("keep/b", std::string(50, 'B'));   // the kept copy of b, edited
  tree.file("spare/c", std::string(50, 'C'));  // the selected copy of c, edited
  const FindRun run = runFind("--load " + quoted(saved) + " --select-in " + quoted(tree.path("spare")) + " --delete");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(linesOf(run.out),
            (std::set<std::string>{"deleted " + tree.path("spare/a"),
                                   "refused " + tree.path("spare/b") + ": no unselected copy of it is left on disk",
                                   "refused " + tree.path("spare/c") + ": it has changed since the search"}));
  EXPECT_NE(run.err.find("1 file deleted, 2 refused, 50 bytes freed"), std::string::npos) << run.err;
  EXPECT_TRUE(std::filesystem::exists(tree.path("spare/b")));

  // The same names, made anew in the same folder: every file is another file.
  for (const std::string path : {"keep/a", "keep/b", "keep/c"}) {
    std::filesystem::remove(tree.path(path));
    tree.file(path, std::string(50, path.back()));
  }
  const FindRun other = runFind("--load " + quoted(saved) + " --select-in " + quoted(tree.path("keep")) + " --move");
  EXPECT_EQ(other.exitCode, 1);
  EXPECT_EQ(std::count(other.out.begin(), other.out.end(), '\n'), 3);
  EXPECT_EQ(other.out.find("moved"), std::string::npos);
}

// A file deleted before the action came to it is named as such, and frees nothing.
TEST(PelimorFind, AFileAlreadyGoneIsNotCountedAsDeleted) {
  testing::TempTree tree;
  for (const std::string path : {"keep/x", "spare/x", "keep/y", "spare/y"})
    tree.file(path, std::string(10, path.back()));
  const std::string saved = tree.path("saved.json");
  std::ofstream(saved)
      << runFind("--json --min-kb 0 " + quoted(tree.path("keep")) + " " + quoted(tree.path("spare"))).out;
  std::filesystem::remove(tree.path("spare/x"));
  const FindRun run = runFind("--load " + quoted(saved) + " --select-in " + quoted(tree.path("spare")) + " --delete");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(linesOf(run.out),
            (std::set<std::string>{"already gone " + tree.path("spare/x"), "deleted " + tree.path("spare/y")}));
  EXPECT_NE(run.err.find("1 file deleted, 0 refused, 10 bytes freed"), std::string::npos) << run.err;
}

// A saved search is anybody's to edit: two different files put in one group, each still the very file
// the search saw, must not cost the unique one, whichever file's checksums the group was given.
TEST(PelimorFind, ASavedGroupOfDifferentFilesLosesNoFile) {
  testing::TempTree tree;
  const std::string unique = tree.file("a/f", "unique bytes"), kept = tree.file("b/f", "other! bytes");
  for (const std::string& checksumsOf : {unique, kept}) {
    std::vector<ResultRow> rows{testing::rowFor(unique, 1), testing::rowFor(kept, 1)};
    const ContentDigest claimed = testing::rowFor(checksumsOf, 1).digest();
    for (ResultRow& row : rows)
      std::tie(row.crc32, row.strongHigh, row.strongLow) =
          std::tie(claimed.crc32, claimed.strongHigh, claimed.strongLow);
    const std::string saved = tree.path("saved.json");
    std::ofstream(saved) << savedSearchText(rows, {});
    const FindRun run = runFind("--load " + quoted(saved) + " --select-in " + quoted(tree.path("a")) + " --delete");
    EXPECT_NE(run.exitCode, 0) << run.out;
    EXPECT_EQ(run.out.find("deleted"), std::string::npos) << run.out;
    EXPECT_TRUE(std::filesystem::exists(unique)) << "checksums of " << checksumsOf;
  }
}

// What can't be read safely, or can't be trusted, stops the run before anything is touched.
TEST(PelimorFind, UntrustworthyInputIsRefusedWithExitCodeTwo) {
  testing::TempTree tree;
  tree.file("a/x", "same");
  tree.file("b/x", "same");
  const std::string fifo = tree.path("fifo"), current = tree.path("current.json"), old = tree.path("old.json");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string huge = tree.path("huge.json");  // sparse: no gigabyte written
  std::ofstream(huge).close();
  std::filesystem::resize_file(huge, (std::uintmax_t{1} << 30) + 1);
  const std::string text = runFind("--json --min-kb 0 " + quoted(tree.path("a")) + " " + quoted(tree.path("b"))).out;
  std::ofstream(current) << text;
  std::ofstream(old) << std::regex_replace(text, std::regex("\"strong\": \"[0-9a-f]+\", "), "");
  const std::string a = " --select-in " + quoted(tree.path("a"));
  const struct {
    std::string arguments;
    std::vector<std::string> named;
  } cases[] = {
      {"--load /dev/zero" + a, {"/dev/zero", "not a regular file"}},
      {"--load " + quoted(fifo) + a, {fifo, "not a regular file"}},
      {"--load " + quoted(old) + a, {old, "search again"}},
      {"--load " + quoted(huge) + a, {huge, "larger than 1 GiB"}},
      {"--load " + quoted(current) + " --select-in " + quoted(tree.path("missing")), {tree.path("missing")}},
      {"--load " + quoted(current) + " --select-in-tree " + quoted(tree.path("a/x")), {"a/x: not a folder"}},
      {"--min-kb 0 --select-in " + quoted(tree.path("missing")) + " " + quoted(tree.root()), {"missing"}},
  };
  for (const auto& c : cases) {
    const FindRun run = runFind(c.arguments + " --delete");
    EXPECT_EQ(run.exitCode, 2) << c.arguments;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << c.arguments << ": " << run.err;
    for (const std::string& name : c.named) EXPECT_NE(run.err.find(name), std::string::npos) << run.err;
  }
  EXPECT_TRUE(std::filesystem::exists(tree.path("a/x")));
}

// "." from inside a folder, a link to it, or a search that went through a link: the same folder.
TEST(PelimorFind, FoldersAreSelectedByIdentityWhateverPathNamesThem) {
  testing::TempTree tree;
  for (const char* path : {"root/a/x", "root/a/sub/x", "root/b/x"}) tree.file(path, "xx");
  tree.symlink(tree.path("root/a"), "toA");
  tree.symlink(tree.path("root"), "toRoot");
  const std::string a = tree.path("root/a"), root = tree.path("root"), viaLink = tree.path("toRoot");
  const std::filesystem::path startedIn = std::filesystem::current_path();
  std::filesystem::current_path(a);
  for (const std::string option : {"--select-in ", "--select-in-tree "}) {
    const auto selectedIn = [&](const std::string& folder, const std::string& searched) {
      return runFind("--min-kb 0 --delete --dry-run " + option + quoted(folder) + " " + quoted(searched)).out;
    };
    const std::string plain = selectedIn(a, root);
    EXPECT_NE(plain, "") << option;
    for (const std::string& spelling : {std::string("."), tree.path("toA"), a + "/", a + "/sub/.."})
      EXPECT_EQ(selectedIn(spelling, root), plain) << option << spelling;
    std::string throughLink = selectedIn(a, viaLink);
    for (std::size_t at; (at = throughLink.find(viaLink)) != std::string::npos;)
      throughLink.replace(at, viaLink.size(), root);
    EXPECT_EQ(throughLink, plain) << option;
  }
  std::filesystem::current_path(startedIn);
}

// A folder the user may not write keeps its file, and no temporary name stays behind in it.
TEST(PelimorFind, LinkReplacesTheSelectedFilesWithTheKeptOne) {
  testing::TempTree tree;
  // Owned by the user who links them: the system refuses hard links to other people's files.
  constexpr uid_t kNobody = 65534;
  for (const char* path : {"kept/f", "spare/f", "locked/f"})
    chown(tree.file(path, "the same bytes").c_str(), kNobody, kNobody);
  testing::openToEveryone(tree.root());
  for (const char* folder : {"kept", "spare"}) testing::openToEveryone(tree.path(folder));
  chmod(tree.path("locked").c_str(), 0555);
  const std::string command = std::string(PELIMOR_FIND_BINARY) + " --min-kb 0 --no-journal --link --select-in " +
                              quoted(tree.path("spare")) + " --select-in " + quoted(tree.path("locked")) + " " +
                              quoted(tree.root()) + " 2>/dev/null";
  const std::string answer = testing::runUnprivileged([&] {
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    std::string out(buffer, fread(buffer, 1, sizeof buffer, pipe));
    return std::to_string(WEXITSTATUS(pclose(pipe))) + "\n" + out;
  });
  chmod(tree.path("locked").c_str(), 0755);
  EXPECT_EQ(linesOf(answer),
            (std::set<std::string>{
                "1", "linked " + tree.path("spare/f") + " -> " + tree.path("kept/f"),
                "refused " + tree.path("locked/f") + ": no hard link can be made beside it: Permission denied"}));
  EXPECT_EQ(std::filesystem::directory_iterator(tree.path("locked"))->path().filename(), "f");
}

TEST(PelimorFind, TrashRemovesTheFoldersItEmptiedAndUndoPutsBack) {
  testing::TempTree tree, home;
  tree.file("keep/f", "the same bytes");
  tree.file("spare/deep/f", "the same bytes");
  const std::string trash = "--min-kb 0 --trash --remove-empty-folders --select-in-tree " + quoted(tree.path("spare")) +
                            " " + quoted(tree.root());
  const FindRun trashed = runFind(trash, home.root());
  EXPECT_EQ(trashed.exitCode, 0) << trashed.err;
  EXPECT_EQ(linesOf(trashed.out),
            (std::set<std::string>{"trashed " + tree.path("spare/deep/f") + " -> " + home.path("Trash/files/f"),
                                   "removed empty folder " + tree.path("spare/deep"),
                                   "removed empty folder " + tree.path("spare")}));
  const FindRun listed = runFind("--list-actions", home.root());
  EXPECT_NE(listed.out.find("1  "), std::string::npos);
  EXPECT_NE(listed.out.find("  trash  1 file, 14 bytes\n"), std::string::npos) << listed.out;
  const FindRun undone = runFind("--undo", home.root());
  EXPECT_EQ(undone.exitCode, 0) << undone.err;
  EXPECT_EQ(undone.out, "put back " + tree.path("spare/deep/f") + "\n");
  EXPECT_TRUE(std::filesystem::exists(tree.path("spare/deep/f")));
  EXPECT_EQ(runFind("--undo-action 1", home.root()).err, "pelimor-find: Every file of action 1 is back already.\n");
}

// A reason names its paths as the start of its line does: no name splits a line or sends the
// terminal a sequence, whether the trash can't be made or a file is gone from it before Undo.
TEST(PelimorFind, ReasonsEscapeThePathsTheyName) {
  const std::string odd = "odd\x1B[31m\nname", escaped = "odd\\x1B[31m\\nname";
  testing::TempTree tree;
  tree.file("keep/f", "the same bytes");
  tree.file("spare/" + odd, "the same bytes");
  const std::string home = tree.folder("home" + odd), shownHome = tree.path("home" + escaped);
  const std::string trash = "--min-kb 0 --trash --select-in-tree " + quoted(tree.path("spare")) + " " +
                            quoted(tree.path("keep")) + " " + quoted(tree.path("spare"));
  testing::writeFile(home + "/Trash", "");  // a file where the trash would be made
  const FindRun refused = runFind(trash, home);
  std::filesystem::remove(home + "/Trash");
  runFind(trash, home);
  std::filesystem::remove(home + "/Trash/files/" + odd);
  const FindRun undone = runFind("--undo", home);
  const std::string file = tree.path("spare/" + escaped);
  EXPECT_NE(refused.out.find("refused " + file + ": the trash " + shownHome + "/Trash "), std::string::npos)
      << refused.out;
  EXPECT_EQ(undone.out,
            "not put back " + file + ": it is no longer at " + shownHome + "/Trash/files/" + escaped + "\n");
  for (const std::string& text : {refused.out, refused.err, undone.out, undone.err})
    EXPECT_EQ(std::count_if(text.begin(), text.end(), [](char c) { return c != '\n' && (c & 0xE0) == 0; }), 0) << text;
}

TEST(PelimorFind, AJournalThatIsNoPlainFileStopsEveryUseWithExitThree) {
  const std::map<std::string, std::function<void(const std::string&)>> journals = {
      {"folder", [](const std::string& path) { std::filesystem::create_directories(path); }},
      {"pipe", [](const std::string& path) { mkfifo(path.c_str(), 0600); }},
      {"link", [](const std::string& path) { std::filesystem::create_symlink(path + ".real", path); }},
  };
  for (const auto& [kind, make] : journals) {
    testing::TempTree tree, home;
    tree.file("keep/f", "the same bytes");
    tree.file("spare/f", "the same bytes");
    std::filesystem::create_directories(home.path("Pelimor"));
    make(home.path("Pelimor/Actions.log"));
    const std::string trash =
        "--min-kb 0 --trash --select-in " + quoted(tree.path("spare")) + " " + quoted(tree.root());
    for (const std::string& arguments :
         {std::string("--list-actions"), std::string("--undo"), std::string("--undo-action 1"), trash}) {
      const FindRun run = runFind(arguments, home.root());
      EXPECT_EQ(run.exitCode, 3) << kind << " " << arguments;
      EXPECT_EQ(run.out, "") << kind << " " << arguments;
      EXPECT_EQ(run.err.rfind("pelimor-find: The action journal " + home.path("Pelimor/Actions.log") + " is ", 0), 0u)
          << kind << " " << arguments << ": " << run.err;
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    EXPECT_TRUE(std::filesystem::exists(tree.path("spare/f"))) << kind;
    // Told to, the action goes without a record.
    const FindRun unrecorded = runFind("--no-journal " + trash, home.root());
    EXPECT_EQ(unrecorded.exitCode, 0) << kind << ": " << unrecorded.err;
    EXPECT_FALSE(std::filesystem::exists(tree.path("spare/f"))) << kind;
  }
  // One the user may not read, in the user's own folder (root reads everything).
  testing::TempTree home;
  testing::openToEveryone(home.root());
  chmod(home.file("Pelimor/Actions.log", "").c_str(), 0600);
  ASSERT_EQ(chown(home.path("Pelimor").c_str(), 65534, 65534), 0);
  EXPECT_EQ(
      testing::runUnprivileged([&] {
        const FindRun run = runFind("--list-actions", home.root());
        return std::to_string(run.exitCode) + " " + run.err;
      }),
      "3 pelimor-find: The action journal " + home.path("Pelimor/Actions.log") + " can't be used: Permission denied\n");
}

TEST(PelimorFind, AnActionStartedWhileAnotherRunsTakesANumberOfItsOwn) {
  testing::TempTree tree, home;
  tree.file("keep/f", "the same bytes");
  tree.file("spare/f", "the same bytes");
  // Another process's Trash has taken its number and not yet written a file.
  const std::string oldData = testing::setEnvironment("XDG_DATA_HOME", home.root());
  ActionJournal running(defaultJournalPath());
  testing::setEnvironment("XDG_DATA_HOME", oldData);
  ASSERT_FALSE(running.begin(JournalKind::Trash));
  const FindRun trashed =
      runFind("--min-kb 0 --trash --select-in " + quoted(tree.path("spare")) + " " + quoted(tree.root()), home.root());
  EXPECT_NE(trashed.err.find("this was action 2;"), std::string::npos) << trashed.err;
  JournalRecord other;
  other.oldPath = "/elsewhere/f";
  other.newPath = home.path("Trash/files/elsewhere");
  running.record(other);
  const FindRun listed = runFind("--list-actions", home.root());
  EXPECT_NE(listed.out.find("1  "), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("\n2  "), std::string::npos) << listed.out;
  EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 2) << listed.out;
  const FindRun undone = runFind("--undo-action 2", home.root());
  EXPECT_EQ(undone.exitCode, 0) << undone.err;
  EXPECT_EQ(undone.out, "put back " + tree.path("spare/f") + "\n");
}

TEST(PelimorFind, NoCacheNeitherReadsNorWritesTheCache) {
  testing::TempTree tree, cacheHome;
  tree.file("a", "same");
  tree.file("b", "same");
  const FindRun uncached = runFind("--min-kb 0 --no-cache " + quoted(tree.root()), cacheHome.root());
  EXPECT_FALSE(std::filesystem::exists(cacheHome.path("Pelimor")));
  // A damaged cache would draw a warning, were it read.
  cacheHome.file("Pelimor/Checksums.cache", "not a cache");
  const FindRun again = runFind("--min-kb 0 --no-cache " + quoted(tree.root()), cacheHome.root());
  EXPECT_EQ(again.err, "");
  EXPECT_EQ(again.out, uncached.out);
  const FindRun cached = runFind("--min-kb 0 " + quoted(tree.root()), cacheHome.root());
  EXPECT_NE(cached.err.find("not used"), std::string::npos) << cached.err;
  EXPECT_EQ(cached.out, uncached.out);
}

TEST(PelimorFind, PrintsGroupsOneLinePerFileWithABlankLineBetween) {
  testing::TempTree tree;
  tree.file("a/check.txt", "123456789");
  tree.file("b/check.txt", "123456789");
  tree.file("a/two.bin", "abc");
  tree.file("c/two.bin", "abc");
  tree.file("c/lone.bin", "xyz!");
  const FindRun run = runFind("--min-kb 0 " + quoted(tree.root()) + " " + quoted(tree.path("missing")));
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "1\t3\t352441C2\t" + tree.path("a/two.bin") + "\n1\t3\t352441C2\t" + tree.path("c/two.bin") +
                         "\n\n2\t9\tCBF43926\t" + tree.path("a/check.txt") + "\n2\t9\tCBF43926\t" +
                         tree.path("b/check.txt") + "\n");
  EXPECT_NE(run.err.find("warning"), std::string::npos);
  EXPECT_NE(run.err.find(tree.path("missing")), std::string::npos);
}

TEST(PelimorFind, DefaultMinimumIsOneHundredKilobytesAndTypesChooseMasks) {
  testing::TempTree tree;
  tree.patternFile("x/small.jpg", 102400, 1);
  tree.patternFile("y/small.jpg", 102400, 1);
  tree.patternFile("x/big.mp3", 102401, 2);
  tree.patternFile("y/big.mp3", 102401, 2);
  const std::string defaults = runFind(quoted(tree.root())).out;
  EXPECT_EQ(std::count(defaults.begin(), defaults.end(), '\n'), 2);
  EXPECT_EQ(runFind("--type images " + quoted(tree.root())).out, "");
  EXPECT_NE(runFind("--type audio " + quoted(tree.root())).out, "");
  EXPECT_EQ(runFind("--type images --min-kb 0 " + quoted(tree.root())).out.find("big.mp3"), std::string::npos);
  EXPECT_EQ(runFind("--mask '*.jpg' --min-kb 0 " + quoted(tree.root())).out.find("big.mp3"), std::string::npos);
}

TEST(PelimorFind, NamesWithLineFeedsAndTabsStayOnOneLine) {
  testing::TempTree tree;
  tree.file("line\nfeed", "same");
  tree.file("tab\there", "same");
  const FindRun run = runFind("--min-kb 0 " + quoted(tree.root()));
  const std::string fields = "1\t4\t" + testing::referenceFileCrc32(tree.path("tab\there")) + "\t" + tree.root();
  EXPECT_EQ(run.out, fields + "/line\\nfeed\n" + fields + "/tab\\there\n");
}

TEST(PelimorFind, JsonListsGroupsAndEscapesOddNames) {
  testing::TempTree tree;
  tree.file("odd\xE9name", "same");
  tree.file("quote\"d", "same");
  const FindRun run = runFind("--json --min-kb 0 " + quoted(tree.root()));
  EXPECT_EQ(run.exitCode, 0);
  const ResultRow seen = testing::rowFor(tree.path("quote\"d"), 1);
  char strong[33];
  std::snprintf(strong, sizeof strong, "%016llx%016llx", static_cast<unsigned long long>(seen.strongHigh),
                static_cast<unsigned long long>(seen.strongLow));
  EXPECT_TRUE(run.out.starts_with("{\"groups\": [{\"group\": 1, \"size\": 4, \"crc32\": \"" +
                                  testing::referenceFileCrc32(tree.path("quote\"d")) + "\", \"strong\": \"" + strong +
                                  "\", \"files\": [\"" + tree.root() + "/odd\\udce9name\", \"" + tree.root() +
                                  "/quote\\\"d\"], \"identities\": [{"));
  EXPECT_TRUE(run.out.ends_with("}]}], \"skipped\": []}\n"));
  // What --load reads back is what the search saw: paths byte for byte, identities as the system tells.
  const std::vector<ResultRow> rows = rowsOfSavedSearch(run.out);
  ASSERT_EQ(rows.size(), 2u);
  for (const ResultRow& row : rows) EXPECT_EQ(row.identity, testing::rowFor(row.path, 1).identity) << row.path;
  EXPECT_EQ(rows[0].path, tree.path("odd\xE9name"));
  EXPECT_EQ(rows[1].digest(), seen.digest());
}

TEST(PelimorFind, WritesTheSameReportAsTheWindow) {
  testing::TempTree tree;
  tree.file("a/x<1>.txt", "123456789");
  tree.file("b/x<1>.txt", "123456789");
  const std::string report = tree.path("report.html");
  const FindRun run =
      runFind("--min-kb 0 --report " + quoted(report) + " " + quoted(tree.path("a")) + " " + quoted(tree.path("b")));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::ifstream in(report, std::ios::binary);
  const std::string html((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(html.substr(0, 8), "<html>\r\n");
  EXPECT_NE(html.find("<td>" + tree.path("a/x&lt;1&gt;.txt") + "</td>\r\n"), std::string::npos);
  EXPECT_NE(html.find("<td>CBF43926</td>\r\n"), std::string::npos);
  EXPECT_EQ(runFind("--min-kb 0 --report " + quoted(tree.path("missing/r.html")) + " " + quoted(tree.root())).exitCode,
            1);
}

// Groups found by reading every file whole, with no code shared with the engine.
std::set<std::set<std::string>> independentGroups(const std::string& root) {
  std::map<std::pair<std::uintmax_t, std::uintmax_t>, std::string> onePathPerInode;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file() || entry.is_symlink() || entry.file_size() == 0) continue;
    struct stat info {};
    stat(entry.path().c_str(), &info);
    auto& path = onePathPerInode[{info.st_dev, info.st_ino}];
    if (path.empty() || entry.path().string() < path) path = entry.path().string();
  }
  std::map<std::string, std::set<std::string>> byContent;
  for (const auto& [inode, path] : onePathPerInode) {
    std::ifstream in(path, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), {});
    byContent[content].insert(path);
  }
  std::set<std::set<std::string>> groups;
  for (const auto& [content, paths] : byContent)
    if (paths.size() > 1) groups.insert(paths);
  return groups;
}

TEST(PelimorFind, AgreesWithAnIndependentGroupingOnAGeneratedTree) {
  testing::TempTree tree;
  std::mt19937 random(20261207);
  const std::vector<size_t> sizes{1, 7, 100, 4095, 4096, 4097, 20000, 70000, 200000};
  for (int i = 0; i < 3000; ++i) {
    const std::string folder = "d" + std::to_string(random() % 40) + "/e" + std::to_string(random() % 5);
    const size_t size = sizes[random() % sizes.size()];
    std::string content = testing::TempTree::patternBytes(size, static_cast<unsigned>(random() % 6));
    if (random() % 3 == 0) content[random() % size] ^= static_cast<char>(1 + random() % 255);  // near-duplicate
    tree.file(folder + "/f" + std::to_string(i), content);
    if (random() % 50 == 0) tree.hardLink(folder + "/f" + std::to_string(i), folder + "/h" + std::to_string(i));
  }
  const FindRun run = runFind("--min-kb 0 " + quoted(tree.root()));
  ASSERT_EQ(run.exitCode, 0) << run.err;

  std::set<std::set<std::string>> found;
  std::set<std::string> current;
  std::istringstream lines(run.out);
  std::string previousCrc;
  for (std::string line; std::getline(lines, line);) {
    if (line.empty()) {
      found.insert(current);
      current.clear();
      continue;
    }
    std::istringstream fields(line);
    std::string group, size, crc, path;
    std::getline(fields, group, '\t');
    std::getline(fields, size, '\t');
    std::getline(fields, crc, '\t');
    std::getline(fields, path);
    EXPECT_LE(previousCrc, crc) << "groups must come in ascending CRC-32 order";
    previousCrc = crc;
    current.insert(path);
  }
  if (!current.empty()) found.insert(current);
  const auto expected = independentGroups(tree.root());
  EXPECT_GT(expected.size(), 10u);
  EXPECT_EQ(found, expected);
}

}  // namespace
}  // namespace pelimor

namespace pelimor {
namespace {

// The groups of --merge's output, each as its MACHINE<TAB>PATH lines.
std::set<std::set<std::string>> mergedGroups(const std::string& out) {
  std::map<std::string, std::set<std::string>> groups;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    if (line.empty()) continue;
    std::string fields[5];
    std::istringstream split(line);
    for (std::string& field : fields) std::getline(split, field, '\t');
    groups[fields[0]].insert(fields[3] + "\t" + fields[4]);
  }
  std::set<std::set<std::string>> result;
  for (const auto& [number, files] : groups) result.insert(files);
  return result;
}

// Two machines share a file whose size is their own on each: only the second pass, reading what
// the merge asks for, shows it.
TEST(PelimorFind, CatalogsOfTwoMachinesMergeOnceTheDigestsAskedForAreRead) {
  testing::TempTree alpha, beta, work;
  const std::string large(100000, 's');
  const std::string shared = alpha.file("a/shared", large);
  std::filesystem::create_hard_link(shared, alpha.path("a/shared-link"));
  const std::string twin1 = alpha.file("a/twin1", "twin twin");
  const std::string twin2 = alpha.file("a/twin2", "twin twin");
  alpha.file("a/own", std::string(5000, 'a'));
  const std::string copy = beta.file("b/shared-copy", large);
  beta.file("b/own", std::string(5000, 'b'));
  const std::string needDir = work.folder("need");
  const auto catalog = [&](const std::string& machine, const testing::TempTree& tree, const std::string& pass,
                           const std::string& list) {
    const std::string file = work.path(machine + pass + ".catalog");
    const FindRun run = runFind("--min-kb 0 --machine " + machine + " --catalog " + quoted(file) +
                                (list.empty() ? "" : " --digests-for " + quoted(list)) + " " + quoted(tree.root()));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return file;
  };
  const std::string a1 = catalog("alpha", alpha, "1", ""), b1 = catalog("beta", beta, "1", "");
  std::ifstream header(a1);
  std::string first;
  std::getline(header, first);
  EXPECT_EQ(first.rfind("{\"pelimor-catalog\": 1, \"machine\": \"alpha\"", 0), 0u) << first;

  const std::string alphaTwins = "alpha\t" + twin1, alphaTwin2 = "alpha\t" + twin2;
  const struct {
    std::string catalogs;
    std::set<std::set<std::string>> groups;
    bool asksMore;
  } passes[] = {
      {quoted(a1) + " " + quoted(b1), {{alphaTwins, alphaTwin2}}, true},
      {"", {{alphaTwins, alphaTwin2}, {"alpha\t" + shared, "beta\t" + copy}}, false},
  };
  std::string catalogs = passes[0].catalogs;
  for (const auto& pass : passes) {
    const FindRun merged = runFind("--merge --need-dir " + quoted(needDir) + " " + catalogs);
    EXPECT_EQ(merged.exitCode, 0) << merged.err;
    EXPECT_EQ(mergedGroups(merged.out), pass.groups) << merged.out;
    EXPECT_EQ(merged.err.find("still need their digests") != std::string::npos, pass.asksMore) << merged.err;
    if (!pass.asksMore) break;
    // The files of a size shared across the machines: the large one and the two of 5000 bytes.
    EXPECT_NE(merged.err.find("2 files on alpha still need their digests: " + needDir + "/alpha.list"),
              std::string::npos)
        << merged.err;
    catalogs = quoted(catalog("alpha", alpha, "2", needDir + "/alpha.list")) + " " +
               quoted(catalog("beta", beta, "2", needDir + "/beta.list"));
  }
  // A list is for its own machine only.
  EXPECT_EQ(runFind("--machine gamma --catalog " + quoted(work.path("c")) + " --digests-for " +
                    quoted(needDir + "/alpha.list") + " " + quoted(alpha.root()))
                .exitCode,
            2);
}

}  // namespace
}  // namespace pelimor
