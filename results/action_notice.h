#pragma once
// What a result action asks the window to show.
#include <cstddef>
#include <string>
#include <utility>

#include "platform/notice_text.h"

namespace pelimor {

inline constexpr const char* kEmptyListText = PELIMOR_WINDOW_TEXT("Notices", "The list of results is empty.");

// A notice lists at most this many files, then says how many more there are (moreListedText).
inline constexpr std::size_t kListedInNotice = 20;
// "\n... and N more." when `total` entries were more than a notice lists; empty otherwise.
inline NoticeText moreListedText(std::size_t total) {
  if (total <= kListedInNotice) return {};
  NoticeText text("\n");
  text += NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "... and %1 more."), std::to_string(total - kListedInNotice));
  return text;
}
// `heading`, then a line for each of the first kListedInNotice of `count` entries (`line(i)`
// gives the i-th), then how many more there are.
template <typename Line>
NoticeText listedInNotice(NoticeText heading, std::size_t count, const Line& line) {
  for (std::size_t i = 0; i < count && i < kListedInNotice; ++i) {
    heading += "\n";
    heading += line(i);
  }
  heading += moreListedText(count);
  return heading;
}
// "path: reason", a line of a notice's list.
inline NoticeText failureLine(const std::string& path, const NoticeText& reason) {
  NoticeText line(path + ": ");
  line += reason;
  return line;
}
inline constexpr const char* kNoFileSelectedText = PELIMOR_WINDOW_TEXT("Notices", "No file selected.");
// Before what an action did until it was cancelled.
inline constexpr const char* kCancelledText = PELIMOR_WINDOW_TEXT("Notices", "Cancelled: %1");

// Nested, so that it does not meet the window's own notice kinds (ui/notices.h) by name.
struct Notice {
  enum class Kind {
    Information,  // information dialog with an OK button, titled "Information"
    GroupGuard,   // plain message box with an OK button and no icon, captioned "Pelimor"
    Warning       // warning dialog with an OK button, titled "Warning"
  };

  Kind kind = Kind::Information;
  std::string title;
  NoticeText text;

  static Notice information(NoticeText text) { return {Kind::Information, "Information", std::move(text)}; }
  static Notice groupGuard(NoticeText text) { return {Kind::GroupGuard, "Pelimor", std::move(text)}; }
  static Notice warning(NoticeText text) { return {Kind::Warning, "Warning", std::move(text)}; }
};

}  // namespace pelimor
