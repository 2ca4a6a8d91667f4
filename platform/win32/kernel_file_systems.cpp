#include "platform/kernel_file_systems.h"

namespace pelimor::platform {

// Windows mounts no virtual file systems of the running kernel among the user's folders.
KernelFileSystems::KernelFileSystems() = default;

bool KernelFileSystems::holds(const Directory&, std::uint64_t) const { return false; }

}  // namespace pelimor::platform
