#include "platform/console.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <cstdio>

#include "platform/win32/wide_paths.h"

namespace pelimor::platform {

using namespace win32;

std::vector<std::string> startCommandLine(int argc, char** argv) {
  // Output is UTF-8 bytes with '\n' line ends, the same as on other systems.
  ::SetConsoleOutputCP(CP_UTF8);
  ::_setmode(::_fileno(stdout), _O_BINARY);
  // The narrow arguments are in the local code page; the wide ones hold every name.
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(utf8Text(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

bool standardErrorIsTerminal() {
  // A console, not a file or pipe (which _isatty would also take the NUL device for).
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace pelimor::platform
