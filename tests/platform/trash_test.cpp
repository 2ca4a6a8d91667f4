#include "platform/trash.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>

#include "platform/paths.h"
#include "support/loop_file_system.h"
#include "support/posix_only.h"
#include "support/test_files.h"

namespace pelimor {
namespace {

namespace fs = std::filesystem;
using testing::exists;
using testing::readFile;
using testing::TempFolder;
using testing::writeFile;

// Puts the file at `path` into the trash as the caller would: its folder open, its status taken.
std::optional<std::string> trash(platform::Trash& trash, const std::string& path, platform::TrashedFile& trashed) {
  platform::FolderHandle folder;
  platform::FileStatus status;
  const std::string name(platform::fileNameOf(path));
  if (folder.open(platform::folderPartOf(path)) || folder.statusOf(name, status)) status = {};
  bool gone = false;
  return trash.put(folder, name, status, trashed, gone);
}

// The info file holds the old path, percent-encoded, and the local time it went.
bool isInfoFor(const std::string& infoFile, const std::string& encodedPath) {
  const std::regex info("\\[Trash Info\\]\nPath=" + encodedPath +
                        "\nDeletionDate=\\d{4}(-\\d\\d){2}T\\d\\d(:\\d\\d){2}\n");
  return std::regex_match(readFile(infoFile), info);
}

bool run(const std::string& command) { return std::system(command.c_str()) == 0; }

// The number of the user who owns `path`: ours, for a file we made.
std::string ownerOf(const std::string& path) {
  platform::FolderHandle folder;
  platform::FileStatus status;
  if (folder.open(platform::folderPartOf(path)) || folder.statusOf(std::string(platform::fileNameOf(path)), status))
    return "unknown";
  return std::to_string(status.owner);
}

// A second file system for one test: a tmpfs, else an ext4 image, where we may mount one.
struct SecondFileSystem {
  TempFolder folder;
  std::string path = folder / "fs", bound = folder / "bound", unavailable;  // bound: a part of it mounted again
  std::unique_ptr<testing::LoopFileSystem> image;
  SecondFileSystem() {
    fs::create_directory(path);
    if (run("mount -t tmpfs -o size=16M tmpfs " + path + " 2>/dev/null")) return;
    image = std::make_unique<testing::LoopFileSystem>("mkfs.ext4 -q");
    unavailable = image->unavailable();
    path = image->path();
  }
  ~SecondFileSystem() {
    run("umount " + bound + " 2>/dev/null");
    if (!image) run("umount " + path);
  }
};

TEST(Trash, HomeTrashKeepsTheOldPathAndNeverReplaces) {
  PELIMOR_POSIX_ONLY("Windows has the Recycle Bin");
  TempFolder temp;
  ASSERT_EQ(temp.path().find_first_not_of("/-._~0123456789abcdefghijklmnopqrstuvwxyz"), std::string::npos);
  const std::string oldData = testing::setEnvironment("XDG_DATA_HOME", temp / "data");
  const std::string name = "a b%\xff.txt";
  writeFile(temp / ("one/" + name), "first");
  writeFile(temp / ("two/" + name), "second");
  platform::Trash trash;
  platform::TrashedFile first, second;
  EXPECT_EQ(::pelimor::trash(trash, temp / ("one/" + name), first), std::nullopt);
  EXPECT_EQ(::pelimor::trash(trash, temp / ("two/" + name), second), std::nullopt);
  EXPECT_EQ(first.path, temp / ("data/Trash/files/" + name));
  EXPECT_EQ(first.infoPath, temp / ("data/Trash/info/" + name + ".trashinfo"));
  EXPECT_TRUE(isInfoFor(first.infoPath, temp / "one/a%20b%25%FF.txt"));
  EXPECT_EQ(second.path, temp / "data/Trash/files/a b%\xff (2).txt");
  EXPECT_TRUE(isInfoFor(second.infoPath, temp / "two/a%20b%25%FF.txt"));
  EXPECT_EQ(readFile(first.path) + readFile(second.path), "firstsecond");
  EXPECT_FALSE(exists(temp / ("one/" + name)) || exists(temp / ("two/" + name)));
  EXPECT_EQ(fs::status(temp / "data/Trash").permissions(), fs::perms::owner_all);

  // A file gone, or another in its place, stays out and leaves no record behind.
  writeFile(temp / "one/swapped", "old");
  platform::FolderHandle folder;
  platform::FileStatus seen;
  ASSERT_FALSE(folder.open(temp / "one") || folder.statusOf("swapped", seen));
  fs::rename(temp / "one/swapped", temp / "one/other");
  writeFile(temp / "one/swapped", "new");
  bool changedGone = true, gone = false;
  EXPECT_EQ(trash.put(folder, "swapped", seen, first, changedGone), "it changed before it could go to the trash");
  EXPECT_EQ(trash.put(folder, "none", seen, first, gone), "it no longer exists");
  EXPECT_TRUE(gone && !changedGone);
  EXPECT_FALSE(exists(temp / "data/Trash/info/swapped.trashinfo") || exists(temp / "data/Trash/info/none.trashinfo"));

  // A name taken in files/ by a file without an info file: the next name.
  writeFile(temp / "one/late", "late");
  writeFile(temp / "data/Trash/files/late", "without info");
  EXPECT_EQ(::pelimor::trash(trash, temp / "one/late", first), std::nullopt);
  EXPECT_EQ(first.path, temp / "data/Trash/files/late (2)");
  EXPECT_FALSE(exists(temp / "data/Trash/info/late.trashinfo"));
  EXPECT_TRUE(isInfoFor(temp / "data/Trash/info/late (2).trashinfo", temp / "one/late"));
  testing::setEnvironment("XDG_DATA_HOME", oldData);
}

TEST(Trash, OtherFileSystemsHaveTheirOwnTrash) {
  PELIMOR_POSIX_ONLY("Windows has the Recycle Bin");
  SecondFileSystem second;
  if (!second.unavailable.empty()) GTEST_SKIP() << second.unavailable;
  const std::string top = second.path;
  writeFile(top + "/sub/owner", "");
  platform::FileStatus owner;
  platform::FolderHandle sub;
  ASSERT_FALSE(sub.open(top + "/sub") || sub.statusOf("owner", owner));
  const std::string uid = std::to_string(owner.owner), own = top + "/.Trash-" + uid;
  platform::TrashedFile trashed;

  // No trash can be made on a read-only file system: the file stays.
  writeFile(top + "/kept", "kept");
  if (run("mount -o remount,ro " + top)) {
    platform::Trash trash;
    EXPECT_EQ(::pelimor::trash(trash, top + "/kept", trashed),
              "there is no trash on its file system (" + top + "): Read-only file system");
    EXPECT_EQ(readFile(top + "/kept"), "kept");
    ASSERT_TRUE(run("mount -o remount,rw " + top));
  }

  // Without a shared .Trash: our own, paths relative to the top folder.
  writeFile(top + "/sub/a", "a");
  platform::Trash trash;
  EXPECT_EQ(::pelimor::trash(trash, top + "/sub/a", trashed), std::nullopt);
  EXPECT_EQ(trashed.path, own + "/files/a");
  EXPECT_TRUE(isInfoFor(trashed.infoPath, "sub/a"));
  EXPECT_EQ(fs::symlink_status(own).permissions(), fs::perms::owner_all);

  // A shared .Trash only when it is a real folder with the sticky bit.
  const fs::perms open = fs::perms::all, sticky = fs::perms::all | fs::perms::sticky_bit;
  const struct {
    const char* shared;  // linked to from .Trash unless it is .Trash
    fs::perms permissions;
    std::string expected;
  } cases[] = {{".Trash", sticky, top + "/.Trash/" + uid}, {".Trash", open, own}, {"shared", sticky, own}};
  for (const auto& c : cases) {
    fs::remove_all(top + "/.Trash");
    fs::create_directory(top + "/" + c.shared);
    fs::permissions(top + "/" + c.shared, c.permissions);
    if (c.shared != std::string(".Trash")) fs::create_directory_symlink(top + "/" + c.shared, top + "/.Trash");
    writeFile(top + "/b", "b");
    platform::Trash fresh;
    EXPECT_EQ(::pelimor::trash(fresh, top + "/b", trashed), std::nullopt) << c.shared;
    EXPECT_EQ(platform::folderPartOf(platform::folderPartOf(trashed.path)), c.expected) << c.shared;
    EXPECT_TRUE(isInfoFor(trashed.infoPath, "b"));
  }

  // The same file system mounted again elsewhere: the trash of the mount the file was found under.
  fs::create_directory(second.bound);
  ASSERT_TRUE(run("mount --bind " + top + "/sub " + second.bound));
  writeFile(second.bound + "/c", "c");
  EXPECT_EQ(::pelimor::trash(trash, second.bound + "/c", trashed), std::nullopt);
  EXPECT_EQ(trashed.path, second.bound + "/.Trash-" + uid + "/files/c");
  EXPECT_TRUE(isInfoFor(trashed.infoPath, "c"));
}

// A folder reached through a link: the trash at the top of the file system it really lies on, as
// `gio trash` does, and one Undo accepts.
TEST(Trash, ThroughALinkTheTrashOfTheRealFolder) {
  PELIMOR_POSIX_ONLY("Windows has the Recycle Bin");
  testing::LoopFileSystem loop("mkfs.ext4 -q");
  if (!loop.unavailable().empty()) GTEST_SKIP() << loop.unavailable();
  TempFolder temp;
  writeFile(loop.path() + "/photos/a b", "a");
  const std::string top = loop.path(), trashName = ".Trash-" + ownerOf(top + "/photos/a b"),
                    own = top + "/" + trashName;
  fs::create_directory_symlink(top + "/photos", temp / "photos-link");
  platform::Trash trash;
  platform::TrashedFile trashed;
  EXPECT_EQ(::pelimor::trash(trash, temp / "photos-link/a b", trashed), std::nullopt);
  EXPECT_EQ(trashed.path, own + "/files/a b");
  EXPECT_TRUE(isInfoFor(trashed.infoPath, "photos/a%20b"));
  EXPECT_FALSE(exists(temp / ("photos-link/" + trashName)) || exists(temp / trashName));
  const std::optional<platform::TrashEntry> entry = platform::trashEntryOf(trashed.path);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->trashFolder, own);
  EXPECT_EQ(entry->infoPath, trashed.infoPath);
  // Where the desktop's own tool puts such a file.
  writeFile(top + "/photos/g", "g");
  if (run("command -v gio >/dev/null && gio trash '" + temp / "photos-link/g" + "'")) {
    EXPECT_TRUE(isInfoFor(own + "/info/g.trashinfo", "photos/g"));
  }
  // The same entry named through the link is not one we made.
  EXPECT_EQ(platform::trashEntryOf(temp / ("photos-link/../" + trashName + "/files/a b")), std::nullopt);

