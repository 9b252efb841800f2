#include "gui/app/simple_dialog.h"

#include "base/presenter.h"
#include "base/window_geometry.h"
#include "resources/strings.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

namespace vornex {

namespace {

Rect to_rect(const QRect& r) {
    return {r.left(), r.top(), r.width(), r.height()};
}

} // namespace

void center_on_owner(QWidget* window, const QWidget* owner) {
    QScreen* screen = owner != nullptr ? owner->screen() : window->screen();
    if (screen == nullptr) {
        return;
    }
    const Rect screen_rect = to_rect(screen->geometry());
    const std::optional<Rect> work_area = to_rect(screen->availableGeometry());
    const Rect reference = owner != nullptr ? to_rect(owner->frameGeometry()) : *work_area;
    const Point at =
        center_window(to_rect(window->frameGeometry()), reference, work_area, screen_rect);
    window->move(at.x, at.y);
}

QSize dialog_units_to_pixels(const QWidget* font_of, int width_units, int height_units) {
    const QFontMetrics metrics(font_of->font());
    const int sample_width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int base_x = (sample_width / 26 + 1) / 2;
    const int base_y = metrics.height();
    return {width_units * base_x / 4, height_units * base_y / 8};
}

SimpleDialog::SimpleDialog(QWidget* owner) : QDialog(owner) {}

void SimpleDialog::accept() {
    done(dialog_ok);
}

void SimpleDialog::reject() {
    done(dialog_cancel);
}

void SimpleDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        center_on_owner(this, parentWidget());
    }
}

AboutDialog::AboutDialog(QWidget* owner) : SimpleDialog(owner) {
    setWindowTitle(QStringLiteral("About Vornex"));
    setObjectName(QStringLiteral("aboutDialog"));

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
    auto* title = new QLabel(QString::fromLatin1(program_title), this);
    title->setObjectName(QStringLiteral("programTitle")); // text control 1044
    auto* what = new QLabel(QStringLiteral("Element manager for the R4150 multiplexer"), this);

    auto* text = new QVBoxLayout;
    text->addWidget(title);
    text->addWidget(what);
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(text, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &SimpleDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}

} // namespace vornex
