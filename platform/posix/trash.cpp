#include "platform/trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/descriptor_io.h"
#include "platform/file_times.h"
#include "platform/folders.h"
#include "platform/io_error_text.h"
#include "platform/mount_table.h"
#include "platform/paths.h"

namespace pelimor::platform {

namespace {
constexpr std::string_view kInfoSuffix = ".trashinfo";
constexpr std::size_t kLongestName = 255;
// Names tried for one file before the trash counts as full: the numbers remembered per name keep
// the tries few.
constexpr unsigned kMostTries = 1000;

// One file system's trash, found once for all the files that follow.
struct Can {
  std::uint64_t device = 0;
  bool home = false;      // the home trash: its entries keep absolute paths
  std::string topFolder;  // otherwise the file system's top folder, which the entries' paths start from
  NoticeText refusal;     // why this file system has no trash we may use; empty when it has one
  std::string folder;     // the trash folder, holding files/ and info/
  FolderHandle files, info;
  // Names met here before that were taken: the number to try next, so that many files of one name
  // don't try every taken number again.
  std::unordered_map<std::string, unsigned> nextNumber;
};

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

bool isUnder(std::string_view path, std::string_view top) {
  if (top == "/") return path.starts_with('/');
  return path.starts_with(top) && (path.size() == top.size() || path[top.size()] == kSeparator);
}

// The device of the path, or of its nearest existing folder above: the home trash may not exist yet.
std::uint64_t deviceOfNearest(std::string path) {
  struct stat info {};
  while (::stat(path.c_str(), &info) != 0) {
    if (path.empty() || path == "/") return 0;
    path = folderPartOf(path);
  }
  return info.st_dev;
}

// Makes a folder only we may use where none is; an existing one counts.
std::error_code makePrivateFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return errnoCode(errno);
  return {};
}

// Opens files/ and info/ in `folder`, making them when missing. Both must lie on the file's own
// file system: the trash never copies.
std::error_code openTrashFolder(const std::string& folder, Can& can) {
  const std::string files = joinPath(folder, "files"), info = joinPath(folder, "info");
  for (const std::string* part : {&files, &info}) {
    if (const std::error_code error = makePrivateFolder(*part)) return error;
  }
  if (const std::error_code error = can.files.open(files)) return error;
  if (const std::error_code error = can.info.open(info)) return error;
  FileStatus filesStatus, infoStatus;
  if (const std::error_code error = can.files.ownStatus(filesStatus)) return error;
  if (const std::error_code error = can.info.ownStatus(infoStatus)) return error;
  if (filesStatus.device != can.device || infoStatus.device != can.device) return errnoCode(EXDEV);
  can.folder = folder;
  return {};
}

// A trash folder of ours on a shared file system: made when missing, and never a link or another
// user's folder, which could lead our files anywhere.
std::error_code openOwnTrash(const std::string& folder, Can& can) {
  if (const std::error_code error = makePrivateFolder(folder)) return error;
  struct stat named {};
  if (::lstat(folder.c_str(), &named) != 0) return errnoCode(errno);
  if (S_ISLNK(named.st_mode)) return errnoCode(ELOOP);
  if (!S_ISDIR(named.st_mode)) return errnoCode(ENOTDIR);
  if (named.st_uid != ::getuid()) return errnoCode(EACCES);
  return openTrashFolder(folder, can);
}

// The file system's top folder: the longest mount point of the device above `folder`, else the
// highest folder above it on the same device.
std::string topFolderOf(std::uint64_t device, const std::string& folder, const std::vector<MountedFileSystem>& mounts) {
  const MountedFileSystem* best = nullptr;
  for (const MountedFileSystem& mount : mounts) {
    if (mount.device == device && isUnder(folder, mount.mountPoint) &&
        (!best || mount.mountPoint.size() > best->mountPoint.size()))
      best = &mount;
  }
  struct stat info {};
  if (best && ::stat(best->mountPoint.c_str(), &info) == 0 && info.st_dev == device) return best->mountPoint;
  std::string top = folder;
  while (top != "/" && !top.empty()) {
    const std::string parent = folderPartOf(top);
    if (parent.empty() || ::stat(parent.c_str(), &info) != 0 || info.st_dev != device) break;
    top = parent;
  }
  return top;
}

// The home trash: $XDG_DATA_HOME/Trash, a relative or empty XDG_DATA_HOME counting as unset.
std::string homeTrashFolder() {
  std::string dataHome = environment("XDG_DATA_HOME");
  if (dataHome.empty() || dataHome.front() != kSeparator) dataHome = joinPath(homeFolder(), ".local/share");
  return joinPath(normalizedFolder(dataHome), "Trash");
}

// True when `candidate` is a real folder of ours (not a link) and the very folder `folder` names.
bool isOurFolderAt(const std::string& candidate, const struct stat& folder) {
  struct stat info {};
  return ::lstat(candidate.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
         info.st_dev == folder.st_dev && info.st_ino == folder.st_ino;
}

// Every byte but the unreserved ones and '/' as %XX.
std::string percentEncoded(std::string_view path) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(path.size() + path.size() / 4);
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
                       byte == '-' || byte == '.' || byte == '_' || byte == '~' || byte == '/';
    if (plain) {
      text.push_back(c);
    } else {
      text.push_back('%');
      text.push_back(kDigits[byte >> 4]);
      text.push_back(kDigits[byte & 15]);
    }
  }
  return text;
}