  // A part of it mounted again inside it: the trash under that mount, which the file can't leave.
  writeFile(top + "/other/c", "c");
  fs::create_directory(top + "/photos/bound");
  ASSERT_TRUE(run("mount --bind " + top + "/other " + top + "/photos/bound"));
  writeFile(top + "/photos/d", "d");
  {
    platform::Trash again;  // holds the trash folders open until the end of this block
    EXPECT_EQ(::pelimor::trash(again, top + "/photos/d", trashed), std::nullopt);
    EXPECT_EQ(::pelimor::trash(again, temp / "photos-link/bound/c", trashed), std::nullopt);
    EXPECT_EQ(trashed.path, top + "/photos/bound/" + trashName + "/files/c");
    EXPECT_TRUE(isInfoFor(trashed.infoPath, "c"));
  }
  EXPECT_TRUE(run("umount " + top + "/photos/bound"));
}

// A trash another user could lead our files out of is never used, nor taken back from.
TEST(Trash, OnlyATrashNoOneElseMayChange) {
  PELIMOR_POSIX_ONLY("Windows has the Recycle Bin");
  testing::LoopFileSystem loop("mkfs.ext4 -q");
  if (!loop.unavailable().empty()) GTEST_SKIP() << loop.unavailable();
  writeFile(loop.path() + "/doc", "");
  const std::string top = loop.path(), uid = ownerOf(top + "/doc"), own = top + "/.Trash-" + uid;
  const std::string openToOthers = " is open to other users: it is not used", link = " is a link: it is not used";
  const struct {
    std::string change;  // run in the top folder on a good trash holding x
    std::string reason;  // empty: the trash is used
  } cases[] = {
      {"true", ""},
      {"chmod 777 .Trash-" + uid, "the trash " + own + openToOthers},
      {"chmod 730 .Trash-" + uid, "the trash " + own + openToOthers},
      {"chmod 702 .Trash-" + uid + "/info", "the trash " + own + "/info" + openToOthers},
      {"rm -r .Trash-" + uid + "/files && ln -s ../victim .Trash-" + uid + "/files",
       "the trash " + own + "/files" + link},
      {"rm -r .Trash-" + uid + "/info && ln -s ../victim .Trash-" + uid + "/info", "the trash " + own + "/info" + link},
      {"mv .Trash-" + uid + " victim/t && ln -s victim/t .Trash-" + uid, "the trash " + own + link},
      {"chown 65534 .Trash-" + uid, "the trash " + own + " belongs to another user: it is not used"},
  };
  for (const auto& c : cases) {
    fs::remove_all(top + "/victim");
    fs::remove_all(own);
    writeFile(own + "/files/x", "x");
    writeFile(own + "/info/x.trashinfo", "");
    for (const char* part : {"", "/files", "/info"}) fs::permissions(own + part, fs::perms::owner_all);
    writeFile(top + "/victim/x", "victim");
    ASSERT_TRUE(run("cd " + top + " && " + c.change)) << c.change;
    writeFile(top + "/doc", "doc");
    platform::Trash trash;
    platform::TrashedFile trashed;
    const std::optional<std::string> reason = ::pelimor::trash(trash, top + "/doc", trashed);
    EXPECT_EQ(reason.value_or(""), c.reason) << c.change;
    EXPECT_EQ(exists(top + "/doc"), !c.reason.empty()) << c.change;
    EXPECT_EQ(platform::trashEntryOf(own + "/files/x").has_value(), c.reason.empty()) << c.change;
    EXPECT_EQ(std::distance(fs::directory_iterator(top + "/victim"), {}), c.change.starts_with("mv") ? 2 : 1)
        << c.change;
  }
}

// The desktop's own tool lists what we put in the trash and puts it back.
TEST(Trash, TheDesktopRestoresIt) {
  PELIMOR_POSIX_ONLY("Windows has the Recycle Bin");
  if (!run("command -v gio >/dev/null && command -v dbus-run-session >/dev/null && test -x /usr/libexec/gvfsd-trash"))
    GTEST_SKIP() << "gio (libglib2.0-bin), dbus-run-session (dbus-daemon) or gvfs, which gio lists the trash by, is "
                    "not installed";
  TempFolder temp;
  const std::string oldData = testing::setEnvironment("XDG_DATA_HOME", temp / "data");
  writeFile(temp / "old place/a b%.txt", "back");
  platform::Trash trash;
  platform::TrashedFile trashed;
  ASSERT_EQ(::pelimor::trash(trash, temp / "old place/a b%.txt", trashed), std::nullopt);
  const std::string listed = temp / "listed", script = temp / "restore.sh";
  writeFile(script, "gio trash --list >\"$1\" && gio trash --restore \"$(cut -f1 \"$1\")\"\n");
  EXPECT_TRUE(run("dbus-run-session -- sh '" + script + "' '" + listed + "' 2>/dev/null"));
  testing::setEnvironment("XDG_DATA_HOME", oldData);
  EXPECT_EQ(readFile(listed), "trash:///a%20b%25.txt\t" + temp / "old place/a b%.txt\n");
  EXPECT_EQ(readFile(temp / "old place/a b%.txt"), "back");
  EXPECT_FALSE(exists(trashed.path) || exists(trashed.infoPath));
}

#ifdef _WIN32
TEST(Trash, TheRecycleBinTakesIt) {
  TempFolder temp;
  const std::string file = temp / "pelimor test file.txt";
  writeFile(file, "recycled");
  platform::Trash trash;
  platform::TrashedFile trashed;
  trashed.path = "left";
  trashed.infoPath = "over";
  EXPECT_EQ(::pelimor::trash(trash, file, trashed), std::nullopt);
  EXPECT_FALSE(exists(file));
  EXPECT_TRUE(trashed.path.empty() && trashed.infoPath.empty());
}
#endif

}  // namespace
}  // namespace pelimor
