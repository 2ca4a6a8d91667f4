#include "platform/system_version.h"

#include <unistd.h>

namespace pelimor::platform {

bool isWindows6OrLater() { return false; }

unsigned long processId() { return static_cast<unsigned long>(::getpid()); }

std::string machineName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

}  // namespace pelimor::platform
