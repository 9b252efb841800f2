#pragma once
// Where the printed screen goes on the page: six inches wide, one inch from the paper's
// left edge and three quarters of an inch from its top, its height keeping the picture's
// aspect ratio. Drawing starts at the printable area's corner, so each offset gives back
// half of what the printer cannot print; the width and the left edge use the horizontal
// resolution, the height and the top edge the vertical one, so that a printer whose two
// resolutions differ prints the picture undistorted.

namespace vornex {

// What the printer reports, in its own device pixels and pixels per inch.
struct PrintPage {
    int printable_width = 0;
    int printable_height = 0;
    int paper_width = 0;
    int paper_height = 0;
    int dpi_x = 0;
    int dpi_y = 0;
};

// In device pixels from the printable area's top left corner.
struct PrintRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The picture's place for a bitmap of `bitmap_width` by `bitmap_height` pixels (an empty
// bitmap gets no height).
PrintRect print_picture_rect(const PrintPage& page, int bitmap_width, int bitmap_height);

} // namespace vornex
