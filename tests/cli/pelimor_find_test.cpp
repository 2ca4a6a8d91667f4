// pelimor-find as a user runs it: the real binary on real trees.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <vector>
#include <sstream>

#include "search/crc32.h"
#include "support/temp_tree.h"

namespace pelimor {
namespace {

struct FindRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// `cacheHome`: where the run keeps its checksum cache; by default a folder of its own.
FindRun runFind(const std::string& arguments, const std::string& cacheHome = "") {
  testing::TempTree scratch;
  const std::string errFile = scratch.path("stderr");
  // A cache of its own, so that no run sees another's, nor the user's.
  const std::string command = "XDG_CACHE_HOME='" + (cacheHome.empty() ? scratch.root() : cacheHome) + "' " +
                              std::string(PELIMOR_FIND_BINARY) + " " +
                              arguments + " 2>" + errFile;
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

TEST(PelimorFind, BadInputIsOneLineAndExitCodeTwo) {
  for (const char* arguments : {"--bogus", "--min-kb -1", "--min-kb x", "--min-kb", "--type pictures", "--threads 0", "--threads many"}) {
    const FindRun run = runFind(arguments);
    EXPECT_EQ(run.exitCode, 2) << arguments;
    EXPECT_TRUE(run.out.empty()) << arguments;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << arguments << ": " << run.err;
  }
}

TEST(PelimorFind, HelpDocumentsTheOptions) {
  const FindRun run = runFind("--help");
  EXPECT_EQ(run.exitCode, 0);
  for (const char* option : {"--type", "--mask", "--min-kb", "--json", "--no-cache"}) EXPECT_NE(run.out.find(option), std::string::npos);
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
    for (const std::string& name : c.named) EXPECT_NE(run.err.find(name), std::string::npos) << c.arguments << ": " << run.err;
  }
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
                         "\n\n2\t9\tCBF43926\t" + tree.path("a/check.txt") + "\n2\t9\tCBF43926\t" + tree.path("b/check.txt") + "\n");
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
  const std::string fields = "1\t4\t" + GetCRC32(tree.path("tab\there")) + "\t" + tree.root();
  EXPECT_EQ(run.out, fields + "/line\\nfeed\n" + fields + "/tab\\there\n");
}

TEST(PelimorFind, JsonListsGroupsAndEscapesOddNames) {
  testing::TempTree tree;
  tree.file("odd\xE9name", "same");
  tree.file("quote\"d", "same");
  const FindRun run = runFind("--json --min-kb 0 " + quoted(tree.root()));
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "{\"groups\": [{\"group\": 1, \"size\": 4, \"crc32\": \"" + GetCRC32(tree.path("quote\"d")) +
                         "\", \"files\": [\"" + tree.root() + "/odd\\udce9name\", \"" + tree.root() +
                         "/quote\\\"d\"]}], \"skipped\": []}\n");
}

TEST(PelimorFind, WritesTheSameReportAsTheWindow) {
  testing::TempTree tree;
  tree.file("a/x<1>.txt", "123456789");
  tree.file("b/x<1>.txt", "123456789");
  const std::string report = tree.path("report.html");
  const FindRun run = runFind("--min-kb 0 --report " + quoted(report) + " " + quoted(tree.path("a")) + " " + quoted(tree.path("b")));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::ifstream in(report, std::ios::binary);
  const std::string html((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(html.substr(0, 8), "<html>\r\n");
  EXPECT_NE(html.find("<td>" + tree.path("a/x&lt;1&gt;.txt") + "</td>\r\n"), std::string::npos);
  EXPECT_NE(html.find("<td>CBF43926</td>\r\n"), std::string::npos);
  EXPECT_EQ(runFind("--min-kb 0 --report " + quoted(tree.path("missing/r.html")) + " " + quoted(tree.root())).exitCode, 1);
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
