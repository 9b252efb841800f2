#include "gui/app/shell_resources.h"

namespace vornex {

namespace {

QPen solid_pen(const QColor& colour) {
    // Width 0: one pixel whatever the painter's scale.
    QPen pen(colour, 0, Qt::SolidLine);
    pen.setCosmetic(true);
    return pen;
}

ShellResources make_resources() {
    ShellResources resources;
    resources.normal_pens = {solid_pen(QColor(153, 51, 255)), solid_pen(Qt::black)};
    resources.one_way_pens = {solid_pen(QColor(219, 73, 20)), solid_pen(QColor(171, 35, 40))};
    resources.bold_font = QFont(QStringLiteral("Microsoft Sans Serif"));
    resources.bold_font.setPixelSize(10);
    resources.bold_font.setWeight(QFont::Bold);
    // Where that face is missing, a plain sans-serif of the same size stands in.
    resources.bold_font.setStyleHint(QFont::SansSerif);
    return resources;
}

} // namespace

const ShellResources& shell_resources() {
    static const ShellResources resources = make_resources();
    return resources;
}

} // namespace vornex
