#pragma once
// Where a dialog opens: centred on its owner, kept inside the desktop's work area.
// A pure function of rectangles, so the rule is tested without any window system.

#include <optional>

namespace vornex {

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// The top-left corner for `window` centred on `reference`. When the work area is unknown
// the whole screen stands in for it. A window larger than the work area keeps its left and
// top edges on the work area's, so its title bar can still be reached.
Point center_window(const Rect& window, const Rect& reference, const std::optional<Rect>& work_area,
                    const Rect& screen);

} // namespace vornex
