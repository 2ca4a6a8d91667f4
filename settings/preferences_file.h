#pragma once
// Pelimor.conf: the settings that Options.cfg and Source.cfg have no room for, beside them in the
// data folder. Plain text, one setting a line ("name=value", "#" starts a comment), so a person can
// read and edit it; lines this version doesn't know are written back as they were.
#include <string>
#include <string_view>
#include <vector>

namespace pelimor {

inline constexpr std::string_view kPreferencesFileName = "Pelimor.conf";

// Names and patterns a first start excludes; the user's list replaces them once saved.
inline constexpr std::string_view kDefaultExclusions[] = {"node_modules", ".git", "*.tmp", "Thumbs.db"};

struct Preferences {
  // Names (no '/') or paths below a source folder (with '/') never entered or listed.
  std::vector<std::string> exclusions{std::begin(kDefaultExclusions), std::end(kDefaultExclusions)};
  bool searchHidden = false;                  // enter hidden folders too
  std::vector<std::string> referenceFolders;  // source rows marked reference, as their text stands
  // Off by default: Delete removes for good and asks nothing, unless the user says otherwise.
  bool deleteToTrash = false;           // Delete sends files to the Trash
  bool askBeforeRemoval = false;        // Delete and Move ask first, with the count and the bytes
  bool moveKeepsFolders = false;        // Move puts each file under its path below its source folder
  bool removeEmptyFolders = false;      // the folders Delete, Move or Trash left empty go too
  bool findFolderTwins = false;         // searches also find folders holding the same tree
  bool showPreview = false;             // the pane beside the list shows the focused file
  int previewWidth = 0;                 // the pane's width in pixels; 0: a share of the window
  bool similarPictures = false;         // searches look for similar pictures, not identical files
  int similarity = 0;                   // the step of likeness, 1 the nearest; 0: the default
  std::vector<std::string> otherLines;  // lines of a later version, kept
};

// The data folder's Pelimor.conf.
std::string preferencesFilePath(std::string_view dataFolder);

// The data folder's preferences, or the defaults when it has none. Throws SettingsError
// "Cannot open file ..." or "Stream read error".
Preferences loadPreferences(std::string_view dataFolder);

// Writes the preferences, replacing the file only once complete. Throws SettingsError
// "Cannot create file ..." or "Stream write error"; the old file then stays.
void savePreferences(std::string_view dataFolder, const Preferences& preferences);

// The file's text, and back; apart from the file.
std::string preferencesText(const Preferences& preferences);
Preferences preferencesFromText(std::string_view text);

}  // namespace pelimor
