#include "settings/settings_error.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/io_error_text.h"

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

}  // namespace
}  // namespace pelimor
