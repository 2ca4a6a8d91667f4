#include "platform/system_shell.h"

// The desktop's opener and Qt Multimedia serve the window on Linux.
namespace pelimor::platform {

std::optional<bool> openWithShell(const std::string&) { return std::nullopt; }

std::optional<bool> playSoundFile(const std::string&) { return std::nullopt; }

}  // namespace pelimor::platform
