#pragma once
// The command line and the console of a command-line program.
#include <string>
#include <vector>

namespace pelimor::platform {

// The program's arguments as UTF-8, whatever encoding the system hands them over in; the console,
// where the system has one of its own, is set to show UTF-8 output.
std::vector<std::string> startCommandLine(int argc, char** argv);

// True when the standard error stream goes to a terminal rather than a file or a pipe.
bool standardErrorIsTerminal();

}  // namespace pelimor::platform
