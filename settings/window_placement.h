#pragma once
// The main window's state and placement as the settings keep them, and where the window goes at
// start. Plain numbers, so the window can pass its own and its screens' geometry.
#include <cstdint>
#include <optional>
#include <vector>

namespace pelimor {

class OptionsRecord;

enum class WindowState : std::uint8_t { Normal = 0, Minimized = 1, Maximized = 2 };

// Outer rectangle, frame included, in screen pixels.
struct WindowRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

struct WindowSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// What the window reports at close: its state, and its outer rectangle whatever the state
// (the maximized bounds when maximized, the restored bounds when minimized).
struct WindowPlacement {
  WindowState state = WindowState::Normal;
  WindowRect rect;
};

// What the window does at start.
struct WindowStart {
  WindowState state = WindowState::Normal;
  // Set only for the normal state: the placement to take. Otherwise the window keeps its designed
  // placement as its normal placement.
  std::optional<WindowRect> rect;
};

// A saved rectangle, or, when it lies off every screen or is smaller than the window's minimum,
// the designed size centred on the primary screen (the first of `screens`). The rectangle counts as
// on a screen when a piece of at least 32 by 32 pixels of it is. With no screens only the size is
// checked (the designed size then keeps the saved corner).
WindowRect placementOnScreens(const WindowRect& saved, const std::vector<WindowRect>& screens, WindowSize designed,
                              WindowSize minimum);

// The state and placement to put into effect from the loaded record. A stored state above 2
// counts as normal.
WindowStart applyOptions(const OptionsRecord& options, const std::vector<WindowRect>& screens, WindowSize designed,
                         WindowSize minimum);

}  // namespace pelimor
