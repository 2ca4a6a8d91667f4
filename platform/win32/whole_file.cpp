#include "platform/whole_file.h"

#include <cerrno>
#include <utility>

#include "platform/descriptor_io.h"
#include "platform/directory_reader.h"
#include "platform/system_version.h"
#include "platform/win32/wide_paths.h"

namespace pelimor::platform {

using namespace win32;

namespace {
int closeHandle(NativeHandle& handle) {
  int error = 0;
  if (handle != kNoHandle && !::CloseHandle(handleOf(handle))) error = lastErrno();
  handle = kNoHandle;
  return error;
}

// A link is followed so that a settings file kept elsewhere stays a link.
std::string resolvedTarget(const std::string& path) {
  FileStatus status;
  if (statusOfPath(path, false, status) || status.kind != EntryKind::SymbolicLink) return path;
  const HANDLE handle = openExisting(systemPath(path), FILE_READ_ATTRIBUTES, kShareAll, true);
  if (handle == INVALID_HANDLE_VALUE) return path;
  std::wstring target(32768, L'\0');
  const DWORD length = ::GetFinalPathNameByHandleW(handle, target.data(), static_cast<DWORD>(target.size()), 0);
  ::CloseHandle(handle);
  if (length == 0 || length >= target.size()) return path;
  target.resize(length);
  return programPath(target);
}
}  // namespace

bool settingsFileExists(const std::string& path) {
  FileStatus status;
  return !statusOfPath(path, true, status) && status.kind == EntryKind::Regular;
}

InputFile::~InputFile() { close(); }

std::error_code InputFile::open(const std::string& path, Access access) {
  close();
  const DWORD wanted = access == Access::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  const HANDLE handle = openExisting(systemPath(path), wanted, kShareAll, true);
  if (handle == INVALID_HANDLE_VALUE) {
    const int error = lastErrno();
    // A file marked read-only refuses writing; a folder opened for writing says the same.
    if (error == EACCES && access == Access::ReadWrite) {
      FileStatus status;
      if (!statusOfPath(path, true, status) && status.kind == EntryKind::Directory) return errnoCode(EISDIR);
    }
    return errnoCode(error);
  }
  descriptor_ = nativeOf(handle);
  FileStatus status;
  const int error = statusOfHandle(handle, status);
  return errnoCode(acceptOpened(error, status, access));
}

void InputFile::close() { closeHandle(descriptor_); }

ReplacingFile::ReplacingFile(std::string path) : path_(std::move(path)), target_(resolvedTarget(path_)) {}

ReplacingFile::~ReplacingFile() { discard(); }

std::error_code ReplacingFile::create() {
  discard();
  FileStatus status;
  if (!statusOfPath(target_, true, status)) {
    if (status.kind == EntryKind::Directory) return errnoCode(EISDIR);
    if (status.kind == EntryKind::Regular && status.markedReadOnly()) return errnoCode(EACCES);
  }
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = target_ + ".tmp-" + std::to_string(processId()) + "-" + std::to_string(counter++);
    const HANDLE handle =
        ::CreateFileW(systemPath(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      descriptor_ = nativeOf(handle);
      temporary_ = std::move(name);
      return {};
    }
    if (const int error = lastErrno(); error != EEXIST) return errnoCode(error);
  }
  return errnoCode(EEXIST);
}

std::error_code ReplacingFile::write(const void* data, std::size_t length) {
  if (descriptor_ == kNoHandle) return errnoCode(EBADF);
  // A write that makes no progress counts as a full disk.
  const std::error_code error = writeFully(descriptor_, std::string_view(static_cast<const char*>(data), length));
  return error == Failure::ShortWrite ? errnoCode(ENOSPC) : error;
}

std::error_code ReplacingFile::finish() {
  if (descriptor_ == kNoHandle) return errnoCode(EBADF);
  const int error = ::FlushFileBuffers(handleOf(descriptor_)) ? 0 : lastErrno();
  const int closeError = closeHandle(descriptor_);
  return errnoCode(error != 0 ? error : closeError);
}

std::error_code ReplacingFile::replace() {
  if (temporary_.empty() || descriptor_ != kNoHandle) return errnoCode(EBADF);
  // Replacing is the point here, done in one step, and written through before the call returns.
  if (!::MoveFileExW(systemPath(temporary_).c_str(), systemPath(target_).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return lastError();
  temporary_.clear();
  return {};
}

void ReplacingFile::discard() {
  closeHandle(descriptor_);
  if (!temporary_.empty()) ::DeleteFileW(systemPath(temporary_).c_str());
  temporary_.clear();
}

}  // namespace pelimor::platform
