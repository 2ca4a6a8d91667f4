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
}  // namespace

OutputFile::~OutputFile() {
  if (descriptor_ != kNoHandle) ::CloseHandle(handleOf(descriptor_));
}

int OutputFile::create(const std::string& path) {
  if (descriptor_ != kNoHandle) ::CloseHandle(handleOf(descriptor_));
  descriptor_ = kNoHandle;
  // A file marked read-only is never replaced (Wine, as root, would let it be).
  FileStatus old;
  if (statusOfPath(path, true, old) == 0 && old.kind == EntryKind::Regular && old.markedReadOnly()) return EACCES;
  int error = 0;
  descriptor_ = created(::CreateFileW(systemPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr),
                        error);
  return error;
}

int OutputFile::createNewIn(const FolderHandle& folder, const std::string& name) {
  if (descriptor_ != kNoHandle) ::CloseHandle(handleOf(descriptor_));
  descriptor_ = kNoHandle;
  if (!folder.isOpen()) return EBADF;
  // CREATE_NEW never opens what is already there, a link included. The file takes the folder's
  // access rules, which in the user's own folders let only the user in.
  int error = 0;
  descriptor_ = created(::CreateFileW(systemPathIn(folder.path(), name).c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr),
                        error);
  return error;
}

int OutputFile::write(std::string_view bytes) { return writeFully(descriptor_, bytes); }

std::int64_t OutputFile::readAt(std::uint64_t offset, void* buffer, std::size_t length) const {
  return readFullyAt(descriptor_, offset, buffer, length);
}

int OutputFile::keepAttributesOf(const FileStatus& source) {
  // The modification time, and the read-only attribute where the source had it (no write bit);
  // zeros leave the other times and attributes as they are. Owners stay with the folder's rules.
  FILE_BASIC_INFO basic{};
  basic.LastWriteTime.QuadPart = fileTimeOf(source.modifiedSeconds, source.modifiedNanoseconds);
  basic.FileAttributes = source.markedReadOnly() ? FILE_ATTRIBUTE_READONLY : 0;
  return ::SetFileInformationByHandle(handleOf(descriptor_), FileBasicInfo, &basic, sizeof basic) ? 0 : lastErrno();
}

int OutputFile::sync() { return ::FlushFileBuffers(handleOf(descriptor_)) ? 0 : lastErrno(); }

int OutputFile::status(FileStatus& status) const { return statusOfHandle(handleOf(descriptor_), status); }

int OutputFile::close() {
  const HANDLE handle = handleOf(descriptor_);
  descriptor_ = kNoHandle;
  return ::CloseHandle(handle) ? 0 : lastErrno();
}

}  // namespace pelimor::platform
