#pragma once
// A file opened for reading its content once, front to back or at chosen offsets.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

#include "platform/directory_reader.h"
#include "platform/error_code.h"
#include "platform/folder_handle.h"

namespace pelimor::platform {

class FileReader {
 public:
  FileReader() = default;
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;
  ~FileReader();

  // Opens a regular file for reading; a non-regular one fails with EISDIR or EINVAL.
  std::error_code open(const std::string& path);
  // The same for the entry `name` of an open folder, which spares the system a walk along the path.
  std::error_code openIn(const FolderHandle& folder, const std::string& name);
  std::error_code openIn(const Directory& folder, const char* name);
  void close();
  bool isOpen() const { return descriptor_ >= 0; }
  NativeHandle descriptor() const { return descriptor_; }

  const FileStatus& status() const { return status_; }
  // Tells the system the file will be read front to back once.
  void adviseSequential() const;
  // Where the file's first byte lies on its disk, to read many files in the disk's own order;
  // nothing where the system won't say (an empty file, data kept in the inode, a network file).
  std::optional<std::uint64_t> physicalOffset() const;
  // Reads up to `length` bytes at `offset`, retrying interrupted and partial reads.
  // Fewer bytes than asked only at the end of the file.
  ReadResult readAt(std::uint64_t offset, void* buffer, std::size_t length) const;
  // One read of up to `length` bytes at `offset`: fewer at the end of the file, or when the system
  // hands out less at once. Spares readAt's second call, which only finds the end.
  ReadResult readOnce(std::uint64_t offset, void* buffer, std::size_t length) const;

 private:
  std::error_code openWith(NativeHandle folderDescriptor, const char* path);
  NativeHandle descriptor_ = kNoHandle;
  FileStatus status_;
};

}  // namespace pelimor::platform
