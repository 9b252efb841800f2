#include "gui/view/path_glyph_resources.h"

namespace vornex {

namespace {

// clang-format off
const char* const expanded_xpm[] = {
    "9 9 3 1", "# c #808080", ". c #FFFFFF", "x c #000000",
    "#########",
    "#.......#",
    "#.......#",
    "#.......#",
    "#.xxxxx.#",
    "#.......#",
    "#.......#",
    "#.......#",
    "#########",
};

const char* const collapsed_xpm[] = {
    "9 9 3 1", "# c #808080", ". c #FFFFFF", "x c #000000",
    "#########",
    "#.......#",
    "#...x...#",
    "#...x...#",
    "#.xxxxx.#",
    "#...x...#",
    "#...x...#",
    "#.......#",
    "#########",
};

const char* const no_endpoints_xpm[] = {
    "9 9 3 1", "# c #808080", ". c #FFFFFF", "x c #FF0000",
    "#########",
    "#.......#",
    "#.x...x.#",
    "#..x.x..#",
    "#...x...#",
    "#..x.x..#",
    "#.x...x.#",
    "#.......#",
    "#########",
};

const char* const marker_xpm[] = {
    "9 9 2 1", "  c None", "g c #00A000",
    "g        ",
    "ggg      ",
    "ggggg    ",
    "ggggggg  ",
    "ggggggggg",
    "ggggggg  ",
    "ggggg    ",
    "ggg      ",
    "g        ",
};
// clang-format on

} // namespace

const QPixmap& path_glyph(RowGlyph glyph) {
    static const QPixmap none;
    static const QPixmap expanded(expanded_xpm);
    static const QPixmap collapsed(collapsed_xpm);
    static const QPixmap no_endpoints(no_endpoints_xpm);
    switch (glyph) {
    case RowGlyph::expanded:
        return expanded;
    case RowGlyph::collapsed:
        return collapsed;
    case RowGlyph::no_endpoints:
        return no_endpoints;
    case RowGlyph::none:
        break;
    }
    return none;
}

const QPixmap& path_marker() {
    static const QPixmap marker(marker_xpm);
    return marker;
}

} // namespace vornex
