#include "platform/block_sharing.h"

#include <cerrno>

#include "platform/win32/wide_paths.h"

namespace pelimor::platform {

using namespace win32;

// Windows has no call that compares two files' bytes and shares their blocks only when they agree
// (block cloning copies whatever is there, and only on ReFS): refused as unsupported.
std::error_code shareBlocks(const FileReader&, NativeHandle, std::uint64_t) { return errnoCode(EOPNOTSUPP); }

std::error_code unsharedBytes(NativeHandle, std::uint64_t&) { return errnoCode(EOPNOTSUPP); }

std::error_code openForSharing(const FolderHandle& folder, const std::string& name, NativeHandle& descriptor,
                               FileStatus& status) {
  descriptor = kNoHandle;
  if (!folder.isOpen()) return errnoCode(EBADF);
  const HANDLE handle =
      openExisting(systemPathIn(folder.path(), name), FILE_WRITE_DATA | FILE_READ_ATTRIBUTES, kShareAll, false);
  if (handle == INVALID_HANDLE_VALUE) return lastError();
  int error = statusOfHandle(handle, status);
  if (error == 0 && status.kind != EntryKind::Regular) error = EINVAL;
  if (error != 0) {
    ::CloseHandle(handle);
    return errnoCode(error);
  }
  descriptor = nativeOf(handle);
  return {};
}

void closeDescriptor(NativeHandle descriptor) {
  if (descriptor != kNoHandle) ::CloseHandle(handleOf(descriptor));
}

}  // namespace pelimor::platform
