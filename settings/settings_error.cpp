#include "settings/settings_error.h"

#include "platform/io_error_text.h"

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

}  // namespace pelimor
