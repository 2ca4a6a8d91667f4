#include "platform/trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <utility>
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

// A descriptor closed when it goes.
class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
  Descriptor(Descriptor&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
  Descriptor& operator=(Descriptor&& other) noexcept {
    std::swap(descriptor_, other.descriptor_);
    return *this;
  }
  ~Descriptor() {
    if (descriptor_ >= 0) ::close(descriptor_);
  }
  int get() const { return descriptor_; }

 private:
  int descriptor_ = -1;
};

// Why a trash can't be used: the system's error, or a rule of ours it breaks.
struct Refusal {
  std::error_code error;
  NoticeText rule;
  bool refused() const { return error || !rule.empty(); }
};

// A trash opened as ours: the trash folder, its files/ and info/, each checked.
struct OpenTrash {
  bool home = false;      // the home trash: its entries keep absolute paths
  std::string topFolder;  // otherwise the file system's top folder, which the entries' paths start from
  std::string folder;
  Descriptor trash, files, info;
};

// The rule a trash folder found as `info` breaks: another user could lead our files anywhere
// through it, or read them there.
NoticeText brokenRule(const struct stat& info, const std::string& path) {
  if (S_ISLNK(info.st_mode))
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "the trash %1 is a link: it is not used"), path);
  if (!S_ISDIR(info.st_mode))
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "the trash %1 is not a folder: it is not used"), path);
  if (info.st_uid != ::getuid())
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "the trash %1 belongs to another user: it is not used"), path);
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "the trash %1 is open to other users: it is not used"), path);
  return {};
}

// Checks the folder open as `opened`, which must lie on `device`: the trash never copies.
Refusal checkOpened(const Descriptor& opened, const std::string& path, std::uint64_t device) {
  struct stat info {};
  if (::fstat(opened.get(), &info) != 0) return {errnoCode(errno), {}};
  if (NoticeText rule = brokenRule(info, path); !rule.empty()) return {{}, std::move(rule)};
  if (info.st_dev != device) return {errnoCode(EXDEV), {}};
  return {};
}

