#include "platform/system_version.h"

#include <windows.h>
// after windows.h, which it needs
#include <versionhelpers.h>

namespace pelimor::platform {

bool isWindows6OrLater() { return ::IsWindowsVistaOrGreater(); }

unsigned long processId() { return ::GetCurrentProcessId(); }

std::string machineName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = sizeof name;
  if (!::GetComputerNameA(name, &length)) return {};
  return std::string(name, length);
}

}  // namespace pelimor::platform
