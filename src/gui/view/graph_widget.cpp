#include "gui/view/graph_widget.h"

#include "device/box.h"
#include "view/graph_lines.h"

#include <QPainter>

namespace vornex {

namespace {

QColor pen_colour(GraphPen pen) {
    switch (pen) {
    case GraphPen::mutual_even:
        return {153, 51, 255};
    case GraphPen::mutual_odd:
        return Qt::black;
    case GraphPen::one_way_even:
        return {219, 73, 20};
    case GraphPen::one_way_odd:
        break;
    }
    return {171, 35, 40};
}

} // namespace

GraphWidget::GraphWidget(Box& box, QWidget* parent) : QWidget(parent), box_(box) {
    setObjectName(QStringLiteral("graph_win"));
    // Every paint covers the whole strip.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GraphWidget::setFirstRows(int left, int right) {
    left_first_ = left;
    right_first_ = right;
}

void GraphWidget::setSimpleView(bool on) {
    simple_view_ = on;
}

void GraphWidget::redraw() {
    update();
}

void GraphWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(248, 248, 252));
    const GraphView view{left_first_, right_first_, simple_view_, width(), height()};
    for (const GraphPolyline& line : graph_lines(box_.cards, view)) {
        painter.setPen(QPen(pen_colour(line.pen), 0));
        QPolygon polygon;
        polygon.reserve(static_cast<qsizetype>(line.points.size()));
        for (const GraphPoint& point : line.points) {
            polygon.append(QPoint(point.x, point.y));
        }
        painter.drawPolyline(polygon);
    }
}

} // namespace vornex
