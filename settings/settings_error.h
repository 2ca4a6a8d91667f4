#pragma once
// How the settings operations report a failure: an exception holding the very text the user sees.
#include <stdexcept>
#include <string>
#include <string_view>

namespace pelimor {

class SettingsError : public std::runtime_error {
 public:
  explicit SettingsError(const std::string& text) : std::runtime_error(text) {}
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

}  // namespace pelimor
