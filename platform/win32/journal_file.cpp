#include "platform/journal_file.h"

#include <cerrno>

#include "platform/descriptor_io.h"
#include "platform/win32/wide_paths.h"

namespace pelimor::platform {

using namespace win32;

namespace {
// One byte far past any journal's end stands for the whole file, as for the move's copies.
constexpr std::uint64_t kLockOffset = std::uint64_t{1} << 62;

OVERLAPPED lockPlace() {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(kLockOffset);
  at.OffsetHigh = static_cast<DWORD>(kLockOffset >> 32);
  return at;
}

// 0 for a regular file on a disk, else why it is no journal.
int notRegularReason(HANDLE handle) {
  FileStatus status;
  if (const int error = statusOfHandle(handle, status)) return error;
  if (status.kind == EntryKind::SymbolicLink) return ELOOP;
  if (status.kind == EntryKind::Directory) return EISDIR;
  return status.kind == EntryKind::Regular && ::GetFileType(handle) == FILE_TYPE_DISK ? 0 : EINVAL;
}
}  // namespace

std::error_code JournalFile::open(const std::string& path, bool create) {
  close();
  // Appending access: every write goes to the end. The link itself is opened, never followed, and
  // the file takes the folder's access rules, which in the user's own folders let only the user in.
  // Shared for removing, so that a trimmed journal may take its place while another holds it; where
  // the system refuses that, the trim waits for a later action.
  const HANDLE handle = ::CreateFileW(systemPath(path).c_str(), GENERIC_READ | FILE_APPEND_DATA | SYNCHRONIZE,
                                      kShareAll, nullptr, create ? OPEN_ALWAYS : OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const int error = lastErrno();
    // A folder opens only with backup rights: say what it is rather than "access denied".
    FileStatus status;
    if (statusOfSystemPath(systemPath(path), false, status) == 0 && status.kind == EntryKind::Directory)
      return errnoCode(EISDIR);
    return errnoCode(error);
  }
  if (const int error = notRegularReason(handle)) {
    ::CloseHandle(handle);
    return errnoCode(error);
  }
  handle_ = nativeOf(handle);
  return {};
}

void JournalFile::close() {
  if (handle_ != kNoHandle) ::CloseHandle(handleOf(handle_));
  handle_ = kNoHandle;
}

std::error_code JournalFile::tryLock() {
  OVERLAPPED at = lockPlace();
  if (::LockFileEx(handleOf(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) return {};
  return errnoCode(::GetLastError() == ERROR_LOCK_VIOLATION ? EWOULDBLOCK : lastErrno());
}

void JournalFile::unlock() {
  OVERLAPPED at = lockPlace();
  ::UnlockFileEx(handleOf(handle_), 0, 1, 0, &at);
}

bool JournalFile::stillAt(const std::string& path) const {
  FileStatus opened, named;
  return statusOfHandle(handleOf(handle_), opened) == 0 && statusOfSystemPath(systemPath(path), false, named) == 0 &&
         opened.device == named.device && opened.inode == named.inode;
}

std::error_code JournalFile::size(std::uint64_t& size) const {
  LARGE_INTEGER bytes{};
  if (!::GetFileSizeEx(handleOf(handle_), &bytes)) return lastError();
  size = static_cast<std::uint64_t>(bytes.QuadPart);
  return {};
}

ReadResult JournalFile::readAt(std::uint64_t offset, void* buffer, std::size_t length) const {
  return readFullyAt(handle_, offset, buffer, length);
}

std::error_code JournalFile::append(std::string_view bytes) { return writeFully(handle_, bytes); }

}  // namespace pelimor::platform
