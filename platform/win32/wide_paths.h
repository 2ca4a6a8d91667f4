#pragma once
// What every Windows part of the platform layer shares: the program's UTF-8 paths turned into the
// system's UTF-16 ones and back, Windows error codes as errno values, and a file's status taken
// from an open handle. Only for platform/win32.
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/file_status.h"
#include "platform/native_handle.h"

namespace pelimor::platform::win32 {

std::wstring wideText(std::string_view text);
std::string utf8Text(std::wstring_view text);

// An absolute path in the system's form, with the long-path prefix ("\\?\C:\...", "\\?\UNC\..."),
// so that neither MAX_PATH nor '/' matter. Relative paths start at the current folder.
std::wstring systemPath(std::string_view path);
// A path the system gave back, in the program's form: UTF-8, '/' between parts, no prefix.
std::string programPath(std::wstring_view path);
// `folder` and `name` joined, in the system's form.
std::wstring systemPathIn(std::string_view folder, std::string_view name);

// Windows error codes that have an errno counterpart get it; any other comes back as
// kWindowsErrorBase plus the code, so that systemErrorText can still give the system's text.
inline constexpr int kWindowsErrorBase = 1 << 20;
int errnoOf(DWORD windowsError);
inline int lastErrno() { return errnoOf(::GetLastError()); }

inline HANDLE handleOf(NativeHandle handle) { return reinterpret_cast<HANDLE>(handle); }
inline NativeHandle nativeOf(HANDLE handle) { return reinterpret_cast<NativeHandle>(handle); }

// Every other program may go on reading, writing, renaming and removing a file we look at.
inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens `path` for `access`; folders open too, and a link (symbolic link, junction) is opened
// itself unless `followLinks`. INVALID_HANDLE_VALUE on failure, with the error left in GetLastError.
HANDLE openExisting(const std::wstring& path, DWORD access, DWORD share, bool followLinks);

// The status of an open file or folder: 0 or an errno value. Its identity is the volume's serial
// number and the file index, so hard links of one file have one identity.
int statusOfHandle(HANDLE handle, FileStatus& status);
// The status of a path without keeping it open.
int statusOfSystemPath(const std::wstring& path, bool followLinks, FileStatus& status);

// What an open Directory keeps besides its handle: its path (the system lists folders by path
// only) and the listing under way.
struct FolderListing {
  explicit FolderListing(std::string folder) : path(std::move(folder)) {}
  std::string path;
  HANDLE search = INVALID_HANDLE_VALUE;
  bool started = false;
  WIN32_FIND_DATAW found{};
  std::string name;  // the current entry in UTF-8
  ~FolderListing() {
    if (search != INVALID_HANDLE_VALUE) ::FindClose(search);
  }
};

// Nanoseconds since 1970 from a FILETIME count of 100 ns since 1601, and back.
std::int64_t unixNanoseconds(std::int64_t fileTime);
std::int64_t fileTimeOf(std::int64_t seconds, std::int64_t nanoseconds);

}  // namespace pelimor::platform::win32
