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
  const std::int64_t done = readFullyAt(descriptor_, position_, buffer, length);
  if (done > 0) position_ += static_cast<std::uint64_t>(done);
  return done == static_cast<std::int64_t>(length);
}

}  // namespace pelimor::platform
