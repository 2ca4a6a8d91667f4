#include "platform/file_reader.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cerrno>
#include <string>

#include "support/test_files.h"

namespace pelimor {
namespace {

using testing::TempFolder;
using testing::writeFile;

TEST(FileReader, OpensEntriesOfAListedFolderAndReadsUpToTheEnd) {
  TempFolder temp;
  writeFile(temp / "ten", "0123456789");
  const platform::Directory folder = platform::Directory::open(temp.path());
  ASSERT_TRUE(folder.isOpen());
  platform::FileReader reader;
  ASSERT_EQ(reader.openIn(folder, "ten"), std::error_code());
  EXPECT_EQ(reader.status().size, 10u);
  char buffer[16] = {};
  // One byte more than the file holds: one read, ending at the end of the file.
  EXPECT_EQ(reader.readOnce(0, buffer, 11).bytes, 10u);
  EXPECT_EQ(std::string(buffer, 10), "0123456789");
  const platform::ReadResult atEnd = reader.readOnce(10, buffer, 5);
  EXPECT_EQ(atEnd.bytes, 0u);
  EXPECT_EQ(atEnd.error, std::error_code());
  EXPECT_EQ(reader.readAt(4, buffer, 16).bytes, 6u);
  EXPECT_EQ(std::string(buffer, 6), "456789");
  EXPECT_EQ(reader.openIn(folder, "missing"), std::errc::no_such_file_or_directory);
  EXPECT_FALSE(reader.isOpen());
}

TEST(FileReader, OnlyRegularFilesOpenAndANamedPipeNeverWaits) {
  PELIMOR_POSIX_ONLY("named pipes in folders");
  TempFolder temp;
#ifndef _WIN32
  ASSERT_EQ(mkfifo((temp / "pipe").c_str(), 0600), 0);
#endif
  writeFile(temp / "sub/file", "x");
  const platform::Directory folder = platform::Directory::open(temp.path());
  platform::FileReader reader;
  // A pipe with no writer would hold a plain open forever.
  EXPECT_EQ(reader.openIn(folder, "pipe"), std::errc::invalid_argument);
  EXPECT_EQ(reader.openIn(folder, "sub"), std::errc::is_a_directory);
  EXPECT_FALSE(reader.isOpen());
}

}  // namespace
}  // namespace pelimor
