#include "platform/io_error_text.h"

#include <cerrno>

namespace pelimor::platform {

std::string ioErrorText(IoFailure failure, int errnoValue) {
  if (failure == IoFailure::ShortRead) return "Read beyond end of file";
  if (failure == IoFailure::ShortWrite) return "Disk full";
  switch (errnoValue) {
    case ENOENT:
      // A missing file when opening one that should exist; otherwise a missing folder on the way.
      return failure == IoFailure::Open ? "File not found" : "Invalid filename";
    case ENOTDIR:
    case ENAMETOOLONG:
      return "Invalid filename";
    case EMFILE:
    case ENFILE:
      return "Too many open files";
    case EACCES:
    case EPERM:
    case EROFS:
      return "File access denied";
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return "Disk full";
    default:
      return "I/O error " + std::to_string(errnoValue);
  }
}

std::string ioErrorText(IoFailure failure, std::error_code error) {
  if (error == Failure::ShortWrite) return ioErrorText(IoFailure::ShortWrite, 0);
  return ioErrorText(failure, error.value());
}

std::string systemErrorText(std::error_code error) {
  return error.category() == std::generic_category() ? systemErrorText(error.value()) : error.message();
}

}  // namespace pelimor::platform
