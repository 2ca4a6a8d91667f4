#include "platform/system_version.h"

#include <unistd.h>

namespace pelimor::platform {

bool isWindows6OrLater() { return false; }

unsigned long processId() { return static_cast<unsigned long>(::getpid()); }

}  // namespace pelimor::platform
