#pragma once
// The 9 x 9 images of the path control's rows: the framed minus and plus of an expanded and
// a collapsed row, the framed red cross of a card without endpoints, and the green marker of
// an endpoint brought into view from the endpoint index (transparent around the triangle).

#include "view/path_rows.h"

#include <QPixmap>

namespace vornex {

// The glyph's image; a null pixmap for RowGlyph::none.
const QPixmap& path_glyph(RowGlyph glyph);
const QPixmap& path_marker();

} // namespace vornex
