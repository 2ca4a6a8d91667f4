#include "settings/window_placement.h"

#include <algorithm>

#include "settings/options_record.h"

namespace pelimor {

namespace {

constexpr std::int64_t kVisiblePiece = 32;

// Overlap of [start, start + length) with [otherStart, otherStart + otherLength), in 64 bits so
// that stored extremes can't overflow.
std::int64_t overlap(std::int64_t start, std::int64_t length, std::int64_t otherStart, std::int64_t otherLength) {
  const std::int64_t from = std::max(start, otherStart);
  const std::int64_t to = std::min(start + length, otherStart + otherLength);
  return to - from;
}

bool onScreen(const WindowRect& rect, const WindowRect& screen) {
  return overlap(rect.left, rect.width, screen.left, screen.width) >= kVisiblePiece &&
         overlap(rect.top, rect.height, screen.top, screen.height) >= kVisiblePiece;
}

// Centred, but never with the top-left corner (and so the title bar) off the screen.
std::int32_t centred(std::int32_t screenStart, std::int32_t screenLength, std::int32_t length) {
  return screenStart + std::max(0, (screenLength - length) / 2);
}

}  // namespace

WindowRect placementOnScreens(const WindowRect& saved, const std::vector<WindowRect>& screens, WindowSize designed,
                              WindowSize minimum) {
  const bool bigEnough = saved.width >= minimum.width && saved.height >= minimum.height;
  if (screens.empty()) {
    if (bigEnough) return saved;
    return {saved.left, saved.top, designed.width, designed.height};
  }
  const bool visible =
      std::any_of(screens.begin(), screens.end(), [&](const WindowRect& screen) { return onScreen(saved, screen); });
  if (bigEnough && visible) return saved;
  const WindowRect& primary = screens.front();
  return {centred(primary.left, primary.width, designed.width), centred(primary.top, primary.height, designed.height),
          designed.width, designed.height};
}

WindowStart applyOptions(const OptionsRecord& options, const std::vector<WindowRect>& screens, WindowSize designed,
                         WindowSize minimum) {
  WindowStart start;
  switch (options.windowState()) {
    case 1:
      start.state = WindowState::Minimized;
      break;
    case 2:
      start.state = WindowState::Maximized;
      break;
    default:
      start.state = WindowState::Normal;
      break;
  }
  if (start.state == WindowState::Normal) {
    const WindowRect saved{options.left(), options.top(), options.width(), options.height()};
    start.rect = placementOnScreens(saved, screens, designed, minimum);
  }
  return start;
}

}  // namespace pelimor
