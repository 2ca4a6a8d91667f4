#include "platform/file_operations.h"

#include <cerrno>

#include "platform/win32/wide_paths.h"

namespace pelimor::platform {

using namespace win32;

namespace {
NativeHandle created(HANDLE handle, int& error) {
  error = handle == INVALID_HANDLE_VALUE ? lastErrno() : 0;
  return nativeOf(handle);
}

// One byte far past any file's end stands for the whole file: a lock there never stands in the
// way of reading or writing the file's bytes.
constexpr std::uint64_t kLockOffset = std::uint64_t{1} << 62;

// 0, EBUSY when another handle holds the lock, or an errno value.
int lockAtOnce(HANDLE handle) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(kLockOffset);
  at.OffsetHigh = static_cast<DWORD>(kLockOffset >> 32);
  if (::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) return 0;
  return ::GetLastError() == ERROR_LOCK_VIOLATION ? EBUSY : lastErrno();
}

// True when `path` still leads to the open file `handle`.
bool pathLeadsTo(const std::wstring& path, HANDLE handle) {
  FileStatus opened, named;
  return statusOfHandle(handle, opened) == 0 && statusOfSystemPath(path, false, named) == 0 &&
         opened.device == named.device && opened.inode == named.inode;
}

// Marks the open file to be removed when its last handle closes; a read-only mark is cleared first.
int removeOnClose(HANDLE handle) {
  FILE_DISPOSITION_INFO gone{TRUE};
  if (::SetFileInformationByHandle(handle, FileDispositionInfo, &gone, sizeof gone)) return 0;
  FILE_BASIC_INFO basic{};
  basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  if (!::SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic)) return lastErrno();
  return ::SetFileInformationByHandle(handle, FileDispositionInfo, &gone, sizeof gone) ? 0 : lastErrno();
}
}  // namespace

OutputFile::~OutputFile() {
  if (descriptor_ != kNoHandle) ::CloseHandle(handleOf(descriptor_));
}

std::error_code OutputFile::create(const std::string& path) {
  if (descriptor_ != kNoHandle) ::CloseHandle(handleOf(descriptor_));
  descriptor_ = kNoHandle;
  // A file marked read-only is never replaced (Wine, as root, would let it be).
  FileStatus old;
  if (!statusOfPath(path, true, old) && old.kind == EntryKind::Regular && old.markedReadOnly())
    return errnoCode(EACCES);
  int error = 0;
  descriptor_ = created(::CreateFileW(systemPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr),
                        error);
  return errnoCode(error);
}

std::error_code OutputFile::openForAppending(const std::string& path) {
  if (descriptor_ != kNoHandle) ::CloseHandle(handleOf(descriptor_));
  descriptor_ = kNoHandle;
  // Appending access alone: every write goes to the end. Others may read it, and put a shorter one
  // in its place. The file takes the folder's access rules, which in the user's own folders let
  // only the user in.
  int error = 0;
  descriptor_ = created(::CreateFileW(systemPath(path).c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr),
                        error);
  return errnoCode(error);
}

std::error_code OutputFile::createNewIn(const FolderHandle& folder, const std::string& name) {
  if (descriptor_ != kNoHandle) ::CloseHandle(handleOf(descriptor_));
  descriptor_ = kNoHandle;
  if (!folder.isOpen()) return errnoCode(EBADF);
  // CREATE_NEW never opens what is already there, a link included. The file takes the folder's
  // access rules, which in the user's own folders let only the user in.
  int error = 0;
  descriptor_ = created(::CreateFileW(systemPathIn(folder.path(), name).c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr),
                        error);
  return errnoCode(error);
}

std::error_code OutputFile::createLockedIn(const FolderHandle& folder, const std::string& name) {
  if (descriptor_ != kNoHandle) ::CloseHandle(handleOf(descriptor_));
  descriptor_ = kNoHandle;
  if (!folder.isOpen()) return errnoCode(EBADF);
  // Shared for removing, since the copy is renamed while it is open: the lock, not a refused open,
  // tells it is being written.
  const std::wstring path = systemPathIn(folder.path(), name);
  int error = 0;
  descriptor_ = created(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr),
                        error);
  if (error != 0) return errnoCode(error);
  // Until it is locked the new file looks left behind and may be removed; then the path no longer
  // leads to it. A file system without locks leaves the copy unlocked, and nobody can remove it.
  if (lockAtOnce(handleOf(descriptor_)) == EBUSY || !pathLeadsTo(path, handleOf(descriptor_))) {
    close();
    return errnoCode(EEXIST);
  }
  return {};
}

std::error_code OutputFile::write(std::string_view bytes) { return writeFully(descriptor_, bytes); }

ReadResult OutputFile::readAt(std::uint64_t offset, void* buffer, std::size_t length) const {
  return readFullyAt(descriptor_, offset, buffer, length);
}

std::error_code OutputFile::keepAttributesOf(const FileStatus& source) {
  // The modification time, and the read-only attribute where the source had it (no write bit);
  // zeros leave the other times and attributes as they are. Owners stay with the folder's rules.
  FILE_BASIC_INFO basic{};
  basic.LastWriteTime.QuadPart = fileTimeOf(source.modifiedSeconds, source.modifiedNanoseconds);
  basic.FileAttributes = source.markedReadOnly() ? FILE_ATTRIBUTE_READONLY : 0;
  if (::SetFileInformationByHandle(handleOf(descriptor_), FileBasicInfo, &basic, sizeof basic)) return {};
  return lastError();
}

std::error_code OutputFile::sync() {
  return ::FlushFileBuffers(handleOf(descriptor_)) ? std::error_code() : lastError();
}

std::error_code OutputFile::status(FileStatus& status) const {
  return errnoCode(statusOfHandle(handleOf(descriptor_), status));
}

std::error_code OutputFile::close() {
  const HANDLE handle = handleOf(descriptor_);
  descriptor_ = kNoHandle;
  return ::CloseHandle(handle) ? std::error_code() : lastError();
}

std::error_code removeUnlockedFile(const FolderHandle& folder, const std::string& name) {
  if (!folder.isOpen()) return errnoCode(EBADF);
  const std::wstring path = systemPathIn(folder.path(), name);
  const HANDLE handle = openExisting(path, GENERIC_READ | DELETE | FILE_WRITE_ATTRIBUTES, kShareAll, false);
  if (handle == INVALID_HANDLE_VALUE) return lastError();
  FileStatus status;
  int error = statusOfHandle(handle, status);
  if (error == 0 && status.kind != EntryKind::Regular) error = EINVAL;
  if (error == 0) error = lockAtOnce(handle);
  if (error == 0) error = removeOnClose(handle);
  ::CloseHandle(handle);
  return errnoCode(error);
}

}  // namespace pelimor::platform
