#include "settings/preferences_file.h"

#include <charconv>
#include <cstdint>
#include <string>
#include <system_error>
#include <utility>

#include "platform/paths.h"
#include "platform/whole_file.h"
#include "settings/settings_error.h"

namespace pelimor {

namespace {

constexpr std::string_view kExclude = "exclude";
constexpr std::string_view kSearchHidden = "search-hidden-folders";
constexpr std::string_view kReference = "reference";
constexpr std::string_view kNoExclusions = "exclude-nothing";  // an emptied list is not the default
constexpr std::string_view kDeleteToTrash = "delete-to-trash";
constexpr std::string_view kAskBeforeRemoval = "ask-before-delete-and-move";
constexpr std::string_view kMoveKeepsFolders = "move-keeps-folders";
constexpr std::string_view kRemoveEmptyFolders = "remove-empty-folders";
constexpr std::string_view kFindFolderTwins = "find-duplicate-folders";
constexpr std::string_view kShowPreview = "show-preview";
constexpr std::string_view kPreviewWidth = "preview-width";
constexpr std::string_view kSimilarPictures = "search-similar-pictures";
constexpr std::string_view kSimilarity = "similarity";
constexpr int kWidestPreview = 100000;   // pixels; beyond is no width a screen has
constexpr int kMostSimilaritySteps = 9;  // a step the search doesn't offer falls back to its default

// The yes-or-no settings, by name.
constexpr std::pair<std::string_view, bool Preferences::*> kSwitches[] = {
    {kSearchHidden, &Preferences::searchHidden},
    {kDeleteToTrash, &Preferences::deleteToTrash},
    {kAskBeforeRemoval, &Preferences::askBeforeRemoval},
    {kMoveKeepsFolders, &Preferences::moveKeepsFolders},
    {kRemoveEmptyFolders, &Preferences::removeEmptyFolders},
    {kFindFolderTwins, &Preferences::findFolderTwins},
    {kShowPreview, &Preferences::showPreview},
    {kSimilarPictures, &Preferences::similarPictures},
};
constexpr std::string_view kHead =
    "# Pelimor's own settings; Options.cfg and Source.cfg hold the rest.\n"
    "# exclude=NAME or exclude=PATH/BELOW/A/SOURCE (globs: * ? [a-z] **), one a line\n";

// A value with a line break would end its line early and become a line of its own.
bool fitsOnALine(std::string_view value) { return value.find_first_of("\r\n") == std::string_view::npos; }

// A number from 1 to `most` as written; 0 (the default) for anything else.
int numberFrom(std::string_view value, int most) {
  int number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  return error == std::errc() && end == value.data() + value.size() && number > 0 && number <= most ? number : 0;
}

}  // namespace

std::string preferencesFilePath(std::string_view dataFolder) {
  return platform::joinPath(dataFolder, kPreferencesFileName);
}

std::string preferencesText(const Preferences& preferences) {
  std::string text(kHead);
  const auto line = [&](std::string_view name, std::string_view value) {
    if (fitsOnALine(value)) text.append(name).append("=").append(value).append("\n");
  };
  if (preferences.exclusions.empty()) line(kNoExclusions, "yes");
  for (const std::string& pattern : preferences.exclusions) line(kExclude, pattern);
  for (const auto& [name, member] : kSwitches) line(name, preferences.*member ? "yes" : "no");
  if (preferences.previewWidth > 0) line(kPreviewWidth, std::to_string(preferences.previewWidth));
  if (preferences.similarity > 0) line(kSimilarity, std::to_string(preferences.similarity));
  for (const std::string& folder : preferences.referenceFolders) line(kReference, folder);
  for (const std::string& other : preferences.otherLines) text.append(other).append("\n");
  return text;
}

Preferences preferencesFromText(std::string_view text) {
  Preferences preferences;
  std::vector<std::string> exclusions;
  bool noExclusions = false;
  const auto switchNamed = [](std::string_view name) -> bool Preferences::* {
    for (const auto& [known, member] : kSwitches)
      if (known == name) return member;
    return nullptr;
  };
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);  // edited on Windows
    if (line.empty() || line[0] == '#') continue;
    const std::size_t equals = line.find('=');
    const std::string_view name = line.substr(0, equals);
    const std::string_view value = equals == std::string_view::npos ? std::string_view() : line.substr(equals + 1);
    if (name == kExclude && !value.empty())
      exclusions.emplace_back(value);
    else if (name == kNoExclusions)
      noExclusions = value == "yes";
    else if (bool Preferences::*member = switchNamed(name))
      preferences.*member = value == "yes";
    else if (name == kPreviewWidth)
      preferences.previewWidth = numberFrom(value, kWidestPreview);
    else if (name == kSimilarity)
      preferences.similarity = numberFrom(value, kMostSimilaritySteps);
    else if (name == kReference && !value.empty())
      preferences.referenceFolders.emplace_back(value);
    else
      preferences.otherLines.emplace_back(line);
  }
  if (!exclusions.empty() || noExclusions) preferences.exclusions = std::move(exclusions);
  return preferences;
}

Preferences loadPreferences(std::string_view dataFolder) {
  const std::string path = preferencesFilePath(dataFolder);
  if (!platform::settingsFileExists(path)) return Preferences{};
  platform::InputFile file;
  if (const std::error_code error = file.open(path, platform::InputFile::Access::Read))
    throw SettingsError(cannotOpenFileText(path, error.value()), path);
  // A settings file of a few lines; anything near this size is no file of ours.
  constexpr std::uint64_t kLargest = 1 << 20;
  if (file.remaining() > kLargest) throw SettingsError(streamReadErrorText(), path);
  std::string text(static_cast<std::size_t>(file.remaining()), '\0');
  if (!file.readExact(text.data(), text.size())) throw SettingsError(streamReadErrorText(), path);
  return preferencesFromText(text);
}

void savePreferences(std::string_view dataFolder, const Preferences& preferences) {
  const std::string path = preferencesFilePath(dataFolder);
  platform::ReplacingFile file(path);
  if (const std::error_code error = file.create()) throw SettingsError(cannotCreateFileText(path, error.value()), path);
  const std::string text = preferencesText(preferences);
  if (file.write(text.data(), text.size()) || file.finish()) throw SettingsError(streamWriteErrorText(), path);
  if (const std::error_code error = file.replace())
    throw SettingsError(cannotCreateFileText(path, error.value()), path);
}

}  // namespace pelimor
