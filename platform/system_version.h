#pragma once
// What the user interface needs to know about the system it runs on.
#include <string>

namespace pelimor::platform {

// True on Windows 6 (Vista) and later, where the interface font becomes Segoe UI. Never on Linux,
// which keeps the desktop's own interface font.
bool isWindows6OrLater();

// This process's number, for names of files that no other process may pick.
unsigned long processId();

// What this machine calls itself on the network (its host name); empty when the system won't say.
std::string machineName();

}  // namespace pelimor::platform
