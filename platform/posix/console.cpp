#include "platform/console.h"

#include <unistd.h>

namespace pelimor::platform {

std::vector<std::string> startCommandLine(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

bool standardErrorIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

}  // namespace pelimor::platform
