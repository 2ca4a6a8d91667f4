#include "platform/trash.h"

#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <cstdio>

#include "platform/io_error_text.h"
#include "platform/paths.h"
#include "platform/win32/wide_paths.h"

namespace pelimor::platform {

// The Recycle Bin keeps its own records: nothing to remember between files.
struct Trash::Cans {};

std::optional<TrashEntry> trashEntryOf(const std::string&) { return std::nullopt; }

Trash::Trash() : cans_(new Cans) {}

Trash::~Trash() { delete cans_; }

std::optional<NoticeText> Trash::put(const FolderHandle& folder, const std::string& name, const FileStatus& status,
                                     TrashedFile& trashed, bool& gone) {
  gone = false;
  trashed = TrashedFile{};
  FileStatus now;
  const std::error_code error = folder.statusOf(name, now);
  if (error == std::errc::no_such_file_or_directory) {
    gone = true;
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it no longer exists"));
  }
  if (error) return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it cannot be looked at: %1"), NoticeText(error));
  if (now.device != status.device || now.inode != status.inode)
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it changed before it could go to the Recycle Bin"));

  // The shell takes neither the long-path prefix nor '/', and a list of names that ends in a
  // second NUL.
  std::wstring path = win32::wideText(joinPath(folder.path(), name));
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  // Where a drive has no Recycle Bin (a network share) the shell would remove the file for good
  // without asking: such a file stays. The bin is asked about by the drive's or share's root.
  std::wstring root =
      path.substr(0, path.size() >= 3 && path[1] == L':' ? 3 : path.find(L'\\', path.find(L'\\', 2) + 1) + 1);
  SHQUERYRBINFO bin{};
  bin.cbSize = sizeof bin;
  if (FAILED(::SHQueryRecycleBinW(root.c_str(), &bin)))
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "its drive has no Recycle Bin"));
  path.push_back(L'\0');
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = path.c_str();
  // No dialog of the shell's: the caller says what failed.
  operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  const int result = ::SHFileOperationW(&operation);
  if (result == 0 && !operation.fAnyOperationsAborted) return std::nullopt;
  if (folder.statusOf(name, now) == std::errc::no_such_file_or_directory) gone = true;
  char code[16];
  std::snprintf(code, sizeof code, "0x%X", static_cast<unsigned>(result));
  return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "the Recycle Bin did not take it (the shell's code %1)"),
                        std::string(code));
}

}  // namespace pelimor::platform
