#include "base/window_geometry.h"

namespace vornex {

namespace {

// Clamping against the far edge first and the near edge last means an oversized window
// ends up on the near edge rather than pushed off it.
int clamp_into(int position, int size, int area_start, int area_size) {
    const int area_end = area_start + area_size;
    if (position + size > area_end) {
        position = area_end - size;
    }
    if (position < area_start) {
        position = area_start;
    }
    return position;
}

} // namespace

Point center_window(const Rect& window, const Rect& reference, const std::optional<Rect>& work_area,
                    const Rect& screen) {
    const Rect area = work_area.value_or(Rect{0, 0, screen.width, screen.height});
    // Integer division truncates toward zero, as the placement rule asks.
    const int x = reference.left + (reference.width - window.width) / 2;
    const int y = reference.top + (reference.height - window.height) / 2;
    return {clamp_into(x, window.width, area.left, area.width),
            clamp_into(y, window.height, area.top, area.height)};
}

} // namespace vornex
