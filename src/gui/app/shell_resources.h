#pragma once
// Drawing resources made once at start-up and shared by the map view's windows: the pens of
// the cross-connect graph (a pair per line kind; rows alternate between the two of a pair)
// and the bold font of the map window's and path controls' buttons.

#include <QFont>
#include <QPen>
#include <array>

namespace vornex {

struct ShellResources {
    std::array<QPen, 2> normal_pens;  // bidirectional lines
    std::array<QPen, 2> one_way_pens; // unidirectional lines
    QFont bold_font;
};

// Made by the first call (start-up makes it); the same object afterwards.
const ShellResources& shell_resources();

} // namespace vornex