// The name in the trash: the file's own, " (2)" and on before its extension when that is taken,
// and shortened where the info file's name would pass the longest name a folder takes.
std::string trashName(const std::string& name, unsigned number) {
  const std::string suffix = number > 1 ? " (" + std::to_string(number) + ")" : std::string();
  std::size_t dot = name.rfind('.');
  if (dot == 0 || dot == std::string::npos || name.size() - dot > 16) dot = name.size();
  const std::string_view extension = std::string_view(name).substr(dot);
  std::size_t stemLength = dot;
  const std::size_t room = kLongestName - kInfoSuffix.size() - suffix.size() - extension.size();
  if (stemLength > room) {
    stemLength = room;
    while (stemLength > 0 && (static_cast<unsigned char>(name[stemLength]) & 0xC0) == 0x80) --stemLength;
  }
  std::string text = name.substr(0, stemLength);
  text += suffix;
  text += extension;
  return text;
}
}  // namespace

struct Trash::Cans {
  bool homeFound = false;
  std::string homeTrash;
  std::uint64_t homeDevice = 0;
  bool mountsRead = false;
  std::vector<MountedFileSystem> mounts;
  std::vector<std::unique_ptr<Can>> cans;
  Can* last = nullptr;  // most files follow others of the same folder
  LocalClockText deletionDate;

  Can& canFor(std::uint64_t device, const std::string& folder);
  void open(Can& can, const std::string& folder);
};

Can& Trash::Cans::canFor(std::uint64_t device, const std::string& folder) {
  const auto fits = [&](const Can& can) {
    return can.device == device && (can.home || isUnder(folder, can.topFolder));
  };
  if (last && fits(*last)) return *last;
  for (const std::unique_ptr<Can>& can : cans) {
    if (fits(*can)) return *(last = can.get());
  }
  if (!homeFound) {
    homeTrash = homeTrashFolder();
    homeDevice = deviceOfNearest(homeTrash);
    homeFound = true;
  }
  auto can = std::make_unique<Can>();
  can->device = device;
  can->home = device == homeDevice;
  open(*can, folder);
  cans.push_back(std::move(can));
  return *(last = cans.back().get());
}

void Trash::Cans::open(Can& can, const std::string& folder) {
  if (can.home) {
    std::error_code error = createFolderWithParents(folderPartOf(homeTrash));
    if (!error) error = makePrivateFolder(homeTrash);
    if (!error) error = openTrashFolder(homeTrash, can);
    if (error)
      can.refusal = NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "the trash %1 cannot be made: %2"), homeTrash,
                                   NoticeText(error));
    return;
  }
  if (!mountsRead) {
    mounts = mountedFileSystems();
    mountsRead = true;
  }
  can.topFolder = topFolderOf(can.device, folder, mounts);
  const std::string uid = std::to_string(::getuid());
  // The administrator's shared trash, when it is a real folder with the sticky bit that keeps
  // users from removing each other's folders; else one of our own.
  const std::string shared = joinPath(can.topFolder, ".Trash");
  struct stat info {};
  if (::lstat(shared.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX) &&
      !openOwnTrash(joinPath(shared, uid), can))
    return;
  if (const std::error_code error = openOwnTrash(joinPath(can.topFolder, ".Trash-" + uid), can))
    can.refusal = NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "there is no trash on its file system (%1): %2"),
                                 can.topFolder, NoticeText(error));
}

namespace {
NoticeText cannotWrite(const Can& can, std::error_code error) {
  return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "the trash %1 cannot be written: %2"), can.folder,
                        NoticeText(error));
}
}  // namespace

Trash::Trash() : cans_(new Cans) {}

Trash::~Trash() { delete cans_; }

