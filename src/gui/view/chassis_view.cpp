#include "gui/view/chassis_view.h"

#include "device/box.h"

#include <QCloseEvent>
#include <QPainter>
#include <QScreen>

namespace vornex {

namespace {

QColor strip_colour(ChassisPart part) {
    switch (part) {
    case ChassisPart::tributary:
        return {255, 178, 102};
    case ChassisPart::in_band:
        return {173, 216, 230};
    case ChassisPart::controller:
        return {255, 102, 178};
    case ChassisPart::power_supply:
        break;
    }
    return {34, 139, 34};
}

QFont panel_font(int pixels) {
    // The panel's face; where it is missing the font system's substitute is used.
    QFont font(QStringLiteral("Ariel"));
    font.setPixelSize(pixels);
    font.setBold(true);
    return font;
}

} // namespace

ChassisView::ChassisView(QWidget* owner, const Box& box, Settings& settings)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      positions_(chassis_drawing(box)), settings_(settings) {
    setObjectName(QStringLiteral("chassis_ctrl"));
    setFixedSize(chassis_client_width, chassis_client_height);
    const QRect screen = owner->screen()->geometry();
    if (const auto corner = chassis_corner(settings_.chassis_x, settings_.chassis_y, screen.width(),
                                           screen.height())) {
        move(corner->x, corner->y);
    } else {
        settings_.chassis_x = settings_.chassis_y = default_position;
    }
    setWindowTitle(QString::fromStdString(chassis_title(box)));
    show();
}

ChassisView::~ChassisView() {
    const QPoint corner = frameGeometry().topLeft();
    settings_.chassis_x = corner.x();
    settings_.chassis_y = corner.y();
}

void ChassisView::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void ChassisView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const Rect& outline = chassis_outline;
    painter.setPen(QPen(QColor(132, 132, 132), 2));
    painter.setBrush(QColor(237, 237, 237));
    painter.drawRect(outline.left, outline.top, outline.width, outline.height);

    const QFont label_font = panel_font(9);
    const QFont text_font = panel_font(10);
    const QColor window_text = palette().color(QPalette::Active, QPalette::WindowText);
    const QColor grey_text = palette().color(QPalette::Disabled, QPalette::WindowText);
    painter.setBackgroundMode(Qt::OpaqueMode);
    for (const ChassisPosition& position : positions_) {
        const Rect& area = position.area;
        const QColor strip = strip_colour(position.part);
        painter.setPen(QPen(strip, 2));
        painter.setBrush(strip);
        painter.drawRect(QRect(QPoint(area.left - 1, outline.top - 7),
                               QPoint(area.left + area.width - 1, outline.top - 3)));

        const QColor face_colour =
            position.occupied ? QColor(203, 197, 207) : QColor(212, 208, 199);
        const int left = area.left;
        const int top = area.top;
        const int right = area.left + area.width - 2;
        const int bottom = area.top + area.height - 2;
        painter.fillRect(QRect(left, top, right - left, bottom - top), face_colour);
        const QPoint edge[] = {{left, bottom}, {right, bottom}, {right, top}};
        painter.setPen(QColor(12, 115, 244));
        painter.drawPolyline(edge, 3);
        const QPoint outer_edge[] = {edge[0] + QPoint(1, 1), edge[1] + QPoint(1, 1),
                                     edge[2] + QPoint(1, 1)};
        painter.setPen(QColor(31, 7, 243));
        painter.drawPolyline(outer_edge, 3);

        painter.setPen(position.occupied ? window_text : grey_text);
        painter.setBackground(face_colour);
        if (!position.label.empty()) {
            painter.setFont(label_font);
            const QString label = QString::fromStdString(position.label);
            const int height = painter.fontMetrics().height();
            painter.drawText(QRect(left + 1, bottom - height - 1,
                                   painter.fontMetrics().horizontalAdvance(label), height),
                             Qt::AlignLeft | Qt::AlignTop, label);
        }
        if (!position.text.empty()) {
            // Every face is taller than wide: the name reads upward, centred in the face.
            painter.setFont(text_font);
            const QString text = QString::fromStdString(position.text);
            const int width = painter.fontMetrics().horizontalAdvance(text);
            const int height = painter.fontMetrics().height();
            painter.save();
            painter.translate(left + (right - height - left) / 2,
                              bottom - (bottom - width - top) / 2);
            painter.rotate(-90);
            painter.drawText(QRect(0, 0, width, height), Qt::AlignLeft | Qt::AlignTop, text);
            painter.restore();
        }
    }
}

} // namespace vornex
