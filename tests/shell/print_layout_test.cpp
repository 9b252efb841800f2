#include "shell/print_layout.h"

#include <array>
#include <gtest/gtest.h>

namespace vornex {
namespace {

// Worked by hand: x = dpi x - (paper - printable) / 2, y = trunc(dpi y * 0.75) - (paper -
// printable) / 2, width trunc(6 * dpi x), height trunc(float(bh / bw) * dpi y * 6).
TEST(PrintPictureRect, PlacesTheScreenSixInchesWide) {
    const struct {
        PrintPage page;
        int bitmap_width;
        int bitmap_height;
        PrintRect expected;
    } cases[] = {
        // 580 / 710 = 0.81690139 in single precision; * 600 * 6 = 2940.84.
        {{4800, 6300, 5100, 6600, 600, 600}, 710, 580, {450, 300, 3600, 2940}},
        // The height and the top use the vertical resolution: 0.81690139 * 300 * 6 =
        // 1470.42, 300 * 0.75 = 225; the odd unprintable height 199 halves to 99.
        {{4900, 3101, 5100, 3300, 600, 300}, 710, 580, {500, 126, 3600, 1470}},
        {{1280, 3100, 1360, 3300, 203, 305}, 710, 580, {163, 128, 1218, 1494}},
        // 101 / 100 is 1.00999999 in single precision: 1817.99998, where double gives 1818.
        {{2400, 3000, 2400, 3000, 300, 300}, 100, 101, {300, 225, 1800, 1817}},
        {{2400, 3000, 2400, 3000, 300, 300}, 0, 0, {300, 225, 1800, 0}},
    };
    for (const auto& c : cases) {
        const PrintRect r = print_picture_rect(c.page, c.bitmap_width, c.bitmap_height);
        EXPECT_EQ((std::array{r.x, r.y, r.width, r.height}),
                  (std::array{c.expected.x, c.expected.y, c.expected.width, c.expected.height}))
            << c.page.dpi_x << " x " << c.page.dpi_y << ", " << c.bitmap_width;
    }
}

} // namespace
} // namespace vornex
