#pragma once
// What a result action asks the window to show.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "search/window_text.h"

namespace pelimor {

inline constexpr std::string_view kEmptyListText = PELIMOR_WINDOW_TEXT("Notices", "The list of results is empty.");

// A notice lists at most this many files, then says how many more there are (moreListedText).
inline constexpr std::size_t kListedInNotice = 20;
// "\n... and N more." when `total` entries were more than a notice lists; empty otherwise.
inline std::string moreListedText(std::size_t total) {
  return total > kListedInNotice ? "\n... and " + std::to_string(total - kListedInNotice) + " more." : std::string();
}
inline constexpr std::string_view kNoFileSelectedText = PELIMOR_WINDOW_TEXT("Notices", "No file selected.");

// Nested, so that it does not meet the window's own notice kinds (ui/notices.h) by name.
struct Notice {
  enum class Kind {
    Information,  // information dialog with an OK button, titled "Information"
    GroupGuard,   // plain message box with an OK button and no icon, captioned "Pelimor"
    Warning       // warning dialog with an OK button, titled "Warning"
  };

  Kind kind = Kind::Information;
  std::string title;
  std::string text;

  static Notice information(std::string_view text) { return {Kind::Information, "Information", std::string(text)}; }
  static Notice groupGuard(std::string text) { return {Kind::GroupGuard, "Pelimor", std::move(text)}; }
  static Notice warning(std::string text) { return {Kind::Warning, "Warning", std::move(text)}; }
};

}  // namespace pelimor
