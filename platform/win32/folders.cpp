#include "platform/folders.h"

#include <shlobj.h>

#include <cerrno>
#include <cwchar>

#include "platform/directory_reader.h"
#include "platform/paths.h"
#include "platform/win32/wide_paths.h"

namespace pelimor::platform {

using namespace win32;

namespace {
// An environment variable in the program's path form; empty when it is not set.
std::string environmentFolder(const wchar_t* name) {
  const wchar_t* value = ::_wgetenv(name);
  return value && *value ? normalizedFolder(programPath(value)) : std::string();
}

std::string withTrailingSeparator(std::string folder) {
  if (folder.empty() || folder.back() != kSeparator) folder.push_back(kSeparator);
  return folder;
}

std::string windowsFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const UINT length = ::GetSystemWindowsDirectoryW(buffer, MAX_PATH);
  return length == 0 || length > MAX_PATH ? std::string() : normalizedFolder(programPath(buffer));
}

// Every drive letter the system has now: "C:/", "D:/" ...
std::vector<std::string> driveRoots() {
  std::vector<std::string> roots;
  const DWORD drives = ::GetLogicalDrives();
  for (int letter = 0; letter < 26; ++letter)
    if (drives & (1u << letter)) roots.push_back(std::string(1, static_cast<char>('A' + letter)) + ":/");
  return roots;
}

std::error_code createOne(const std::string& folder) {
  if (::CreateDirectoryW(systemPath(folder).c_str(), nullptr)) return {};
  const int error = lastErrno();
  if (error == EEXIST) return {};
  // Windows says "path not found" where a file stands on the way; other systems "not a folder".
  FileStatus above;
  if (error == ENOENT && !statusOfPath(folderPartOf(folder), true, above) && above.kind != EntryKind::Directory)
    return errnoCode(ENOTDIR);
  return errnoCode(error);
}
}  // namespace

std::string homeFolder() {
  const std::string profile = environmentFolder(L"USERPROFILE");
  return profile.empty() ? std::string("C:/") : profile;
}

// The root of drive C:, where a Windows user's files are.
std::string defaultSourceFolder() { return "C:/"; }

// %APPDATA%\Pelimor\, or "\Pelimor\" at the root of the current drive when APPDATA is not set.
std::string dataFolder() {
  const std::string appData = environmentFolder(L"APPDATA");
  return withTrailingSeparator(joinPath(appData.empty() ? "/" : appData, "Pelimor"));
}

std::string cacheFolder() {
  std::string local = environmentFolder(L"LOCALAPPDATA");
  if (local.empty()) local = joinPath(homeFolder(), "AppData/Local");
  return withTrailingSeparator(joinPath(local, "Pelimor"));
}

std::string actionLogFolder() { return cacheFolder(); }

std::string programDataFolder() { return programFolder(); }

// One folder on drive C: for every user, collecting moved files across runs.
std::string removedFilesFolder() { return "C:/Pelimor - Removed files"; }

std::string programFolder() {
  std::wstring buffer(32768, L'\0');
  const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length == 0 || length >= buffer.size()) return "./";
  buffer.resize(length);
  return withTrailingSeparator(folderPartOf(programPath(buffer)));
}

// The user's own local application data is private to the user already.
std::string runtimeFolder() {
  const std::string folder = normalizedFolder(cacheFolder());
  createPrivateFolder(folder);
  return folder;
}

std::error_code createFolderWithParents(const std::string& folder) {
  if (folder.empty()) return errnoCode(ENOENT);
  const std::string whole = normalizedFolder(folder);
  // Each level in turn; a drive or share root is there or not, and is never made.
  for (std::size_t next = whole.find(kSeparator, 1); next != std::string::npos;
       next = whole.find(kSeparator, next + 1)) {
    const std::string partial = whole.substr(0, next);
    if (partial.empty() || partial.back() == ':' || partial.starts_with("//")) continue;
    if (const std::error_code error = createOne(partial); error && error != std::errc::permission_denied) return error;
  }
  if (const std::error_code error = createOne(whole)) return error;
  FileStatus status;
  if (const std::error_code error = statusOfPath(whole, true, status)) return error;
  return status.kind == EntryKind::Directory ? std::error_code() : errnoCode(ENOTDIR);
}

// Folders made below the user's profile inherit its access rules, which let only the user (and the
// system's administrators) in: nothing to narrow here.
std::error_code createPrivateFolder(const std::string& folder) { return createFolderWithParents(folder); }

std::vector<std::string> systemTrees() {
  std::vector<std::string> trees;
  if (std::string windows = windowsFolder(); !windows.empty()) trees.push_back(std::move(windows));
  for (const std::string& root : driveRoots()) {
    trees.push_back(root + "System Volume Information");
    trees.push_back(root + "$Recycle.Bin");
  }
  return trees;
}

std::vector<std::string> foldersNeverSearched() {
  std::vector<std::string> folders = systemTrees();
  folders.push_back(removedFilesFolder());
  return folders;
}

// The Windows folder is also excluded by its text, as the system gives it, wherever it appears.
std::vector<std::string> excludedPathFragments() {
  std::vector<std::string> fragments{"Program Files"};
  if (std::string windows = windowsFolder(); !windows.empty()) fragments.push_back(std::move(windows));
  return fragments;
}

}  // namespace pelimor::platform
