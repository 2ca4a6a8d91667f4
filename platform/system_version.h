#pragma once
// What the user interface needs to know about the system it runs on.

namespace pelimor::platform {

// True on Windows 6 (Vista) and later, where the interface font becomes Segoe UI. Never on Linux,
// which keeps the desktop's own interface font.
bool isWindows6OrLater();

}  // namespace pelimor::platform
