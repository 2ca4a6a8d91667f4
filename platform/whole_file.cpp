#include "platform/whole_file.h"

#include <cerrno>

#include "platform/descriptor_io.h"

namespace pelimor::platform {

int InputFile::acceptOpened(int error, const FileStatus& status, Access access) {
  if (error == 0 && status.kind == EntryKind::Directory) error = EISDIR;
  if (error == 0 && status.kind != EntryKind::Regular) error = EINVAL;
  if (error == 0 && access == Access::ReadWrite && status.markedReadOnly()) error = EACCES;
  if (error != 0) {
    close();
    return error;
  }
  size_ = status.size;
  position_ = 0;
  return 0;
}

bool InputFile::readExact(void* buffer, std::size_t length) {
  const ReadResult done = readFullyAt(descriptor_, position_, buffer, length);
  position_ += done.bytes;
  return !done.error && done.bytes == length;
}

}  // namespace pelimor::platform
