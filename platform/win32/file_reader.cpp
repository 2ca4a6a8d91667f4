#include "platform/file_reader.h"

#include <windows.h>
#include <winioctl.h>

#include <cerrno>

#include "platform/descriptor_io.h"
#include "platform/paths.h"
#include "platform/win32/wide_paths.h"

namespace pelimor::platform {

using namespace win32;

FileReader::~FileReader() { close(); }

std::error_code FileReader::open(const std::string& path) {
  close();
  // Shared for every kind of access, so that searching never keeps another program from writing,
  // renaming or removing a file. A link is opened itself and refused, as on other systems.
  const HANDLE handle = openExisting(systemPath(path), GENERIC_READ, kShareAll, false);
  if (handle == INVALID_HANDLE_VALUE) return lastError();
  descriptor_ = nativeOf(handle);
  if (const int error = statusOfHandle(handle, status_); error != 0) {
    close();
    return errnoCode(error);
  }
  if (status_.kind != EntryKind::Regular) {
    const int error = status_.kind == EntryKind::Directory ? EISDIR : EINVAL;
    close();
    return errnoCode(error);
  }
  return {};
}

std::error_code FileReader::openIn(const FolderHandle& folder, const std::string& name) {
  return folder.isOpen() ? open(joinPath(folder.path(), name)) : errnoCode(EBADF);
}

std::error_code FileReader::openIn(const Directory& folder, const char* name) {
  return folder.isOpen() ? open(joinPath(static_cast<const FolderListing*>(folder.stream_)->path, name))
                         : errnoCode(EBADF);
}

void FileReader::close() {
  if (descriptor_ != kNoHandle) ::CloseHandle(handleOf(descriptor_));
  descriptor_ = kNoHandle;
}

// Windows reads ahead on its own once a file is read in order.
void FileReader::adviseSequential() const {}

std::optional<std::uint64_t> FileReader::physicalOffset() const {
  STARTING_VCN_INPUT_BUFFER from{};
  RETRIEVAL_POINTERS_BUFFER extents{};
  DWORD bytes = 0;
  // One extent is room enough: the call then fails with ERROR_MORE_DATA but fills the first.
  const BOOL done = DeviceIoControl(handleOf(descriptor_), FSCTL_GET_RETRIEVAL_POINTERS, &from, sizeof from, &extents,
                                    sizeof extents, &bytes, nullptr);
  if ((!done && GetLastError() != ERROR_MORE_DATA) || extents.ExtentCount == 0 || extents.Extents[0].Lcn.QuadPart < 0)
    return std::nullopt;
  return static_cast<std::uint64_t>(extents.Extents[0].Lcn.QuadPart);
}

ReadResult FileReader::readOnce(std::uint64_t offset, void* buffer, std::size_t length) const {
  return readOnceAt(descriptor_, offset, buffer, length);
}

ReadResult FileReader::readAt(std::uint64_t offset, void* buffer, std::size_t length) const {
  return readFullyAt(descriptor_, offset, buffer, length);
}

}  // namespace pelimor::platform
