#include "platform/io_error_text.h"

#include <cerrno>
#include <cstring>

#include "platform/win32/wide_paths.h"

namespace pelimor::platform {

using namespace win32;

namespace {
// The Windows error that stands for an errno value the platform layer made of it.
DWORD windowsErrorOf(int errnoValue) {
  if (errnoValue >= kWindowsErrorBase) return static_cast<DWORD>(errnoValue - kWindowsErrorBase);
  switch (errnoValue) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
      return ERROR_ACCESS_DENIED;
    case EBUSY:
      return ERROR_SHARING_VIOLATION;
    case EEXIST:
      return ERROR_FILE_EXISTS;
    case EXDEV:
      return ERROR_NOT_SAME_DEVICE;
    case ENOTDIR:
      return ERROR_DIRECTORY;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case EMFILE:
      return ERROR_TOO_MANY_OPEN_FILES;
    case ENOSPC:
      return ERROR_DISK_FULL;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case EOPNOTSUPP:
      return ERROR_NOT_SUPPORTED;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_SUCCESS;
  }
}
}  // namespace

// The system's own text from FormatMessageW, without its closing period and line break; errno
// values that stand for no Windows error keep the C library's text.
std::string systemErrorText(int errnoValue) {
  const DWORD error = windowsErrorOf(errnoValue);
  wchar_t* text = nullptr;
  const DWORD length = error == ERROR_SUCCESS
                           ? 0
                           : ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                                  FORMAT_MESSAGE_IGNORE_INSERTS,
                                              nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length == 0) {
    if (errnoValue >= kWindowsErrorBase) return "Windows error " + std::to_string(errnoValue - kWindowsErrorBase);
    return std::strerror(errnoValue);
  }
  std::string message = utf8Text(std::wstring_view(text, length));
  ::LocalFree(text);
  while (!message.empty() &&
         (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' || message.back() == '.'))
    message.pop_back();
  return message;
}

}  // namespace pelimor::platform
