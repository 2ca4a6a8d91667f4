#include "settings/options_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "settings_test_support.h"
#include "support/posix_only.h"

namespace pelimor {
namespace {

using testing::int32In;
using testing::putInt32;
using testing::readFile;
using testing::TempFolder;
using testing::writeFile;

constexpr std::size_t kRecordSize = 1568;
const WindowRect kDesigned{120, 80, 800, 600};

void putText(std::string& image, std::size_t offset, const std::string& text) {
  image.replace(offset, text.size() + 1, text + '\0');
}

// The defaults laid over `image`, field by field at their offsets, written out independently of
// OptionsRecord so that a wrong offset there shows up here.
std::string withDefaults(std::string image, const WindowRect& rect) {
  image.resize(kRecordSize, '\0');
  putInt32(image, 0, 300);
  image[4] = 0;
  putInt32(image, 5, rect.left);
  putInt32(image, 9, rect.top);
  putInt32(image, 13, rect.width);
  putInt32(image, 17, rect.height);
  putText(image, 0x15, "C:\\");
  putText(image, 0x215, "*.*");
  putText(image, 0x415, "*.extension1; *.extension2; *.extension3; *.extension4; *.extension5;");
  putInt32(image, 0x618, 4);
  putInt32(image, 0x61C, 0);
  return image;
}

// A record as a user's earlier run may have left it: every byte set, texts with tails.
std::string usedRecord() {
  std::string image(kRecordSize, '\0');
  for (std::size_t i = 0; i < kRecordSize; ++i) image[i] = static_cast<char>('A' + i % 26);
  putInt32(image, 0, 300);
  image[4] = 0;
  putInt32(image, 5, -7);
  putInt32(image, 9, 33);
  putInt32(image, 13, 1024);
  putInt32(image, 17, 700);
  putText(image, 0x15, "D:\\Photos");
  putText(image, 0x215, "*.jpg");
  putText(image, 0x415, "*.iso; *.img;");
  image[0x615] = '\x01';
  image[0x616] = '\x02';
  image[0x617] = '\x03';
  putInt32(image, 0x618, 6);
  putInt32(image, 0x61C, 4);
  return image;
}

OptionsRecord recordOf(const std::string& image) {
  OptionsRecord record;
  std::copy(image.begin(), image.end(), record.bytes().begin());
  return record;
}

std::string imageOf(const OptionsRecord& record) { return std::string(record.bytes().begin(), record.bytes().end()); }

template <typename Operation>
std::string errorOf(Operation operation) {
  try {
    operation();
  } catch (const SettingsError& error) {
    return error.what();
  }
  return "no error";
}

TEST(OptionsFile, NoFileWritesTheDefaultsAtTheirOffsets) {
  TempFolder data;
  OptionsRecord options;
  loadOptions(options, data.folder(), kDesigned);
  const std::string expected = withDefaults(std::string(kRecordSize, '\0'), kDesigned);
  EXPECT_EQ(readFile(data.path("Options.cfg")), expected);
  EXPECT_EQ(imageOf(options), expected);
  EXPECT_EQ(options.typeIndex(), 0);
  EXPECT_EQ(options.sizeIndex(), 4);
  EXPECT_EQ(options.left(), 120);
  EXPECT_EQ(options.pathText(), "C:\\");
}

TEST(OptionsFile, WholeRecordWithVersion300IsTakenAsItIs) {
  TempFolder data;
  writeFile(data.path("Options.cfg"), usedRecord());
  OptionsRecord options;
  loadOptions(options, data.folder(), kDesigned);
  EXPECT_EQ(imageOf(options), usedRecord());
  EXPECT_EQ(options.left(), -7);
  EXPECT_EQ(options.customMask(), "*.iso; *.img;");
  EXPECT_EQ(options.typeIndex(), 4);
  EXPECT_EQ(options.sizeIndex(), 6);
  EXPECT_EQ(readFile(data.path("Options.cfg")), usedRecord());
}

TEST(OptionsFile, EmptyFileIsReplacedByDefaultsSilently) {
  TempFolder data;
  writeFile(data.path("Options.cfg"), "");
  OptionsRecord options;
  loadOptions(options, data.folder(), kDesigned);
  EXPECT_EQ(readFile(data.path("Options.cfg")), withDefaults(std::string(kRecordSize, '\0'), kDesigned));
}

TEST(OptionsFile, ShortFileKeepsItsReservedBytesAndTextTails) {
  TempFolder data;
  const std::string shortImage = usedRecord().substr(0, kRecordSize - 1);
  writeFile(data.path("Options.cfg"), shortImage);
  OptionsRecord options;
  loadOptions(options, data.folder(), kDesigned);
  // The last byte was never in the file: zero as in the fresh record, then TypeIndex 0 anyway.
  const std::string expected = withDefaults(shortImage + '\0', kDesigned);
  EXPECT_EQ(imageOf(options), expected);
  EXPECT_EQ(readFile(data.path("Options.cfg")), expected);
  EXPECT_EQ(expected.substr(0x615, 3), "\x01\x02\x03");
  EXPECT_EQ(expected.substr(0x15, 10), std::string("C:\\\0hotos\0", 10));
}

TEST(OptionsFile, LongerFileUsesItsFirstRecordAndIsWrittenBackAtRecordSize) {
  TempFolder data;
  writeFile(data.path("Options.cfg"), usedRecord() + std::string(2000 - kRecordSize, 'z'));
  OptionsRecord options;
  loadOptions(options, data.folder(), kDesigned);
  EXPECT_EQ(imageOf(options), usedRecord());
  EXPECT_EQ(readFile(data.path("Options.cfg")).size(), 2000u);

  saveOptions(options, data.folder(), WindowPlacement{WindowState::Normal, {-7, 33, 1024, 700}});
  EXPECT_EQ(readFile(data.path("Options.cfg")), usedRecord());
}

TEST(OptionsFile, OtherVersionIsReplacedByDefaultsAtOnce) {
  TempFolder data;
  std::string image = usedRecord();
  putInt32(image, 0, 299);
  writeFile(data.path("Options.cfg"), image);
  OptionsRecord options;
  loadOptions(options, data.folder(), kDesigned);
  const std::string expected = withDefaults(image, kDesigned);
  EXPECT_EQ(imageOf(options), expected);
  EXPECT_EQ(readFile(data.path("Options.cfg")), expected);
}

TEST(OptionsFile, RecordNeverLoadedIsSavedWithVersionZeroAndReplacedNextTime) {
  TempFolder data;
  OptionsRecord untouched;
  saveOptions(untouched, data.folder(), WindowPlacement{WindowState::Normal, {1, 2, 3, 4}});
  const std::string saved = readFile(data.path("Options.cfg"));
  ASSERT_EQ(saved.size(), kRecordSize);
  EXPECT_EQ(int32In(saved, 0), 0);
  EXPECT_EQ(int32In(saved, 5), 1);
  EXPECT_EQ(int32In(saved, 17), 4);

  OptionsRecord options;
  loadOptions(options, data.folder(), kDesigned);
  EXPECT_EQ(options.version(), 300);
  EXPECT_EQ(readFile(data.path("Options.cfg")), withDefaults(saved, kDesigned));
}

TEST(OptionsFile, SaveTakesStateAndPlacementAndKeepsEverythingElse) {
  TempFolder data;
  OptionsRecord options = recordOf(usedRecord());
  options.setCustomMask("*.a;");
  saveOptions(options, data.folder(), WindowPlacement{WindowState::Maximized, {-8, -8, 1936, 1056}});
  std::string expected = usedRecord();
  expected[4] = 2;
  putInt32(expected, 5, -8);
  putInt32(expected, 9, -8);
  putInt32(expected, 13, 1936);
  putInt32(expected, 17, 1056);
  putText(expected, 0x415, "*.a;");  // the old list's tail stays behind the terminator
  EXPECT_EQ(readFile(data.path("Options.cfg")), expected);
}

TEST(OptionsFile, MaximizedAndMinimizedComeBackAtTheNextStart) {
  for (WindowState state : {WindowState::Maximized, WindowState::Minimized}) {
    TempFolder data;
    OptionsRecord closing;
    loadOptions(closing, data.folder(), kDesigned);
    saveOptions(closing, data.folder(), WindowPlacement{state, {0, 0, 1920, 1050}});
    OptionsRecord starting;
    loadOptions(starting, data.folder(), kDesigned);
    const WindowStart start = applyOptions(starting, {{0, 0, 1920, 1080}}, {800, 600}, {400, 300});
    EXPECT_EQ(start.state, state);
    EXPECT_FALSE(start.rect.has_value());
  }
}

TEST(OptionsFile, MissingDataFolderIsAnInvalidFilename) {
  TempFolder data;
  const std::string folder = data.path("missing/");
  OptionsRecord options;
  EXPECT_EQ(errorOf([&] { loadOptions(options, folder, kDesigned); }), "Invalid filename");
  EXPECT_EQ(errorOf([&] { saveOptions(options, folder, WindowPlacement{}); }), "Invalid filename");
}

TEST(OptionsFile, FileMarkedReadOnlyIsRefusedAndKept) {
  TempFolder data;
  const std::string path = data.path("Options.cfg");
  writeFile(path, usedRecord());
  chmod(path.c_str(), 0444);
  OptionsRecord options;
  EXPECT_EQ(errorOf([&] { loadOptions(options, data.folder(), kDesigned); }), "File access denied");
  EXPECT_EQ(errorOf([&] { saveOptions(options, data.folder(), WindowPlacement{}); }), "File access denied");
  EXPECT_EQ(readFile(path), usedRecord());
}

TEST(OptionsFile, FileThatCannotBeOpenedIsReportedByItsErrorCode) {
  PELIMOR_POSIX_ONLY("limits on open descriptors");
  TempFolder data;
  writeFile(data.path("Options.cfg"), usedRecord());
  OptionsRecord options;
  std::string error;
  {
    testing::NoFreeDescriptors limit;
    error = errorOf([&] { loadOptions(options, data.folder(), kDesigned); });
  }
  EXPECT_EQ(error, "Too many open files");
}

TEST(OptionsFile, FolderInPlaceOfTheFileCannotBeReplaced) {
  TempFolder data;
  std::filesystem::create_directory(data.path("Options.cfg"));
  OptionsRecord options;
  EXPECT_EQ(errorOf([&] { loadOptions(options, data.folder(), kDesigned); }), "I/O error " + std::to_string(EISDIR));
  EXPECT_TRUE(std::filesystem::is_directory(data.path("Options.cfg")));
}

TEST(OptionsFile, FailedWriteLeavesTheOldFileWholeAndNoTemporaryFile) {
  PELIMOR_POSIX_ONLY("limits on file sizes");
  TempFolder data;
  const std::string path = data.path("Options.cfg");
  writeFile(path, usedRecord());
  OptionsRecord options = recordOf(usedRecord());
  std::string error;
  {
    testing::FileSizeLimit limit(1000);
    error = errorOf([&] { saveOptions(options, data.folder(), WindowPlacement{WindowState::Maximized, {}}); });
  }
  EXPECT_EQ(error, "I/O error " + std::to_string(EFBIG));
  EXPECT_EQ(readFile(path), usedRecord());
  EXPECT_EQ(data.names(), std::vector<std::string>{"Options.cfg"});
}

TEST(OptionsFile, FileIsClosedAfterLoading) {
  TempFolder data;
  const std::string path = data.path("Options.cfg");
  writeFile(path, usedRecord());
  OptionsRecord options;
  loadOptions(options, data.folder(), kDesigned);
  EXPECT_EQ(testing::descriptorsOpenOn(path), 0);
}

TEST(OptionsFile, DefaultsLeaveReservedAndTextTailsAlone) {
  OptionsRecord options = recordOf(usedRecord());
  setDefaultOptions(options, kDesigned);
  EXPECT_EQ(imageOf(options), withDefaults(usedRecord(), kDesigned));
}

}  // namespace
}  // namespace pelimor
