#pragma once
// The texts by which file errors are shown to the user.
#include <string>
#include <system_error>

#include "platform/error_code.h"
#include "platform/notice_text.h"

namespace pelimor::platform {

enum class IoFailure {
  Open,       // opening a file that should exist
  Create,     // creating or replacing a file
  Read,       // reading
  Write,      // writing
  ShortRead,  // the file ended before the expected bytes
  ShortWrite  // fewer bytes written than asked, without an error code
};

// "File not found", "Invalid filename", "Too many open files", "File access denied",
// "Read beyond end of file", "Disk full", or "I/O error %d" with the errno value.
NoticeText ioErrorText(IoFailure failure, int errnoValue);
// The same for an error code of the platform layer; a short write is "Disk full".
NoticeText ioErrorText(IoFailure failure, std::error_code error);

// The system's own message for an errno value.
std::string systemErrorText(int errnoValue);
// The same for an error code of the platform layer; ours (Failure) have texts of their own.
std::string systemErrorText(std::error_code error);

}  // namespace pelimor::platform
