#include "base/window_geometry.h"

#include <gtest/gtest.h>

namespace vornex {
namespace {

const Rect screen{0, 0, 1920, 1080};
const Rect work{0, 0, 1920, 1040};

TEST(CenterWindow, CentresOnReference) {
    EXPECT_EQ(center_window({0, 0, 200, 100}, {100, 100, 722, 634}, work, screen),
              (Point{100 + 261, 100 + 267}));
}

TEST(CenterWindow, OddDifferencesTruncateTowardZero) {
    // (722 - 201) / 2 = 260.5 -> 260; (634 - 101) / 2 = 266.5 -> 266.
    EXPECT_EQ(center_window({0, 0, 201, 101}, {0, 0, 722, 634}, work, screen), (Point{260, 266}));
    // A wider window: (100 - 201) / 2 = -50.5 -> -50, not -51.
    EXPECT_EQ(center_window({0, 0, 201, 101}, {500, 500, 100, 100}, work, screen),
              (Point{450, 500})); // -0.5 -> 0
}

TEST(CenterWindow, NegativeReferenceOnSecondScreen) {
    // A reference window on a monitor left of the primary one, with a work area there.
    const Rect left_monitor{-1280, 0, 1280, 1024};
    EXPECT_EQ(center_window({0, 0, 300, 200}, {-1000, 100, 722, 634}, left_monitor, screen),
              (Point{-1000 + 211, 100 + 217}));
    // Partly off the work area to the left and top: pulled back onto its edges.
    EXPECT_EQ(center_window({0, 0, 300, 200}, {-1400, -300, 100, 100}, left_monitor, screen),
              (Point{-1280, 0}));
}

TEST(CenterWindow, KeptInsideRightAndBottomEdges) {
    EXPECT_EQ(center_window({0, 0, 400, 300}, {1800, 1000, 200, 200}, work, screen),
              (Point{1920 - 400, 1040 - 300}));
}

TEST(CenterWindow, LargerThanWorkAreaSitsOnLeftAndTopEdges) {
    const Rect big{0, 0, 2500, 1500};
    // Centred on the whole screen, and on a reference near the far edges alike.
    EXPECT_EQ(center_window(big, {0, 0, 1920, 1080}, work, screen), (Point{0, 0}));
    EXPECT_EQ(center_window(big, {1700, 900, 200, 100}, work, screen), (Point{0, 0}));
    const Rect offset_work{100, 50, 1820, 990};
    EXPECT_EQ(center_window(big, {1700, 900, 200, 100}, offset_work, screen), (Point{100, 50}));
}

TEST(CenterWindow, WholeScreenWhenWorkAreaUnknown) {
    EXPECT_EQ(center_window({0, 0, 400, 300}, {1800, 1000, 200, 200}, std::nullopt, screen),
              (Point{1920 - 400, 1080 - 300}));
}

} // namespace
} // namespace vornex
