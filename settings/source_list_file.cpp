#include "settings/source_list_file.h"

#include <cstdint>
#include <limits>

#include "platform/folders.h"
#include "platform/paths.h"

namespace pelimor {

namespace {

std::int32_t readInt32(platform::InputFile& file) {
  unsigned char bytes[4];
  if (!file.readExact(bytes, sizeof bytes)) throw SettingsError(streamReadErrorText());
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | bytes[i];
  return static_cast<std::int32_t>(value);
}

void writeLength(platform::ReplacingFile& file, std::size_t length) {
  if (length > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    throw SettingsError(streamWriteErrorText());
  auto value = static_cast<std::uint32_t>(length);
  unsigned char bytes[4];
  for (auto& byte : bytes) {
    byte = static_cast<unsigned char>(value & 0xFFu);
    value >>= 8;
  }
  if (file.write(bytes, sizeof bytes)) throw SettingsError(streamWriteErrorText());
}

}  // namespace

std::string sourceFilePath(std::string_view dataFolder) { return platform::joinPath(dataFolder, kSourceFileName); }

std::string readSourceEntry(platform::InputFile& file) {
  const std::int32_t length = readInt32(file);
  // Checked against the file before allocating, so a damaged length can't ask for gigabytes.
  if (length < 0 || static_cast<std::uint64_t>(length) > file.remaining()) throw SettingsError(streamReadErrorText());
  std::string text(static_cast<std::size_t>(length), '\0');
  if (!file.readExact(text.data(), text.size())) throw SettingsError(streamReadErrorText());
  return text;
}

void writeSourceEntry(platform::ReplacingFile& file, std::string_view text) {
  writeLength(file, text.size());
  if (!text.empty() && file.write(text.data(), text.size())) throw SettingsError(streamWriteErrorText());
}

void loadSourceList(std::string_view dataFolder, std::vector<std::string>& rows) {
  const std::string path = sourceFilePath(dataFolder);
  rows.clear();
  if (!platform::settingsFileExists(path)) {
    rows.push_back(platform::defaultSourceFolder());
    return;
  }
  platform::InputFile file;
  if (const std::error_code error = file.open(path, platform::InputFile::Access::Read))
    throw SettingsError(cannotOpenFileText(path, error.value()), path);
  try {
    // A count beyond what the file holds simply runs into its end.
    const std::int32_t count = readInt32(file);
    for (std::int32_t i = 0; i < count; ++i) rows.push_back(readSourceEntry(file));
  } catch (const SettingsError& error) {
    throw SettingsError(error.text(), path);  // the entry readers know no file
  }
}

void saveSourceList(std::string_view dataFolder, const std::vector<std::string>& rows) {
  const std::string path = sourceFilePath(dataFolder);
  platform::ReplacingFile file(path);
  if (const std::error_code error = file.create()) throw SettingsError(cannotCreateFileText(path, error.value()), path);
  try {
    writeLength(file, rows.size());
    for (const std::string& row : rows) writeSourceEntry(file, row);
  } catch (const SettingsError& error) {
    throw SettingsError(error.text(), path);
  }
  if (file.finish()) throw SettingsError(streamWriteErrorText(), path);
  if (const std::error_code error = file.replace())
    throw SettingsError(cannotCreateFileText(path, error.value()), path);
}

}  // namespace pelimor
