#include "platform/error_code.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/io_error_text.h"

namespace pelimor {
namespace {

// The system's number reaches the user's text whichever way the error came.
TEST(ErrorCode, TextsAreThoseOfTheErrnoValue) {
  EXPECT_EQ(platform::errnoCode(0), std::error_code());
  EXPECT_EQ(platform::errnoCode(ENOENT), std::errc::no_such_file_or_directory);
  EXPECT_EQ(platform::systemErrorText(platform::errnoCode(EACCES)), platform::systemErrorText(EACCES));
  EXPECT_EQ(platform::ioErrorText(platform::IoFailure::Open, platform::errnoCode(ENOENT)), "File not found");
  EXPECT_EQ(platform::ioErrorText(platform::IoFailure::Read, platform::errnoCode(EIO)),
            "I/O error " + std::to_string(EIO));
}

TEST(ErrorCode, OurOwnFailuresHaveTextsOfTheirOwn) {
  const std::error_code shortWrite = platform::Failure::ShortWrite;
  EXPECT_NE(shortWrite, platform::errnoCode(static_cast<int>(platform::Failure::ShortWrite)));
  EXPECT_EQ(platform::systemErrorText(shortWrite), "the disk took fewer bytes than given");
  EXPECT_EQ(platform::ioErrorText(platform::IoFailure::Write, shortWrite), "Disk full");
  EXPECT_EQ(platform::systemErrorText(platform::Failure::BytesDiffer), "the bytes differ");
}

}  // namespace
}  // namespace pelimor
