#include "settings/settings_error.h"

#include "platform/io_error_text.h"
#include "platform/paths.h"

namespace pelimor {

namespace {
std::string fileErrorText(std::string_view verb, std::string_view path, int errnoValue) {
  std::string text = "Cannot ";
  text.append(verb).append(" file \"").append(path).append("\". ");
  return text + platform::systemErrorText(errnoValue);
}
}  // namespace

std::string cannotOpenFileText(std::string_view path, int errnoValue) {
  return fileErrorText("open", path, errnoValue);
}

std::string cannotCreateFileText(std::string_view path, int errnoValue) {
  return fileErrorText("create", path, errnoValue);
}

std::string errorBoxText(std::string_view errorText) {
  std::string text(errorText);
  // Compared as unsigned bytes: a text ending in a non-ASCII character gets its full stop too.
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) text.push_back('.');
  return text;
}

std::string errorBoxText(const SettingsError& error) {
  const std::string_view errorText = error.what();
  std::string text = errorBoxText(errorText);
  if (error.file().empty() || errorText.find(error.file()) != std::string_view::npos) return text;
  return text + "\nFile: \"" + platform::shownPath(error.file()) + '"';
}

}  // namespace pelimor