// Opens the folder `name` inside `at` as `path`, a part of a trash of ours, never through a link:
// made only we may use it when it is missing and `make`.
Refusal openOurFolder(int at, const std::string& name, const std::string& path, std::uint64_t device, bool make,
                      Descriptor& opened) {
  if (make && ::mkdirat(at, name.c_str(), 0700) != 0 && errno != EEXIST) return {errnoCode(errno), {}};
  opened = Descriptor(::openat(at, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (opened.get() >= 0) return checkOpened(opened, path, device);
  const int error = errno;
  struct stat info {};
  if (::fstatat(at, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
    if (NoticeText rule = brokenRule(info, path); !rule.empty()) return {{}, std::move(rule)};
  }
  return {errnoCode(error), {}};
}

// Opens files/ and info/ inside the trash folder already open.
Refusal openParts(OpenTrash& trash, std::uint64_t device, bool make) {
  Refusal refusal =
      openOurFolder(trash.trash.get(), "files", joinPath(trash.folder, "files"), device, make, trash.files);
  if (!refusal.refused())
    refusal = openOurFolder(trash.trash.get(), "info", joinPath(trash.folder, "info"), device, make, trash.info);
  return refusal;
}

// The home trash: the user's own setting leads to it, links and all; its parts are ours.
Refusal openHomeTrash(const std::string& folder, std::uint64_t device, bool make, OpenTrash& trash) {
  trash.home = true;
  trash.folder = folder;
  if (make) {
    std::error_code error = createFolderWithParents(folderPartOf(folder));
    if (!error && ::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) error = errnoCode(errno);
    if (error) return {error, {}};
  }
  trash.trash = Descriptor(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (trash.trash.get() < 0) return {errnoCode(errno), {}};
  Refusal refusal = checkOpened(trash.trash, folder, device);
  return refusal.refused() ? refusal : openParts(trash, device, make);
}

// The administrator's shared trash in `top`, open: a real folder with the sticky bit that keeps
// users from removing each other's folders; none otherwise.
Descriptor sharedTrashIn(int top) {
  Descriptor opened(::openat(top, ".Trash", O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat info {};
  if (opened.get() >= 0 && (::fstat(opened.get(), &info) != 0 || (info.st_mode & S_ISVTX) == 0)) return {};
  return opened;
}

// A file system's own trash at its top: .Trash/$uid in the administrator's shared trash where there
// is one, else .Trash-$uid; only `only` where given.
Refusal openTopTrash(const std::string& top, std::uint64_t device, bool make, const std::string* only,
                     OpenTrash& trash) {
  trash.topFolder = top;
  const Descriptor topFolder(::open(top.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (topFolder.get() < 0) return {errnoCode(errno), {}};
  const std::string uid = std::to_string(::getuid());
  const Descriptor shared = sharedTrashIn(topFolder.get());
  const struct {
    int at;
    std::string name, path;
  } places[] = {{shared.get(), uid, joinPath(joinPath(top, ".Trash"), uid)},
                {topFolder.get(), ".Trash-" + uid, joinPath(top, ".Trash-" + uid)}};
  Refusal refusal{errnoCode(ENOENT), {}};
  for (const auto& place : places) {
    if (place.at < 0 || (only && *only != place.path)) continue;
    trash.folder = place.path;
    refusal = openOurFolder(place.at, place.name, place.path, device, make, trash.trash);
    if (!refusal.refused()) refusal = openParts(trash, device, make);
    if (!refusal.refused()) return refusal;
  }
  return refusal;
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

// What tells where a file system's trash lies: the home trash and its device, and the mounted file
// systems, each looked up when first needed.
class TrashPlaces {
 public:
  bool isHome(std::uint64_t device) {
    if (!homeFound_) {
      homeTrash_ = homeTrashFolder();
      homeDevice_ = deviceOfNearest(homeTrash_);
      homeFound_ = true;
    }
    return device == homeDevice_;
  }

  // Opens the trash of ours for files on `device` whose folder really lies at `realFolder`: the home
  // trash on the home's file system, else the one at the top of theirs. Only `only` where given.
  // Both Trash and trashEntryOf ask here, so that Undo takes back only from where we put.
  Refusal open(std::uint64_t device, const std::string& realFolder, bool make, const std::string* only,
               OpenTrash& trash) {
    if (isHome(device)) {
      if (only && *only != homeTrash_) return {errnoCode(ENOENT), {}};
      return openHomeTrash(homeTrash_, device, make, trash);
    }
    return openTopTrash(topOf(device, realFolder), device, make, only, trash);
  }

  // The top of the file system on `device` as mounted where `realFolder` lies.
  std::string topOf(std::uint64_t device, const std::string& realFolder) {
    if (!mountsRead_) {
      mounts_ = mountedFileSystems();
      mountsRead_ = true;
    }
    return topFolderOf(device, realFolder, mounts_);
  }

 private:
  bool homeFound_ = false;
  std::string homeTrash_;
  std::uint64_t homeDevice_ = 0;
  bool mountsRead_ = false;
  std::vector<MountedFileSystem> mounts_;
};

// True when `path` names the folder found as `folder` now.
bool namesFolder(const std::string& path, const struct stat& folder) {
  struct stat info {};
  return path.starts_with(kSeparator) && ::stat(path.c_str(), &info) == 0 && info.st_dev == folder.st_dev &&
         info.st_ino == folder.st_ino;
}

// `path` with no link, "." or ".." on the way; empty when it leads nowhere.
std::string resolvedPath(const std::string& path) {
  const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : std::string();
}

// The path of the open `folder` with no link on the way, as the system tells for its descriptor,
// else as the C library resolves its path; either only when it still names that very folder.
bool realFolderOf(const FolderHandle& folder, std::string& real) {
  struct stat own {};
  if (::fstat(folder.descriptor(), &own) != 0) return false;
  char link[kLongestPath + 1];
  const std::string self = "/proc/self/fd/" + std::to_string(folder.descriptor());
  const ssize_t length = ::readlink(self.c_str(), link, sizeof link);
  if (length > 0 && static_cast<std::size_t>(length) < sizeof link) {
    real.assign(link, static_cast<std::size_t>(length));
    if (namesFolder(real, own)) return true;
  }
  real = resolvedPath(folder.path());
  return namesFolder(real, own);
}

// Holds a checked part of a trash as a folder handle: opened by its path, and kept only when that
// still leads to the very folder checked.
Refusal holdPart(FolderHandle& handle, const std::string& path, const Descriptor& checked) {
  if (const std::error_code error = handle.open(path)) return {error, {}};
  struct stat info {};
  FileStatus held;
  if (::fstat(checked.get(), &info) == 0 && !handle.ownStatus(held) && held.device == info.st_dev &&
      held.inode == info.st_ino)
    return {};
  handle.close();
  return {
      {},
      NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "the trash %1 changed while it was opened: it is not used"), path)};
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
  TrashPlaces places;
  std::vector<std::unique_ptr<Can>> cans;
  Can* last = nullptr;  // most files follow others of the same folder
  LocalClockText deletionDate;

  Can& canFor(std::uint64_t device, const std::string& realFolder);
  static void open(Can& can, OpenTrash& trash, Refusal refusal);
};

// `realFolder` counts only off the home's file system. A file system mounted twice has a trash
// under each mount: a file is never moved from one to the other.
Can& Trash::Cans::canFor(std::uint64_t device, const std::string& realFolder) {
  const std::string top = places.isHome(device) ? std::string() : places.topOf(device, realFolder);
  const auto fits = [&](const Can& can) { return can.device == device && can.topFolder == top; };
  if (last && fits(*last)) return *last;
  for (const std::unique_ptr<Can>& can : cans) {
    if (fits(*can)) return *(last = can.get());
  }
  auto can = std::make_unique<Can>();
  can->device = device;
  OpenTrash trash;
  open(*can, trash, places.open(device, realFolder, true, nullptr, trash));
  cans.push_back(std::move(can));
  return *(last = cans.back().get());
}

// Takes the trash `trash` opened with `refusal` as the file system's can, or the reason why not.
void Trash::Cans::open(Can& can, OpenTrash& trash, Refusal refusal) {
  can.home = trash.home;
  can.topFolder = trash.topFolder;
  can.folder = trash.folder;
  if (!refusal.refused()) refusal = holdPart(can.files, joinPath(can.folder, "files"), trash.files);
  if (!refusal.refused()) refusal = holdPart(can.info, joinPath(can.folder, "info"), trash.info);
  if (!refusal.rule.empty())
    can.refusal = std::move(refusal.rule);
  else if (refusal.error && can.home)
    can.refusal = NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "the trash %1 cannot be made: %2"), can.folder,
                                 NoticeText(refusal.error));
  else if (refusal.error)
    can.refusal = NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "there is no trash on its file system (%1): %2"),
                                 can.topFolder, NoticeText(refusal.error));
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
  // A folder reached through a link: the trash of the file system it really lies on, at its top.
  std::string realFolder;
  if (!cans_->places.isHome(status.device) && !realFolderOf(folder, realFolder))
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "the real place of its folder %1 cannot be found"),
                          folder.path());
  Can& can = cans_->canFor(status.device, realFolder);
  if (!can.refusal.empty()) return can.refusal;

  std::string info = "[Trash Info]\nPath=";
  if (can.home) {
    info += percentEncoded(joinPath(folder.path(), name));
  } else {
    const std::size_t start = can.topFolder == "/" ? 1 : can.topFolder.size() + 1;
    info += percentEncoded(std::string_view(joinPath(realFolder, name)).substr(start));
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
  const std::string trashFolder = folderPartOf(files);
  const std::string real = resolvedPath(trashFolder);
  struct stat info {};
  if (real.empty() || ::stat(real.c_str(), &info) != 0) return std::nullopt;
  TrashPlaces places;
  OpenTrash trash;
  if (places.open(info.st_dev, real, false, &trashFolder, trash).refused()) return std::nullopt;
  return TrashEntry{trashFolder, joinPath(joinPath(trashFolder, "info"), name + std::string(kInfoSuffix))};
}

}  // namespace pelimor::platform
