#pragma once
// Options.cfg: one OptionsRecord, its 1568 bytes exactly as held in memory.
#include <string>
#include <string_view>

#include "settings/options_record.h"
#include "settings/settings_error.h"
#include "settings/window_placement.h"

namespace pelimor {

inline constexpr std::string_view kOptionsFileName = "Options.cfg";
// Kept as the Windows text so that Options.cfg is the same on every system; nothing reads it.
inline constexpr std::string_view kDefaultPathText = "C:\\";
inline constexpr std::string_view kDefaultMaskText = "*.*";

// The data folder's Options.cfg.
std::string optionsFilePath(std::string_view dataFolder);

// The defaults, with the window's current placement (its designed one during start-up).
// `Reserved` and the bytes after each text's terminator are left as they are.
void setDefaultOptions(OptionsRecord& options, const WindowRect& current);

// setDefaultOptions, then writes Options.cfg as saveOptions does.
void writeDefaultOptions(OptionsRecord& options, std::string_view dataFolder, const WindowRect& current);

// Fills `options` from Options.cfg. A missing file, one shorter than a record or one that can't be
// read, and a version other than 300 are replaced by the defaults, written at once and silently.
// Bytes after the first record are ignored. Throws SettingsError with the error-code text when an
// existing Options.cfg can't be opened for reading and writing, or the defaults can't be written.
void loadOptions(OptionsRecord& options, std::string_view dataFolder, const WindowRect& current);

// Takes the window's state and placement into `options` and writes Options.cfg, replacing it only
// once complete. Throws SettingsError with the error-code text; the old file then stays.
void saveOptions(OptionsRecord& options, std::string_view dataFolder, const WindowPlacement& current);

}  // namespace pelimor
