#include "platform/win32/wide_paths.h"

#include <cerrno>
#include <cstring>

namespace pelimor::platform::win32 {

namespace {
constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
constexpr std::wstring_view kLongUncPrefix = L"\\\\?\\UNC\\";
constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kTicksTo1970 = 116'444'736'000'000'000;  // from 1601-01-01
}  // namespace

std::wstring wideText(std::string_view text) {
  if (text.empty()) return {};
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string utf8Text(std::wstring_view text) {
  if (text.empty()) return {};
  const int length =
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), length, nullptr, nullptr);
  return utf8;
}

std::wstring systemPath(std::string_view path) {
  std::wstring wide = wideText(path);
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  if (wide.starts_with(kLongPrefix) || wide.empty()) return wide;
  // The prefix turns off the system's own clean-up of "." and ".." parts: made absolute first.
  const DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return wide;
  std::wstring full(needed, L'\0');
  full.resize(::GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr));
  if (full.starts_with(L"\\\\")) return std::wstring(kLongUncPrefix) + full.substr(2);
  return std::wstring(kLongPrefix) + full;
}

std::string programPath(std::wstring_view path) {
  std::string text;
  if (path.starts_with(kLongUncPrefix))
    text = "//" + utf8Text(path.substr(kLongUncPrefix.size()));
  else
    text = utf8Text(path.starts_with(kLongPrefix) ? path.substr(kLongPrefix.size()) : path);
  for (char& c : text)
    if (c == '\\') c = '/';
  return text;
}

std::wstring systemPathIn(std::string_view folder, std::string_view name) {
  std::wstring path = systemPath(folder);
  if (!path.empty() && path.back() != L'\\') path.push_back(L'\\');
  return path + wideText(name);
}

int errnoOf(DWORD windowsError) {
  switch (windowsError) {
    case ERROR_SUCCESS:
      return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_PRIVILEGE_NOT_HELD:
      return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EBUSY;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return EINVAL;
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
      return EOPNOTSUPP;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_CANT_RESOLVE_FILENAME:
    case ERROR_CANT_ACCESS_FILE:
      return ELOOP;
    default:
      return kWindowsErrorBase + static_cast<int>(windowsError & 0xFFFF);
  }
}

HANDLE openExisting(const std::wstring& path, DWORD access, DWORD share, bool followLinks) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  return ::CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr);
}

std::int64_t unixNanoseconds(std::int64_t fileTime) { return (fileTime - kTicksTo1970) * 100; }

std::int64_t fileTimeOf(std::int64_t seconds, std::int64_t nanoseconds) {
  return seconds * kTicksPerSecond + nanoseconds / 100 + kTicksTo1970;
}

FileStatus statusOfFields(DWORD attributes, bool isLink, std::uint64_t size, std::uint64_t device, std::uint64_t inode,
                          std::int64_t lastWriteTime, std::int64_t changeTime) {
  FileStatus result;
  if (isLink)
    result.kind = EntryKind::SymbolicLink;
  else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
    result.kind = EntryKind::Directory;
  else
    result.kind = attributes & FILE_ATTRIBUTE_DEVICE ? EntryKind::Other : EntryKind::Regular;
  result.size = size;
  result.device = device;
  result.inode = inode;
  const std::int64_t modified = unixNanoseconds(lastWriteTime);
  const std::int64_t changed = unixNanoseconds(changeTime);
  constexpr std::int64_t kBillion = 1'000'000'000;
  // Floor division keeps the nanoseconds within 0..999999999 for times before 1970 too.
  result.modifiedSeconds = modified / kBillion - (modified % kBillion < 0 ? 1 : 0);
  result.modifiedNanoseconds = modified - result.modifiedSeconds * kBillion;
  result.changedSeconds = changed / kBillion - (changed % kBillion < 0 ? 1 : 0);
  result.changedNanoseconds = changed - result.changedSeconds * kBillion;
  // The read-only attribute is the one permission Windows keeps per file: as mode bits, so that
  // a file marked read-only differs from one that is not wherever the bits are compared.
  const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  result.permissions = (result.kind == EntryKind::Directory ? 0555 : 0444) | (readOnly ? 0 : 0200);
  return result;
}

int statusOfHandle(HANDLE handle, FileStatus& status) {
  // FILE_ID_INFO rather than BY_HANDLE_FILE_INFORMATION: the volume's full serial number, the whole
  // file id, and no query of the volume's label with every file (which costs Wine a device read).
  FILE_ID_INFO id{};
  FILE_STANDARD_INFO standard{};
  FILE_BASIC_INFO basic{};
  if (!::GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id) ||
      !::GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard) ||
      !::GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic))
    return lastErrno();
  const DWORD attributes = basic.FileAttributes;
  bool isLink = false;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    // Only name-surrogate reparse points lead elsewhere; others (cloud files, dedup) are the file.
    FILE_ATTRIBUTE_TAG_INFO tag{};
    isLink =
        ::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) && isLinkTag(tag.ReparseTag);
  }
  status =
      statusOfFields(attributes, isLink, static_cast<std::uint64_t>(standard.EndOfFile.QuadPart), id.VolumeSerialNumber,
                     fileIndexOf(id.FileId), basic.LastWriteTime.QuadPart, basic.ChangeTime.QuadPart);
  status.linkCount = standard.NumberOfLinks;
  return 0;
}

std::uint64_t fileIndexOf(const FILE_ID_128& id) {
  // NTFS ids fit in the low 64 bits; ReFS ids may not, and are folded into them.
  std::uint64_t low = 0, high = 0;
  std::memcpy(&low, id.Identifier, 8);
  std::memcpy(&high, id.Identifier + 8, 8);
  return low ^ high;
}

int statusOfSystemPath(const std::wstring& path, bool followLinks, FileStatus& status) {
  const HANDLE handle = openExisting(path, FILE_READ_ATTRIBUTES, kShareAll, followLinks);
  if (handle == INVALID_HANDLE_VALUE) return lastErrno();
  const int error = statusOfHandle(handle, status);
  ::CloseHandle(handle);
  return error;
}

}  // namespace pelimor::platform::win32
