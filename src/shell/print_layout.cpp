#include "shell/print_layout.h"

namespace vornex {

PrintRect print_picture_rect(const PrintPage& page, int bitmap_width, int bitmap_height) {
    PrintRect rect;
    // Fixed to the pixel, so that every printout of one screen on one printer matches: the
    // halvings truncate toward zero, the aspect ratio is single precision, the products
    // double.
    rect.x = page.dpi_x - (page.paper_width - page.printable_width) / 2;
    rect.y = static_cast<int>(page.dpi_y * 0.75) - (page.paper_height - page.printable_height) / 2;
    rect.width = static_cast<int>(page.dpi_x * 6.0);
    if (bitmap_width > 0) {
        const float ratio = static_cast<float>(bitmap_height) / static_cast<float>(bitmap_width);
        rect.height = static_cast<int>(static_cast<double>(ratio) * page.dpi_y * 6.0);
    }
    return rect;
}

} // namespace vornex
