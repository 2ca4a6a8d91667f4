#include "settings/options_file.h"

#include "platform/io_error_text.h"
#include "platform/paths.h"
#include "platform/whole_file.h"
#include "search/mask_presets.h"

namespace pelimor {

namespace {

[[noreturn]] void fail(const std::string& path, platform::IoFailure failure, std::error_code error) {
  throw SettingsError(platform::ioErrorText(failure, error), path);
}

void writeOptionsFile(const OptionsRecord& options, std::string_view dataFolder) {
  const std::string path = optionsFilePath(dataFolder);
  platform::ReplacingFile file(path);
  if (const std::error_code error = file.create()) fail(path, platform::IoFailure::Create, error);
  if (const std::error_code error = file.write(options.bytes().data(), OptionsRecord::kSize))
    fail(path, platform::IoFailure::Write, error);
  if (const std::error_code error = file.finish()) fail(path, platform::IoFailure::Write, error);
  if (const std::error_code error = file.replace()) fail(path, platform::IoFailure::Create, error);
}

}  // namespace

std::string optionsFilePath(std::string_view dataFolder) { return platform::joinPath(dataFolder, kOptionsFileName); }

void setDefaultOptions(OptionsRecord& options, const WindowRect& current) {
  options.setVersion(OptionsRecord::kVersion);
  options.setWindowState(static_cast<std::uint8_t>(WindowState::Normal));
  options.setLeft(current.left);
  options.setTop(current.top);
  options.setWidth(current.width);
  options.setHeight(current.height);
  options.setPathText(kDefaultPathText);
  options.setMaskText(kDefaultMaskText);
  options.setCustomMask(OptionsRecord::kDefaultCustomMask);
  options.setSizeIndex(static_cast<std::int32_t>(kDefaultSizeIndex));
  options.setTypeIndex(static_cast<std::int32_t>(kDefaultTypeIndex));
}

void writeDefaultOptions(OptionsRecord& options, std::string_view dataFolder, const WindowRect& current) {
  setDefaultOptions(options, current);
  writeOptionsFile(options, dataFolder);
}

void loadOptions(OptionsRecord& options, std::string_view dataFolder, const WindowRect& current) {
  const std::string path = optionsFilePath(dataFolder);
  if (!platform::settingsFileExists(path)) {
    writeDefaultOptions(options, dataFolder, current);
    return;
  }
  bool readWhole = false;
  {
    platform::InputFile file;
    if (const std::error_code error = file.open(path, platform::InputFile::Access::ReadWrite))
      fail(path, platform::IoFailure::Open, error);
    // A short read leaves what the file had in the record: those bytes outlive the defaults.
    readWhole = file.readExact(options.bytes().data(), OptionsRecord::kSize);
  }
  if (!readWhole || options.version() != OptionsRecord::kVersion) writeDefaultOptions(options, dataFolder, current);
}

void saveOptions(OptionsRecord& options, std::string_view dataFolder, const WindowPlacement& current) {
  options.setWindowState(static_cast<std::uint8_t>(current.state));
  options.setLeft(current.rect.left);
  options.setTop(current.rect.top);
  options.setHeight(current.rect.height);
  options.setWidth(current.rect.width);
  writeOptionsFile(options, dataFolder);
}

}  // namespace pelimor
