// Pelimor.conf: what a start without it, a saved one and a hand-edited one give.
#include "settings/preferences_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "settings/settings_error.h"
#include "settings_test_support.h"

namespace pelimor {
namespace {

using testing::TempFolder;

TEST(PreferencesFile, ReadsWhatItWroteAndKeepsWhatItDoesNotKnow) {
  Preferences saved;
  saved.exclusions = {"node_modules", "photos/cache/*", "has\nbreak"};
  saved.searchHidden = true;
  saved.referenceFolders = {"/home/user/Archive", "/mnt/backup=old"};
  saved.otherLines = {"colour=blue"};
  const Preferences read = preferencesFromText(preferencesText(saved));
  // A value that would break its line is left out rather than turned into two settings.
  EXPECT_EQ(read.exclusions, (std::vector<std::string>{"node_modules", "photos/cache/*"}));
  EXPECT_TRUE(read.searchHidden);
  EXPECT_EQ(read.referenceFolders, saved.referenceFolders);
  EXPECT_EQ(read.otherLines, saved.otherLines);
}

TEST(PreferencesFile, DefaultsOnlyWhereTheFileSaysNothing) {
  struct Case {
    const char* text;
    std::vector<std::string> exclusions;
    bool searchHidden;
  };
  const std::vector<std::string> defaults(std::begin(kDefaultExclusions), std::end(kDefaultExclusions));
  const Case cases[] = {
      {"", defaults, false},
      {"# only a comment\r\nsearch-hidden-folders=yes\r\n", defaults, true},
      {"exclude-nothing=yes\n", {}, false},
      {"exclude=*.bak\r\nexclude=\nsearch-hidden-folders=YES", {"*.bak"}, false},
  };
  for (const Case& c : cases) {
    const Preferences read = preferencesFromText(c.text);
    EXPECT_EQ(read.exclusions, c.exclusions) << c.text;
    EXPECT_EQ(read.searchHidden, c.searchHidden) << c.text;
  }
}

TEST(PreferencesFile, SavedWholeAndLoadedBack) {
  TempFolder folder;
  EXPECT_EQ(loadPreferences(folder.folder()).exclusions.size(), std::size(kDefaultExclusions));
  Preferences saved;
  saved.exclusions.clear();
  saved.referenceFolders = {"/srv/photos"};
  savePreferences(folder.folder(), saved);
  const Preferences read = loadPreferences(folder.folder());
  EXPECT_TRUE(read.exclusions.empty());
  EXPECT_EQ(read.referenceFolders, saved.referenceFolders);
  // A folder where the file should be: the defaults, and saving says it can't.
  TempFolder other;
  std::filesystem::create_directory(preferencesFilePath(other.folder()));
  EXPECT_FALSE(loadPreferences(other.folder()).exclusions.empty());
  try {
    savePreferences(other.folder(), saved);
    ADD_FAILURE() << "saved over a folder";
  } catch (const SettingsError& error) {
    EXPECT_EQ(error.file(), preferencesFilePath(other.folder()));
  }
}

}  // namespace
}  // namespace pelimor
