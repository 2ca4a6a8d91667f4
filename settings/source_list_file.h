#pragma once
// Source.cfg: the source folder list, as a count followed by length-prefixed entries
// (signed 32-bit little-endian integers, entries as raw bytes without terminator).
#include <string>
#include <string_view>
#include <vector>

#include "platform/whole_file.h"
#include "settings/settings_error.h"

namespace pelimor {

inline constexpr std::string_view kSourceFileName = "Source.cfg";

// The data folder's Source.cfg.
std::string sourceFilePath(std::string_view dataFolder);

// One entry: its length, then that many bytes. Throws SettingsError "Stream read error" when the
// file ends first or the length is negative or longer than what is left of the file.
std::string readSourceEntry(platform::InputFile& file);
// Throws SettingsError "Stream write error" when the entry can't be written whole.
void writeSourceEntry(platform::ReplacingFile& file, std::string_view text);

// Fills `rows` from the data folder's Source.cfg, or, with no such file, with the one row of the
// default source folder (the home folder here). A count of zero or below gives no rows.
// On success the caller selects the first row, if there is one.
// Throws SettingsError "Cannot open file ..." or "Stream read error"; `rows` then holds the
// entries that were read whole before the failure.
void loadSourceList(std::string_view dataFolder, std::vector<std::string>& rows);

// Writes `rows` in order to the data folder's Source.cfg, replacing it only once complete.
// Throws SettingsError "Cannot create file ..." or "Stream write error"; the old file then stays.
void saveSourceList(std::string_view dataFolder, const std::vector<std::string>& rows);

}  // namespace pelimor
