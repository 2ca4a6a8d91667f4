#include "platform/io_error_text.h"

#include <cerrno>

namespace pelimor::platform {

NoticeText ioErrorText(IoFailure failure, int errnoValue) {
  if (failure == IoFailure::ShortRead) return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "Read beyond end of file"));
  if (failure == IoFailure::ShortWrite) return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "Disk full"));
  switch (errnoValue) {
    case ENOENT:
      // A missing file when opening one that should exist; otherwise a missing folder on the way.
      return NoticeText::of(failure == IoFailure::Open ? PELIMOR_WINDOW_TEXT("Notices", "File not found")
                                                       : PELIMOR_WINDOW_TEXT("Notices", "Invalid filename"));
    case ENOTDIR:
    case ENAMETOOLONG:
      return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "Invalid filename"));
    case EMFILE:
    case ENFILE:
      return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "Too many open files"));
    case EACCES:
    case EPERM:
    case EROFS:
      return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "File access denied"));
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "Disk full"));
    default:
      return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "I/O error %1"), std::to_string(errnoValue));
  }
}

NoticeText ioErrorText(IoFailure failure, std::error_code error) {
  if (error == Failure::ShortWrite) return ioErrorText(IoFailure::ShortWrite, 0);
  return ioErrorText(failure, error.value());
}

std::string systemErrorText(std::error_code error) {
  return error.category() == std::generic_category() ? systemErrorText(error.value()) : error.message();
}

}  // namespace pelimor::platform
