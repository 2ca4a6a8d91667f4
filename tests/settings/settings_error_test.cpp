#include "settings/settings_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/io_error_text.h"
#include "platform/paths.h"
#include "settings/settings.h"
#include "settings_test_support.h"

namespace pelimor {
namespace {

TEST(ErrorBoxText, FullStopOnlyAfterACharacterAboveTheFullStop) {
  EXPECT_EQ(errorBoxText("Stream read error"), "Stream read error.");
  EXPECT_EQ(errorBoxText("Disk full"), "Disk full.");
  EXPECT_EQ(errorBoxText("Cannot open file \"/a\". Permission denied"), "Cannot open file \"/a\". Permission denied.");
  EXPECT_EQ(errorBoxText("ends with a full stop."), "ends with a full stop.");
  EXPECT_EQ(errorBoxText("(in brackets)"), "(in brackets)");
  EXPECT_EQ(errorBoxText("I/O error 21"), "I/O error 21.");
  EXPECT_EQ(errorBoxText("dash -"), "dash -");
  EXPECT_EQ(errorBoxText("slash /"), "slash /.");
  EXPECT_EQ(errorBoxText("\xC3\xA9"), "\xC3\xA9.");
  EXPECT_EQ(errorBoxText(""), "");
}

TEST(FileErrorTexts, NameThePathAndTheSystemsReason) {
  EXPECT_EQ(cannotOpenFileText("/x/Source.cfg", ENOENT),
            "Cannot open file \"/x/Source.cfg\". " + platform::systemErrorText(ENOENT));
  EXPECT_EQ(cannotCreateFileText("/x/Source.cfg", EACCES),
            "Cannot create file \"/x/Source.cfg\". " + platform::systemErrorText(EACCES));
}

template <typename Load>
std::string boxTextOf(Load load) {
  try {
    load();
  } catch (const SettingsError& error) {
    return errorBoxText(error);
  }
  return "no error";
}

TEST(ErrorBoxText, ADamagedSettingsFileIsNamedWithItsFullPathAfterTheText) {
  testing::TempFolder data;
  const auto fileLine = [&](const char* name) { return "\nFile: \"" + platform::shownPath(data.path(name)) + '"'; };
  testing::writeFile(data.path("Source.cfg"), testing::bytesOf({2, 0, 0, 0, 9, 0, 0, 0, '/'}));
  std::vector<std::string> rows;
  EXPECT_EQ(boxTextOf([&] { loadSourceList(data.folder(), rows); }), "Stream read error." + fileLine("Source.cfg"));
  std::filesystem::create_directory(data.path("Options.cfg"));  // a folder where the file belongs
  OptionsRecord options;
  const std::string text = boxTextOf([&] { loadOptions(options, data.folder(), WindowRect{}); });
  EXPECT_TRUE(text.ends_with(fileLine("Options.cfg"))) << text;
  // A text that names its file already is left as it is.
  const std::string named = cannotOpenFileText(data.path("Source.cfg"), EACCES);
  EXPECT_EQ(errorBoxText(SettingsError(named, data.path("Source.cfg"))), errorBoxText(named));
}

}  // namespace
}  // namespace pelimor
