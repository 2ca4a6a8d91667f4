#pragma once
// How the settings operations report a failure: an exception holding the very text the user sees.
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace pelimor {

class SettingsError : public std::runtime_error {
 public:
  explicit SettingsError(const std::string& text, std::string file = {})
      : std::runtime_error(text), file_(std::move(file)) {}
  // The settings file it is about, when known.
  const std::string& file() const { return file_; }

 private:
  std::string file_;
};

inline constexpr std::string_view kStreamReadError = "Stream read error";
inline constexpr std::string_view kStreamWriteError = "Stream write error";

// "Cannot open file "<path>". <system text>"
std::string cannotOpenFileText(std::string_view path, int errnoValue);
// "Cannot create file "<path>". <system text>"
std::string cannotCreateFileText(std::string_view path, int errnoValue);

// The text of the error box: the error's text, with a full stop added when its last character's
// code lies above that of '.', so a text already ending in '.' or ')' is left as it is.
std::string errorBoxText(std::string_view errorText);

// The error box's text for a settings error: errorBoxText of its text, then, unless the text names
// its file already, a line naming it: File: "<path>". The closing quote keeps the box from adding
// a full stop of its own after the path.
std::string errorBoxText(const SettingsError& error);

}  // namespace pelimor
