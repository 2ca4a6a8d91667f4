#pragma once
// What every Windows part of the platform layer shares: the program's UTF-8 paths turned into the
// system's UTF-16 ones and back, Windows error codes as errno values, and a file's status taken
// from an open handle. Only for platform/win32.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/error_code.h"
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
inline std::error_code lastError() { return errnoCode(lastErrno()); }

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
// The 64-bit file index in a 128-bit file id.
std::uint64_t fileIndexOf(const FILE_ID_128& id);
// The status of a path without keeping it open.
int statusOfSystemPath(const std::wstring& path, bool followLinks, FileStatus& status);

// What an open Directory keeps besides its handle: its path (the system lists folders by path
// only) and the listing under way.
struct FolderListing {
  FolderListing(std::string folder, std::uint64_t serial) : path(std::move(folder)), device(serial) {}
  ~FolderListing() {
    if (search != INVALID_HANDLE_VALUE && search != nullptr) ::FindClose(search);
  }
  std::string path;
  std::uint64_t device;  // the volume's serial number
  bool started = false;
  // Listed through the folder's handle: a batch of entries with their identities.
  bool byHandle = true;
  std::vector<std::uint64_t> batch;  // 8-byte aligned, as the entries must be
  std::size_t next = 0;              // offset of the next entry in the batch; npos when used up
  // Listed by path where the file system cannot list through a handle.
  HANDLE search = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW found{};
  std::string name;      // the current entry in UTF-8
  DWORD attributes = 0;  // the current entry's
  FileStatus status;
  bool hasStatus = false;  // the current entry's status came with it
};

// A status from the fields the system gives for a file or a listed entry.
FileStatus statusOfFields(DWORD attributes, bool isLink, std::uint64_t size, std::uint64_t device, std::uint64_t inode,
                          std::int64_t lastWriteTime, std::int64_t changeTime);
inline bool isLinkTag(DWORD tag) { return tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT; }

// Nanoseconds since 1970 from a FILETIME count of 100 ns since 1601, and back.
std::int64_t unixNanoseconds(std::int64_t fileTime);
std::int64_t fileTimeOf(std::int64_t seconds, std::int64_t nanoseconds);

}  // namespace pelimor::platform::win32
