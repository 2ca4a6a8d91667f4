// Pelimor.conf: what a start without it, a saved one and a hand-edited one give.
#include "settings/preferences_file.h"

#include <gtest/gtest.h>

#include "settings/settings_error.h"
#include "settings_test_support.h"

namespace pelimor {
namespace {

TEST(PreferencesFile, SavedReadBackAndEditedByHand) {
  testing::TempFolder folder;
  EXPECT_EQ(loadPreferences(folder.folder()).exclusions.size(), std::size(kDefaultExclusions));
  Preferences saved;
  saved.exclusions = {"photos/cache/*", "has\nbreak"};  // a line break would make two settings
  saved.searchHidden = true;
  saved.referenceFolders = {"/mnt/backup=old"};
  saved.otherLines = {"colour=blue"};  // a later version's
  saved.previewWidth = 420;
  saved.similarPictures = true;
  saved.similarity = 3;
  savePreferences(folder.folder(), saved);
  const Preferences read = loadPreferences(folder.folder());
  EXPECT_EQ(read.exclusions, std::vector<std::string>{"photos/cache/*"});
  EXPECT_TRUE(read.searchHidden);
  EXPECT_EQ(read.referenceFolders, saved.referenceFolders);
  EXPECT_EQ(read.otherLines, saved.otherLines);
  EXPECT_EQ(read.previewWidth, 420);
  EXPECT_TRUE(read.similarPictures);
  EXPECT_EQ(read.similarity, 3);
  // An emptied list stays empty; Windows line ends and a setting said otherwise than "yes".
  EXPECT_TRUE(preferencesFromText("exclude-nothing=yes\n").exclusions.empty());
  const Preferences edited = preferencesFromText("# note\r\nexclude=*.bak\r\nsearch-hidden-folders=YES");
  EXPECT_EQ(edited.exclusions, std::vector<std::string>{"*.bak"});
  EXPECT_FALSE(edited.searchHidden);
  // A width edited into no width leaves the pane its default share.
  for (const char* width : {"preview-width=-5", "preview-width=12px", "preview-width=99999999999", "preview-width="})
    EXPECT_EQ(preferencesFromText(width).previewWidth, 0) << width;
  EXPECT_EQ(preferencesFromText("similarity=10").similarity, 0);
}

TEST(PreferencesFile, AFolderInItsPlaceGivesTheDefaultsAndCannotBeSavedOver) {
  testing::TempFolder folder;
  std::filesystem::create_directory(preferencesFilePath(folder.folder()));
  EXPECT_EQ(loadPreferences(folder.folder()).exclusions.size(), std::size(kDefaultExclusions));
  try {
    savePreferences(folder.folder(), Preferences{});
    ADD_FAILURE() << "saved over a folder";
  } catch (const SettingsError& error) {
    EXPECT_EQ(error.file(), preferencesFilePath(folder.folder()));
  }
}

}  // namespace
}  // namespace pelimor
