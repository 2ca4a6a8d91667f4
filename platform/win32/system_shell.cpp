#include "platform/system_shell.h"

#include <windows.h>
// after windows.h, which they need
#include <mmsystem.h>
#include <shellapi.h>

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

std::optional<bool> playSoundFile(const std::string& wavFile) {
  // No default beep in its place when the file can't be played.
  return ::PlaySoundW(shellTarget(wavFile).c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT) != FALSE;
}

}  // namespace pelimor::platform
