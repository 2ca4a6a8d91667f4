#include "platform/mount_table.h"

namespace pelimor::platform {

// Windows keeps no mount table of this kind: volumes are found by drive (file_system_identity.cpp).
std::vector<MountedFileSystem> mountedFileSystems() { return {}; }

std::uint64_t deviceNodeNumber(const std::string&) { return 0; }

}  // namespace pelimor::platform
