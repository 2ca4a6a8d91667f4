#include "platform/system_version.h"

#include <windows.h>
// after windows.h, which it needs
#include <versionhelpers.h>

namespace pelimor::platform {

bool isWindows6OrLater() { return ::IsWindowsVistaOrGreater(); }

unsigned long processId() { return ::GetCurrentProcessId(); }

}  // namespace pelimor::platform
