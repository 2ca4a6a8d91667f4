#include "platform/directory_reader.h"

#include <cerrno>
#include <utility>

#include "platform/paths.h"
#include "platform/win32/wide_paths.h"

namespace pelimor::platform {

using namespace win32;

namespace {
FolderListing* listingOf(void* stream) { return static_cast<FolderListing*>(stream); }

constexpr std::size_t kBatchBytes = 64 * 1024;
constexpr std::size_t kUsedUp = static_cast<std::size_t>(-1);

bool isDotOrDotDot(std::wstring_view name) { return name == L"." || name == L".."; }

// The next batch of entries through the folder's handle: each comes with its size, times and file
// index, so that the walk need not open every file to learn who it is. False at the end, or where
// the file system cannot list this way (then `fallBack`).
bool fetchBatch(FolderListing& listing, HANDLE folder, bool first, bool& fallBack) {
  listing.batch.resize(kBatchBytes / sizeof(std::uint64_t));
  listing.next = 0;
  if (::GetFileInformationByHandleEx(folder, first ? FileIdBothDirectoryRestartInfo : FileIdBothDirectoryInfo,
                                     listing.batch.data(), kBatchBytes))
    return true;
  listing.next = kUsedUp;
  fallBack = first && ::GetLastError() != ERROR_NO_MORE_FILES;
  return false;
}

// The entry at `listing.next`, taken: false when the batch is used up.
bool takeFromBatch(FolderListing& listing, std::wstring_view& name) {
  if (listing.next == kUsedUp) return false;
  const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(
      reinterpret_cast<const char*>(listing.batch.data()) + listing.next);
  listing.next = entry->NextEntryOffset == 0 ? kUsedUp : listing.next + entry->NextEntryOffset;
  name = std::wstring_view(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
  // EaSize holds the reparse tag of a reparse point. A file index of 0: the file system has none.
  const bool isLink = (entry->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && isLinkTag(entry->EaSize);
  listing.status = statusOfFields(entry->FileAttributes, isLink, static_cast<std::uint64_t>(entry->EndOfFile.QuadPart),
                                  listing.device, static_cast<std::uint64_t>(entry->FileId.QuadPart),
                                  entry->LastWriteTime.QuadPart, entry->ChangeTime.QuadPart);
  listing.hasStatus = entry->FileId.QuadPart != 0;
  listing.attributes = entry->FileAttributes;
  return true;
}

// The next entry by path, for file systems that list only that way.
bool takeFound(FolderListing& listing, std::wstring_view& name) {
  if (listing.search == nullptr) return false;  // listed to the end, or could not be listed
  if (listing.search == INVALID_HANDLE_VALUE) {
    // The basic level leaves out the short 8.3 names; a large fetch asks for many entries a call.
    listing.search = ::FindFirstFileExW(systemPathIn(listing.path, "*").c_str(), FindExInfoBasic, &listing.found,
                                        FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (listing.search == INVALID_HANDLE_VALUE) {
      listing.search = nullptr;  // tried: no more
      return false;
    }
  } else if (!::FindNextFileW(listing.search, &listing.found)) {
    return false;
  }
  const WIN32_FIND_DATAW& found = listing.found;
  name = found.cFileName;
  // dwReserved0 holds the reparse tag of a reparse point; no file index comes with these entries.
  const bool isLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && isLinkTag(found.dwReserved0);
  listing.status = statusOfFields(found.dwFileAttributes, isLink, 0, 0, 0, 0, 0);
  listing.hasStatus = false;
  listing.attributes = found.dwFileAttributes;
  return true;
}

// Opens a folder and keeps it from being renamed or removed while it is open (no FILE_SHARE_DELETE):
// the Windows counterpart of acting on its entries through a descriptor. A link is refused
// (ELOOP) unless `followLinks`. The handle, or INVALID_HANDLE_VALUE with `error` set.
HANDLE openFolder(const std::string& path, bool followLinks, int& error, std::uint64_t& device) {
  const HANDLE handle = openExisting(systemPath(path), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, followLinks);
  if (handle == INVALID_HANDLE_VALUE) {
    error = lastErrno();
    return handle;
  }
  FileStatus status;
  error = statusOfHandle(handle, status);
  if (error == 0 && status.kind == EntryKind::SymbolicLink) error = ELOOP;
  if (error == 0 && status.kind != EntryKind::Directory) error = ENOTDIR;
  device = status.device;
  if (error == 0) return handle;
  ::CloseHandle(handle);
  return INVALID_HANDLE_VALUE;
}
}  // namespace

Directory::Directory(NativeHandle descriptor) : descriptor_(descriptor) {}

Directory Directory::open(const std::string& path) {
  int error = 0;
  std::uint64_t device = 0;
  Directory folder(nativeOf(openFolder(path, true, error, device)));
  folder.error_ = errnoCode(error);
  if (folder.descriptor_ != kNoHandle) folder.stream_ = new FolderListing(normalizedFolder(path), device);
  return folder;
}

Directory Directory::openChild(const char* name) const {
  if (!isOpen()) return Directory(kNoHandle);
  const std::string path = joinPath(listingOf(stream_)->path, name);
  // A link put here meanwhile is refused: links are walked by their own path.
  int error = 0;
  std::uint64_t device = 0;
  Directory folder(nativeOf(openFolder(path, false, error, device)));
  folder.error_ = errnoCode(error);
  if (folder.descriptor_ != kNoHandle) folder.stream_ = new FolderListing(path, device);
  return folder;
}

Directory::Directory(Directory&& other) noexcept
    : stream_(std::exchange(other.stream_, nullptr)),
      descriptor_(std::exchange(other.descriptor_, kNoHandle)),
      error_(other.error_) {}

Directory& Directory::operator=(Directory&& other) noexcept {
  if (this != &other) {
    this->~Directory();
    stream_ = std::exchange(other.stream_, nullptr);
    descriptor_ = std::exchange(other.descriptor_, kNoHandle);
    error_ = other.error_;
  }
  return *this;
}

Directory::~Directory() {
  delete listingOf(stream_);
  stream_ = nullptr;
  if (descriptor_ != kNoHandle) ::CloseHandle(handleOf(descriptor_));
  descriptor_ = kNoHandle;
}

bool Directory::next(const char*& name, EntryKind& kind) {
  FolderListing* listing = listingOf(stream_);
  if (!listing) return false;
  for (;;) {
    std::wstring_view entry;
    if (listing->byHandle) {
      bool fallBack = false;
      const bool first = !listing->started;
      listing->started = true;
      if (listing->next == kUsedUp || first) {
        if (!first && listing->batch.empty()) return false;
        if (!fetchBatch(*listing, handleOf(descriptor_), first, fallBack)) {
          listing->batch.clear();
          listing->byHandle = !fallBack;
          if (!fallBack) return false;
          continue;
        }
      }
      if (!takeFromBatch(*listing, entry)) continue;
    } else if (!takeFound(*listing, entry)) {
      return false;
    }
    if (isDotOrDotDot(entry)) continue;
    listing->name = utf8Text(entry);
    name = listing->name.c_str();
    kind = listing->status.kind;
    return true;
  }
}

bool Directory::entryHidden(const char* name) const {
  const FolderListing* listing = listingOf(stream_);
  return name[0] == '.' ||
         (listing && listing->name == name && (listing->attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)));
}

std::error_code Directory::statusOf(const char* name, bool followLinks, FileStatus& status) const {
  if (!isOpen()) return errnoCode(EBADF);
  // The entry just listed, not a link: its status came with the listing.
  const FolderListing* listing = listingOf(stream_);
  if (!followLinks && listing->hasStatus && listing->name == name) {
    status = listing->status;
    return {};
  }
  return errnoCode(statusOfSystemPath(systemPathIn(listing->path, name), followLinks, status));
}

// Windows links carry more than a text (a kind, a print name): they are not compared, and a folder
// that holds one is never called a copy of another.
std::error_code Directory::linkTarget(const char*, std::string&) const { return errnoCode(EOPNOTSUPP); }

std::error_code Directory::ownStatus(FileStatus& status) const {
  return errnoCode(isOpen() ? statusOfHandle(handleOf(descriptor_), status) : EBADF);
}

std::vector<FolderId> Directory::foldersAbove(std::size_t limit) const {
  std::vector<FolderId> above;
  if (!isOpen()) return above;
  // Where the folder really is, whatever links or spellings led to it; then up part by part.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetFinalPathNameByHandleW(handleOf(descriptor_), path.data(),
                                                     static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
    if (length == 0) return above;
    const bool fits = length < path.size();
    path.resize(length);
    if (fits) break;
  }
  // The backslash that ends the root: "\\?\C:\" or "\\?\UNC\server\share\".
  std::size_t rootEnd = path.find(L'\\', 4);
  if (path.starts_with(L"\\\\?\\UNC\\") && rootEnd != std::wstring::npos)
    rootEnd = path.find(L'\\', path.find(L'\\', 8) + 1);
  while (above.size() < limit && rootEnd != std::wstring::npos) {
    const auto slash = path.find_last_of(L'\\');
    if (slash < rootEnd || slash + 1 == path.size()) break;  // the root has nothing above it
    path.resize(slash);
    const bool atRoot = slash == rootEnd;
    FileStatus status;
    if (statusOfSystemPath(atRoot ? path + L'\\' : path, true, status) != 0) break;
    above.push_back(FolderId{status.device, status.inode});
    if (atRoot) break;
  }
  return above;
}

// Windows lists no inodes, so no walk compares one with the folder it opens.
bool Directory::isMountRoot() const { return false; }

std::error_code statusOfPath(const std::string& path, bool followLinks, FileStatus& status) {
  return errnoCode(statusOfSystemPath(systemPath(path), followLinks, status));
}

}  // namespace pelimor::platform
