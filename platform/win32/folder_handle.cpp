#include "platform/folder_handle.h"

#include <cerrno>

#include "platform/paths.h"
#include "platform/win32/wide_paths.h"

namespace pelimor::platform {

using namespace win32;

FolderHandle::~FolderHandle() { close(); }

int FolderHandle::open(const std::string& path) {
  close();
  // Held without FILE_SHARE_DELETE: while it is open nobody renames or removes the folder, so its
  // path keeps leading to it and entries can be named by path.
  const HANDLE handle = openExisting(systemPath(path), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, true);
  if (handle == INVALID_HANDLE_VALUE) return lastErrno();
  FileStatus status;
  int error = statusOfHandle(handle, status);
  if (error == 0 && status.kind != EntryKind::Directory) error = ENOTDIR;
  if (error != 0) {
    ::CloseHandle(handle);
    return error;
  }
  descriptor_ = nativeOf(handle);
  path_ = normalizedFolder(path);
  return 0;
}

void FolderHandle::close() {
  if (descriptor_ != kNoHandle) ::CloseHandle(handleOf(descriptor_));
  descriptor_ = kNoHandle;
  path_.clear();
}

int FolderHandle::ownStatus(FileStatus& status) const {
  return isOpen() ? statusOfHandle(handleOf(descriptor_), status) : EBADF;
}

int FolderHandle::statusOf(const std::string& name, FileStatus& status) const {
  return isOpen() ? statusOfSystemPath(systemPathIn(path_, name), false, status) : EBADF;
}

int FolderHandle::removeFile(const std::string& name) const {
  if (!isOpen()) return EBADF;
  // A file marked read-only is removed too, its mark cleared first (and put back when it stays).
  const std::wstring path = systemPathIn(path_, name);
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
  if (readOnly) ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  if (::DeleteFileW(path.c_str())) return 0;
  const int error = lastErrno();
  if (readOnly) ::SetFileAttributesW(path.c_str(), attributes);
  return error;
}

int FolderHandle::renameReplacing(const std::string& name, const std::string& targetName) const {
  if (!isOpen()) return EBADF;
  return ::MoveFileExW(systemPathIn(path_, name).c_str(), systemPathIn(path_, targetName).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
             ? 0
             : lastErrno();
}

int FolderHandle::renameNoReplace(const std::string& name, const FolderHandle& target,
                                  const std::string& targetName) const {
  if (!isOpen() || !target.isOpen()) return EBADF;
  // Without MOVEFILE_REPLACE_EXISTING a taken name fails, and without MOVEFILE_COPY_ALLOWED so does
  // another volume (EXDEV): the caller copies then. Written through, as syncEntries relies on.
  return ::MoveFileExW(systemPathIn(path_, name).c_str(), systemPathIn(target.path_, targetName).c_str(),
                       MOVEFILE_WRITE_THROUGH)
             ? 0
             : lastErrno();
}

int FolderHandle::linkTo(const std::string& name, const FolderHandle& source, const std::string& sourceName) const {
  if (!isOpen() || !source.isOpen()) return EBADF;
  return ::CreateHardLinkW(systemPathIn(path_, name).c_str(), systemPathIn(source.path_, sourceName).c_str(), nullptr)
             ? 0
             : lastErrno();
}

int FolderHandle::entryNames(std::vector<std::string>& names) const {
  if (!isOpen()) return EBADF;
  Directory listing = Directory::open(path_);
  if (!listing.isOpen()) return listing.error();
  const char* name = nullptr;
  EntryKind kind = EntryKind::Unknown;
  while (listing.next(name, kind)) names.emplace_back(name);
  return 0;
}

// Renames in here are written through before they return (renameNoReplace, renameReplacing).
int FolderHandle::syncEntries() const { return isOpen() ? 0 : EBADF; }

}  // namespace pelimor::platform
