#include "base/window_geometry.h"

#include <gtest/gtest.h>

namespace vornex {
namespace {

TEST(CenterWindow, CentredOnTheReferenceAndKeptInsideTheWorkArea) {
    const Rect screen{0, 0, 1920, 1080};
    const Rect work{0, 0, 1920, 1040};
    const Rect left_monitor{-1280, 0, 1280, 1024}; // a work area left of the primary monitor
    const Rect big{0, 0, 2500, 1500};
    const Rect far{1700, 900, 200, 100};
    const struct {
        Rect window, reference;
        std::optional<Rect> work_area;
        Point expected;
    } cases[] = {
        {{0, 0, 200, 100}, {100, 100, 722, 634}, work, {361, 367}},
        // Halves truncate toward zero: 260.5 -> 260, 266.5 -> 266, -50.5 -> -50, -0.5 -> 0.
        {{0, 0, 201, 101}, {0, 0, 722, 634}, work, {260, 266}},
        {{0, 0, 201, 101}, {500, 500, 100, 100}, work, {450, 500}},
        {{0, 0, 300, 200}, {-1000, 100, 722, 634}, left_monitor, {-789, 317}},
        {{0, 0, 300, 200}, {-1400, -300, 100, 100}, left_monitor, {-1280, 0}}, // pulled back
        {{0, 0, 400, 300}, {1800, 1000, 200, 200}, work, {1520, 740}},         // right, bottom
        {{0, 0, 400, 300}, {1800, 1000, 200, 200}, std::nullopt, {1520, 780}}, // whole screen
        // Larger than the work area: on its left and top edges, wherever it is centred.
        {big, {0, 0, 1920, 1080}, work, {0, 0}},
        {big, far, work, {0, 0}},
        {big, far, Rect{100, 50, 1820, 990}, {100, 50}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const auto& c = cases[i];
        EXPECT_EQ(center_window(c.window, c.reference, c.work_area, screen), c.expected);
    }
}

} // namespace
} // namespace vornex
