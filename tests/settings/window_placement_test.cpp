#include "settings/window_placement.h"

#include <gtest/gtest.h>

#include <limits>

#include "settings/options_record.h"

namespace pelimor {
namespace {

const std::vector<WindowRect> kTwoScreens{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
constexpr WindowSize kDesigned{800, 600};
constexpr WindowSize kMinimum{400, 300};
const WindowRect kCentred{560, 240, 800, 600};

WindowRect placed(const WindowRect& saved) { return placementOnScreens(saved, kTwoScreens, kDesigned, kMinimum); }

TEST(Placement, OnAScreenIsKept) {
  EXPECT_EQ(placed({100, 50, 1000, 700}), (WindowRect{100, 50, 1000, 700}));
  EXPECT_EQ(placed({2000, 100, 900, 700}), (WindowRect{2000, 100, 900, 700}));
}

TEST(Placement, PartlyOffTheScreensIsKeptWhileEnoughShows) {
  EXPECT_EQ(placed({-760, -560, 800, 600}), (WindowRect{-760, -560, 800, 600}));
  EXPECT_EQ(placed({3168, 992, 800, 600}), (WindowRect{3168, 992, 800, 600}));
}

TEST(Placement, OffEveryScreenFallsBackToTheDesignedSizeCentredOnThePrimary) {
  EXPECT_EQ(placed({-5000, 100, 800, 600}), kCentred);
  EXPECT_EQ(placed({100, 3000, 800, 600}), kCentred);
  EXPECT_EQ(placed({-790, 100, 800, 600}), kCentred);   // 10 pixels show
  EXPECT_EQ(placed({2000, 1050, 800, 600}), kCentred);  // below the shorter second screen
}

TEST(Placement, BelowTheMinimumSizeFallsBack) {
  EXPECT_EQ(placed({100, 100, 399, 600}), kCentred);
  EXPECT_EQ(placed({100, 100, 800, 299}), kCentred);
  EXPECT_EQ(placed({100, 100, 0, 0}), kCentred);
  EXPECT_EQ(placed({100, 100, -800, 600}), kCentred);
  EXPECT_EQ(placed({100, 100, 400, 300}), (WindowRect{100, 100, 400, 300}));
}

TEST(Placement, ExtremeNumbersDoNotOverflow) {
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  EXPECT_EQ(placed({kMax, kMax, kMax, kMax}), kCentred);
  EXPECT_EQ(placed({kMin, kMin, kMax, kMax}), kCentred);                                  // ends just before 0
  EXPECT_EQ(placed({-1000, -1000, kMax, kMax}), (WindowRect{-1000, -1000, kMax, kMax}));  // covers the screens
  EXPECT_EQ(placed({kMin, 0, 800, 600}), kCentred);
}

TEST(Placement, PrimaryScreenNeedNotStartAtZero) {
  const std::vector<WindowRect> screens{{1280, 0, 1920, 1080}, {0, 0, 1280, 1024}};
  EXPECT_EQ(placementOnScreens({-3000, 0, 800, 600}, screens, kDesigned, kMinimum), (WindowRect{1840, 240, 800, 600}));
}

TEST(Placement, DesignedSizeLargerThanThePrimaryKeepsItsCornerOnIt) {
  EXPECT_EQ(placementOnScreens({-5000, 0, 800, 600}, {{100, 50, 640, 480}}, kDesigned, kMinimum),
            (WindowRect{100, 50, 800, 600}));
}

TEST(Placement, WithoutScreensOnlyTheSizeIsChecked) {
  EXPECT_EQ(placementOnScreens({-5000, 0, 800, 600}, {}, kDesigned, kMinimum), (WindowRect{-5000, 0, 800, 600}));
  EXPECT_EQ(placementOnScreens({7, 9, 10, 10}, {}, kDesigned, kMinimum), (WindowRect{7, 9, 800, 600}));
}

OptionsRecord recordWith(std::uint8_t state, const WindowRect& rect) {
  OptionsRecord options;
  options.setWindowState(state);
  options.setLeft(rect.left);
  options.setTop(rect.top);
  options.setWidth(rect.width);
  options.setHeight(rect.height);
  return options;
}

TEST(applyOptions, NormalStateTakesTheSavedPlacement) {
  const WindowStart start = applyOptions(recordWith(0, {100, 50, 1000, 700}), kTwoScreens, kDesigned, kMinimum);
  EXPECT_EQ(start.state, WindowState::Normal);
  EXPECT_EQ(start.rect, (WindowRect{100, 50, 1000, 700}));
}

TEST(applyOptions, NormalStateOffTheScreensFallsBack) {
  const WindowStart start = applyOptions(recordWith(0, {9000, 9000, 1000, 700}), kTwoScreens, kDesigned, kMinimum);
  EXPECT_EQ(start.rect, kCentred);
}

TEST(applyOptions, MinimizedAndMaximizedKeepTheDesignedPlacement) {
  const WindowStart minimized = applyOptions(recordWith(1, {100, 50, 1000, 700}), kTwoScreens, kDesigned, kMinimum);
  EXPECT_EQ(minimized.state, WindowState::Minimized);
  EXPECT_FALSE(minimized.rect.has_value());
  const WindowStart maximized = applyOptions(recordWith(2, {-8, -8, 1936, 1056}), kTwoScreens, kDesigned, kMinimum);
  EXPECT_EQ(maximized.state, WindowState::Maximized);
  EXPECT_FALSE(maximized.rect.has_value());
}

TEST(applyOptions, StateAboveTwoCountsAsNormal) {
  for (std::uint8_t state : {3, 255}) {
    const WindowStart start = applyOptions(recordWith(state, {100, 50, 1000, 700}), kTwoScreens, kDesigned, kMinimum);
    EXPECT_EQ(start.state, WindowState::Normal);
    EXPECT_EQ(start.rect, (WindowRect{100, 50, 1000, 700}));
  }
}

}  // namespace
}  // namespace pelimor
