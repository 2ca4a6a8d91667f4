#include "platform/system_shell.h"

#include <windows.h>
// after windows.h, which they need
#include <mmsystem.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include "platform/win32/wide_paths.h"

namespace pelimor::platform {

namespace {
// Links keep their text; files and folders go in the system's form, '\' between parts.
std::wstring shellTarget(const std::string& target) {
  const bool isLink = target.find("://") != std::string::npos || target.rfind("mailto:", 0) == 0;
  if (isLink) return win32::wideText(target);
  std::wstring path = win32::wideText(target);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}
}  // namespace

std::optional<bool> openWithShell(const std::string& target) {
  // The program says itself when nothing could be opened: no second box from the shell.
  const std::wstring file = shellTarget(target);
  SHELLEXECUTEINFOW request{};
  request.cbSize = sizeof request;
  request.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  request.lpVerb = L"open";
  request.lpFile = file.c_str();
  request.nShow = SW_SHOWNORMAL;
  return ::ShellExecuteExW(&request) != FALSE;
}

std::optional<bool> selectInFileManager(const std::string& file) {
  // The shell's call needs COM on this thread; Qt's window thread has it already, then this only
  // counts up and down.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bool shown = false;
  if (PIDLIST_ABSOLUTE item = ::ILCreateFromPathW(shellTarget(file).c_str())) {
    shown = SUCCEEDED(::SHOpenFolderAndSelectItems(item, 0, nullptr, 0));
    ::ILFree(item);
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return shown;
}

std::optional<bool> playSoundFile(const std::string& wavFile) {
  // No default beep in its place when the file can't be played.
  return ::PlaySoundW(shellTarget(wavFile).c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT) != FALSE;
}

}  // namespace pelimor::platform
