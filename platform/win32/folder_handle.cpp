#include "platform/folder_handle.h"

#include <cerrno>
#include <string_view>

#include "platform/paths.h"
#include "platform/win32/wide_paths.h"

namespace pelimor::platform {

using namespace win32;

namespace {
// The error of a call that returned `succeeded`: none when it did.
std::error_code errorOf(BOOL succeeded) { return succeeded ? std::error_code() : lastError(); }

const std::error_code kNotOpen = errnoCode(EBADF);

// One name inside a folder: no way up, none across, no drive and no stream.
bool isSingleName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string_view::npos;
}

}  // namespace

FolderHandle::~FolderHandle() { close(); }

std::error_code FolderHandle::open(const std::string& path) {
  close();
  // Held without FILE_SHARE_DELETE: while it is open nobody renames or removes the folder, so its
  // path keeps leading to it and entries can be named by path.
  const HANDLE handle = openExisting(systemPath(path), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, true);
  if (handle == INVALID_HANDLE_VALUE) return lastError();
  FileStatus status;
  int error = statusOfHandle(handle, status);
  if (error == 0 && status.kind != EntryKind::Directory) error = ENOTDIR;
  if (error != 0) {
    ::CloseHandle(handle);
    return errnoCode(error);
  }
  descriptor_ = nativeOf(handle);
  path_ = normalizedFolder(path);
  return {};
}

std::size_t FolderHandle::rootLength(std::string_view path) {
  if (path.size() >= 3 && path[1] == ':' && path[2] == '/') return 3;
  if (path.substr(0, 2) != "//") return 0;
  const std::size_t share = path.find('/', 2);
  if (share == std::string_view::npos || share == 2) return 0;
  const std::size_t end = path.find('/', share + 1);
  return end == std::string_view::npos ? path.size() : end + 1;
}

std::error_code FolderHandle::openChildNoLink(const FolderHandle& parent, const std::string& name) {
  if (!parent.isOpen()) return kNotOpen;
  if (!isSingleName(name)) return errnoCode(EINVAL);
  // The parent, held open without FILE_SHARE_DELETE, can't be renamed meanwhile; a junction or
  // symbolic link is opened itself and refused.
  const std::string path = joinPath(parent.path_, name);
  const HANDLE handle = openExisting(systemPath(path), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, false);
  if (handle == INVALID_HANDLE_VALUE) return lastError();
  FileStatus status;
  int error = statusOfHandle(handle, status);
  if (error == 0 && status.kind == EntryKind::SymbolicLink) error = ELOOP;
  if (error == 0 && status.kind != EntryKind::Directory) error = ENOTDIR;
  if (error != 0) {
    ::CloseHandle(handle);
    return errnoCode(error);
  }
  close();
  descriptor_ = nativeOf(handle);
  path_ = path;
  return {};
}

void FolderHandle::close() {
  if (descriptor_ != kNoHandle) ::CloseHandle(handleOf(descriptor_));
  descriptor_ = kNoHandle;
  path_.clear();
}

std::error_code FolderHandle::ownStatus(FileStatus& status) const {
  return isOpen() ? errnoCode(statusOfHandle(handleOf(descriptor_), status)) : kNotOpen;
}

std::error_code FolderHandle::statusOf(const std::string& name, FileStatus& status) const {
  return isOpen() ? errnoCode(statusOfSystemPath(systemPathIn(path_, name), false, status)) : kNotOpen;
}

std::error_code FolderHandle::makeChildFolder(const std::string& name) const {
  if (!isOpen()) return kNotOpen;
  if (!isSingleName(name)) return errnoCode(EINVAL);
  return errorOf(::CreateDirectoryW(systemPathIn(path_, name).c_str(), nullptr));
}

std::error_code FolderHandle::removeEmptyFolder(const std::string& name) const {
  if (!isOpen()) return kNotOpen;
  // The system removes only an empty folder, and never follows a junction to do it.
  return errorOf(::RemoveDirectoryW(systemPathIn(path_, name).c_str()));
}

std::error_code FolderHandle::removeFile(const std::string& name) const {
  if (!isOpen()) return kNotOpen;
  // A file marked read-only is removed too, its mark cleared first (and put back when it stays).
  const std::wstring path = systemPathIn(path_, name);
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
  if (readOnly) ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  if (::DeleteFileW(path.c_str())) return {};
  const std::error_code error = lastError();
  if (readOnly) ::SetFileAttributesW(path.c_str(), attributes);
  return error;
}

std::error_code FolderHandle::renameReplacing(const std::string& name, const std::string& targetName) const {
  if (!isOpen()) return kNotOpen;
  return errorOf(::MoveFileExW(systemPathIn(path_, name).c_str(), systemPathIn(path_, targetName).c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

std::error_code FolderHandle::renameNoReplace(const std::string& name, const FolderHandle& target,
                                              const std::string& targetName) const {
  if (!isOpen() || !target.isOpen()) return kNotOpen;
  // Without MOVEFILE_REPLACE_EXISTING a taken name fails, and without MOVEFILE_COPY_ALLOWED so does
  // another volume (EXDEV): the caller copies then. Written through, as syncEntries relies on.
  return errorOf(::MoveFileExW(systemPathIn(path_, name).c_str(), systemPathIn(target.path_, targetName).c_str(),
                               MOVEFILE_WRITE_THROUGH));
}

std::error_code FolderHandle::linkTo(const std::string& name, const FolderHandle& source,
                                     const std::string& sourceName) const {
  if (!isOpen() || !source.isOpen()) return kNotOpen;
  return errorOf(
      ::CreateHardLinkW(systemPathIn(path_, name).c_str(), systemPathIn(source.path_, sourceName).c_str(), nullptr));
}

std::error_code FolderHandle::entryNames(std::vector<std::string>& names) const {
  if (!isOpen()) return kNotOpen;
  Directory listing = Directory::open(path_);
  if (!listing.isOpen()) return listing.error();
  const char* name = nullptr;
  EntryKind kind = EntryKind::Unknown;
  while (listing.next(name, kind)) names.emplace_back(name);
  return {};
}

// Renames in here are written through before they return (renameNoReplace, renameReplacing).
std::error_code FolderHandle::syncEntries() const { return isOpen() ? std::error_code() : kNotOpen; }

}  // namespace pelimor::platform