std::optional<NoticeText> Trash::put(const FolderHandle& folder, const std::string& name, const FileStatus& status,
                                     TrashedFile& trashed, bool& gone) {
  gone = false;
  Can& can = cans_->canFor(status.device, folder.path());
  if (!can.refusal.empty()) return can.refusal;

  const std::string path = joinPath(folder.path(), name);
  std::string info = "[Trash Info]\nPath=";
  if (can.home) {
    info += percentEncoded(path);
  } else {
    const std::size_t start = can.topFolder == "/" ? 1 : can.topFolder.size() + 1;
    info += percentEncoded(std::string_view(path).substr(start));
  }
  info += "\nDeletionDate=";
  info += cans_->deletionDate.now();
  info += '\n';

  const auto remembered = can.nextNumber.find(name);
  unsigned number = remembered == can.nextNumber.end() ? 1 : remembered->second;
  for (unsigned tries = 0; tries < kMostTries; ++tries, ++number) {
    const std::string inTrash = trashName(name, number);
    const std::string infoName = inTrash + std::string(kInfoSuffix);
    const int descriptor =
        ::openat(can.info.descriptor(), infoName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor < 0 && errno == EEXIST) continue;
    if (descriptor < 0) return cannotWrite(can, errnoCode(errno));
    std::error_code error = writeFully(descriptor, info);
    if (::close(descriptor) != 0 && !error) error = errnoCode(errno);
    const auto fail = [&](NoticeText reason) {
      can.info.removeFile(infoName);
      return std::optional<NoticeText>(std::move(reason));
    };
    if (error) return fail(cannotWrite(can, error));

    FileStatus now;
    error = folder.statusOf(name, now);
    if (error == std::errc::no_such_file_or_directory) gone = true;
    if (gone) return fail(NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it no longer exists")));
    if (error)
      return fail(NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it cannot be looked at: %1"), NoticeText(error)));
    if (now.device != status.device || now.inode != status.inode)
      return fail(NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it changed before it could go to the trash")));

    error = folder.renameNoReplace(name, can.files, inTrash);
    if (error == std::errc::file_exists) {
      can.info.removeFile(infoName);
      continue;
    }
    // The trash's own folder taken away meanwhile says the same as a file gone.
    if (error == std::errc::no_such_file_or_directory)
      gone = folder.statusOf(name, now) == std::errc::no_such_file_or_directory;
    if (gone) return fail(NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it no longer exists")));
    if (error == std::errc::cross_device_link)
      return fail(NoticeText::of(
          PELIMOR_WINDOW_TEXT("Notices", "its trash %1 lies on another file system: it is never copied there"),
          can.folder));
    if (error)
      return fail(NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it cannot be moved to the trash %1: %2"), can.folder,
                                 NoticeText(error)));
    if (number > 1 || remembered != can.nextNumber.end()) can.nextNumber[name] = number + 1;
    trashed.path = joinPath(can.files.path(), inTrash);
    trashed.infoPath = joinPath(can.info.path(), infoName);
    trashed.lookedAt = wallClockNanoseconds();
    if (can.files.statusOf(inTrash, trashed.status)) trashed.lookedAt = 0;
    return std::nullopt;
  }
  return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "the trash %1 has no free name for it"), can.folder);
}

std::optional<TrashEntry> trashEntryOf(const std::string& pathInTrash) {
  const std::string files = folderPartOf(pathInTrash);
  const std::string name(fileNameOf(pathInTrash));
  if (name.empty() || name == "." || name == ".." || fileNameOf(files) != "files") return std::nullopt;
  const std::string trash = folderPartOf(files);
  struct stat filesInfo {
  }, trashInfo{};
  if (::lstat(files.c_str(), &filesInfo) != 0 || !S_ISDIR(filesInfo.st_mode) || filesInfo.st_uid != ::getuid() ||
      ::stat(trash.c_str(), &trashInfo) != 0)
    return std::nullopt;
  std::vector<std::string> places;
  const std::string home = homeTrashFolder();
  if (deviceOfNearest(home) == filesInfo.st_dev) {
    places.push_back(home);
  } else {
    const std::string top = topFolderOf(filesInfo.st_dev, trash, mountedFileSystems());
    const std::string uid = std::to_string(::getuid());
    places.push_back(joinPath(joinPath(top, ".Trash"), uid));
    places.push_back(joinPath(top, ".Trash-" + uid));
  }
  for (const std::string& place : places) {
    if (isOurFolderAt(place, trashInfo))
      return TrashEntry{place, joinPath(joinPath(place, "info"), name + std::string(kInfoSuffix))};
  }
  return std::nullopt;
}

}  // namespace pelimor::platform
