#pragma once
// What the system's own shell does for the window where the program uses it: opening files and
// links (xdg-open on Linux, the shell on Windows), showing a file in its folder (Windows), and playing the completion
// sound (Windows). Where the answer is "not here" (nullopt), the window uses Qt's desktop services and Qt Multimedia
// instead.
#include <optional>
#include <string>

namespace pelimor::platform {

// Opens a file, a folder or a web or mail link (UTF-8) with the user's program for it, as the
// shell's "open" does; true when a program was started, false when none could be (on Linux, when
// xdg-open is missing or says so within three seconds).
std::optional<bool> openWithShell(const std::string& target);

// Opens the folder that holds `file` (UTF-8) in the system's file manager with the file selected
// in it; true when the file manager took it. nullopt where the system offers no such call (Linux:
// the window asks the desktop's file manager over D-Bus).
std::optional<bool> selectInFileManager(const std::string& file);

// Starts playing a .wav file and returns at once; true when it started. No sound device is the
// system's business, not an error here.
std::optional<bool> playSoundFile(const std::string& wavFile);

}  // namespace pelimor::platform
