#include "platform/system_version.h"

namespace pelimor::platform {

bool isWindows6OrLater() { return false; }

}  // namespace pelimor::platform
