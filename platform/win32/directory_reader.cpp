#include "platform/directory_reader.h"

#include <cerrno>
#include <utility>

#include "platform/paths.h"
#include "platform/win32/wide_paths.h"

namespace pelimor::platform {

using namespace win32;

namespace {
FolderListing* listingOf(void* stream) { return static_cast<FolderListing*>(stream); }

EntryKind kindOfFound(const WIN32_FIND_DATAW& found) {
  // dwReserved0 holds the reparse tag when the entry is a reparse point.
  if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
      (found.dwReserved0 == IO_REPARSE_TAG_SYMLINK || found.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT))
    return EntryKind::SymbolicLink;
  if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return EntryKind::Directory;
  if (found.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) return EntryKind::Other;
  return EntryKind::Regular;
}

// Opens a folder and keeps it from being renamed or removed while it is open (no FILE_SHARE_DELETE):
// the Windows counterpart of acting on its entries through a descriptor. A link is refused
// (ELOOP) unless `followLinks`. The handle, or INVALID_HANDLE_VALUE with `error` set.
HANDLE openFolder(const std::string& path, bool followLinks, int& error) {
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
  if (error == 0) return handle;
  ::CloseHandle(handle);
  return INVALID_HANDLE_VALUE;
}
}  // namespace

Directory::Directory(NativeHandle descriptor) : descriptor_(descriptor) {}

Directory Directory::open(const std::string& path) {
  int error = 0;
  Directory folder(nativeOf(openFolder(path, true, error)));
  folder.error_ = error;
  if (folder.descriptor_ != kNoHandle) folder.stream_ = new FolderListing(normalizedFolder(path));
  return folder;
}

Directory Directory::openChild(const char* name) const {
  if (!isOpen()) return Directory(kNoHandle);
  const std::string path = joinPath(listingOf(stream_)->path, name);
  // A link put here meanwhile is refused: links are walked by their own path.
  int error = 0;
  Directory folder(nativeOf(openFolder(path, false, error)));
  folder.error_ = error;
  if (folder.descriptor_ != kNoHandle) folder.stream_ = new FolderListing(path);
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
    if (!listing->started) {
      listing->started = true;
      // The basic level leaves out the short 8.3 names; a large fetch asks for many entries a call.
      listing->search = ::FindFirstFileExW(systemPathIn(listing->path, "*").c_str(), FindExInfoBasic, &listing->found,
                                           FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
      if (listing->search == INVALID_HANDLE_VALUE) return false;
    } else if (listing->search == INVALID_HANDLE_VALUE || !::FindNextFileW(listing->search, &listing->found)) {
      return false;
    }
    const wchar_t* entry = listing->found.cFileName;
    if (entry[0] == L'.' && (entry[1] == L'\0' || (entry[1] == L'.' && entry[2] == L'\0'))) continue;
    listing->name = utf8Text(entry);
    name = listing->name.c_str();
    kind = kindOfFound(listing->found);
    return true;
  }
}

int Directory::statusOf(const char* name, bool followLinks, FileStatus& status) const {
  if (!isOpen()) return EBADF;
  return statusOfSystemPath(systemPathIn(listingOf(stream_)->path, name), followLinks, status);
}

int Directory::ownStatus(FileStatus& status) const {
  return isOpen() ? statusOfHandle(handleOf(descriptor_), status) : EBADF;
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

int statusOfPath(const std::string& path, bool followLinks, FileStatus& status) {
  return statusOfSystemPath(systemPath(path), followLinks, status);
}

}  // namespace pelimor::platform
