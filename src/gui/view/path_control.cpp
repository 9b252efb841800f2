#include "gui/view/path_control.h"

#include "device/box.h"
#include "gui/app/shell_resources.h"
#include "gui/comments/endpoint_info_dialog.h"
#include "gui/lineconf/line_dialogs.h"
#include "gui/view/path_glyph_resources.h"
#include "model/hs_entry.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

namespace vornex {

namespace {

const QColor even_row(255, 255, 207);
const QColor odd_row(245, 245, 197);
const QColor selection(159, 159, 159);
const QColor even_filler(255, 255, 255);
const QColor odd_filler(242, 242, 242);

// Widths in digit widths of the bold row font; the buttons' and count's height in pixels.
constexpr int text_digits = 30;
constexpr int button_digits = 15;
constexpr int header_height = 16;
// Wheel notches scroll three rows, as the operator's other lists do.
constexpr int wheel_rows = 3;

QFont path_font(int pixels, QFont::Weight weight) {
    QFont font(QStringLiteral("Microsoft Sans Serif"));
    font.setPixelSize(pixels);
    font.setWeight(weight);
    // Where that face is missing, a plain sans-serif of the same size stands in.
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace

// The framed area the rows are painted in; it hands the mouse to its control.
class PathText : public QFrame {
public:
    explicit PathText(PathControl& control) : QFrame(&control), control_(control) {
        setObjectName(QStringLiteral("path_text"));
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QFrame::paintEvent(event);
        QPainter painter(this);
        painter.setClipRect(contentsRect());
        painter.translate(contentsRect().topLeft());
        control_.paintRows(painter);
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (control_.detached_)
            return;
        if (event->button() == Qt::LeftButton) {
            const bool started = control_.rows_.press(row(event));
            control_.refresh();
            if (!started)
                emit control_.toggled();
            control_.showCount();
        } else if (event->button() == Qt::RightButton) {
            right_down_ = true;
        }
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        if (control_.detached_ || !(event->buttons() & Qt::LeftButton))
            return;
        if (control_.rows_.drag(row(event))) {
            control_.refresh();
            control_.showCount();
        }
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        if (control_.detached_)
            return;
        if (event->button() == Qt::LeftButton) {
            if (control_.rows_.release())
                emit control_.selectionDone();
        } else if (event->button() == Qt::RightButton && right_down_) {
            right_down_ = false;
            control_.openRow(row(event), event->globalPosition().toPoint());
        }
    }

    void wheelEvent(QWheelEvent* event) override {
        const int steps = event->angleDelta().y() / QWheelEvent::DefaultDeltasPerStep;
        if (steps != 0) {
            control_.scroll(steps > 0 ? ScrollRequest::line_up : ScrollRequest::line_down,
                            std::abs(steps) * wheel_rows);
        }
    }

private:
    int row(const QMouseEvent* event) const {
        const int y = static_cast<int>(event->position().y()) - contentsRect().top();
        return control_.rows_.row_at(y, control_.row_height_);
    }

    PathControl& control_;
    bool right_down_ = false;
};

class PathControl::Listener : public ChangeListener {
public:
    explicit Listener(PathControl& control) : control_(control) {
        control_.box_.changes.listen(*this);
    }
    ~Listener() override { control_.box_.changes.forget(*this); }
    void changed(unsigned flags) override { control_.deviceChanged(flags); }

private:
    PathControl& control_;
};

PathControl::PathControl(Box& box, int side, bool large_font, QWidget* parent)
    : QWidget(parent), box_(box), rows_(box, side),
      bold_(path_font(large_font ? 15 : 11, QFont::Bold)),
      normal_(path_font(large_font ? 15 : 11, QFont::Normal)), small_(path_font(10, QFont::Normal)),
      large_font_(large_font) {
    setObjectName(QStringLiteral("path_ctrl"));
    const QFontMetrics metrics(bold_);
    digit_width_ = metrics.horizontalAdvance(QLatin1Char('0'));
    row_height_ = metrics.height() + 2;
    const int d = digit_width_;
    const int s = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int text_width = text_digits * d;
    const int rows_height = path_page * row_height_ + 2;
    // The scroll bar and the count above it sit on the outer side of each control.
    const int bar_x = side == 0 ? 0 : text_width;
    const int text_x = side == 0 ? s : 0;

    count_ = new QLabel(QStringLiteral("00"), this);
    count_->setObjectName(QStringLiteral("path_count"));
    count_->setFont(small_);
    count_->setAlignment(Qt::AlignCenter);
    count_->setGeometry(bar_x, 0, s, header_height);

    const struct {
        const char* text;
        int x;
        void (PathRows::*all)();
    } buttons[] = {{"Expand All", text_x, &PathRows::expand_all},
                   {"Collapse All", text_x + button_digits * d, &PathRows::collapse_all}};
    for (const auto& b : buttons) {
        auto* button = new QPushButton(QString::fromLatin1(b.text), this);
        button->setFont(shell_resources().bold_font);
        button->setGeometry(b.x, 0, button_digits * d, header_height);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QPushButton::clicked, this, [this, all = b.all] {
            if (detached_)
                return;
            (rows_.*all)();
            refresh();
            emit toggled();
        });
    }

    text_ = new PathText(*this);
    text_->setGeometry(text_x, header_height, text_width, rows_height);

    // The range runs to the last row itself, not to the last full page: "bottom" puts the
    // last row at the top of the view.
    scroll_bar_ = new QScrollBar(Qt::Vertical, this);
    scroll_bar_->setGeometry(bar_x, header_height, s, rows_height);
    scroll_bar_->setPageStep(path_page);
    scroll_bar_->setRange(1, 1);
    connect(scroll_bar_, &QScrollBar::actionTriggered, this, &PathControl::scrolled);

    setFixedSize(text_width + s, path_page * row_height_ + 19);
    listener_ = std::make_unique<Listener>(*this);
}

PathControl::~PathControl() = default;

void PathControl::setCards() {
    detached_ = false;
    rows_.set_cards();
    refresh();
}

int PathControl::firstRow() const {
    return rows_.first_row();
}

void PathControl::renumber() {
    if (detached_)
        return;
    rows_.renumber();
    refresh();
}

void PathControl::showEndpoint(HsEntry& node) {
    if (detached_)
        return;
    rows_.show_endpoint(node);
    refresh();
    emit toggled();
}

void PathControl::deviceChanged(unsigned flags) {
    if (flags & change_card_table) {
        // The card list was read anew: the trees this control walked are gone.
        detached_ = true;
        text_->update();
        return;
    }
    // Repainted from what is cached: the command's own chain renumbers the side(s) it
    // touched, which reads what it invalidated, so a notification never waits on the device.
    if (flags & (change_leaf_cross_connects | change_comments))
        text_->update();
}

void PathControl::refresh() {
    if (!detached_)
        rows_.read_shown_leaves();
    const QSignalBlocker blocker(scroll_bar_);
    scroll_bar_->setRange(1, std::max(1, rows_.max_row()));
    scroll_bar_->setValue(rows_.first_row());
    text_->update();
}

void PathControl::scrolled(int action) {
    ScrollRequest request = ScrollRequest::thumb;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        request = ScrollRequest::line_up;
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        request = ScrollRequest::line_down;
        break;
    case QAbstractSlider::SliderPageStepSub:
        request = ScrollRequest::page_up;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        request = ScrollRequest::page_down;
        break;
    case QAbstractSlider::SliderToMinimum:
        request = ScrollRequest::top;
        break;
    case QAbstractSlider::SliderToMaximum:
        request = ScrollRequest::bottom;
        break;
    case QAbstractSlider::SliderMove:
        break;
    default:
        return;
    }
    scroll(request);
}

void PathControl::scroll(ScrollRequest request, int times) {
    if (detached_)
        return;
    for (int i = 0; i < times; ++i)
        rows_.scroll(request, scroll_bar_->sliderPosition());
    // The bar's own step is replaced by the row model's rule.
    scroll_bar_->setSliderPosition(rows_.first_row());
    refresh();
    emit toggled();
}

void PathControl::showCount() {
    count_->setText(QString::asprintf("%02d", rows_.selected_count()));
}

void PathControl::openRow(int row, const QPoint& global) {
    const OpenedRow opened = rows_.open_row(row);
    if (opened.node == nullptr)
        return;
    int result = 0;
    if (opened.node->setup != SetupDialog::none) {
        result = run_setup_popup(this, box_, *opened.node, opened.path_text, global);
    } else if (opened.node->is_leaf()) {
        result = endpoint_info_dialog(this, box_, opened.path_text, *opened.node) == dialog_ok;
    }
    if (result != 0)
        emit changed();
}

void PathControl::paintRows(QPainter& painter) const {
    const int d = digit_width_;
    const int h = row_height_;
    const int width = text_digits * d;
    painter.fillRect(0, 0, width, path_page * h + 2, Qt::white);
    if (detached_)
        return;
    const int first = rows_.first_row();
    auto row_colour = [](int row, const QColor& even, const QColor& odd) {
        return row % 2 == 0 ? even : odd;
    };
    for (const PathRow& row : rows_.visible_rows()) {
        const int y = (row.row - first) * h;
        const int x = 2 * d * row.indent;
        const QColor colour = row_colour(row.row, even_row, odd_row);
        painter.fillRect(0, y, width, h, colour);
        const QPixmap& glyph = path_glyph(row.glyph);
        if (!glyph.isNull())
            painter.drawPixmap(x + 2, y + 2, glyph);
        const QFont& font = row.card ? bold_ : normal_;
        const QFontMetrics metrics(font);
        const QString text = QString::fromStdString(row.text);
        painter.setFont(font);
        painter.fillRect(x + 12, y, metrics.horizontalAdvance(text), metrics.height(),
                         row.selected ? selection : colour);
        painter.setPen(Qt::black);
        painter.drawText(x + 12, y + metrics.ascent(), text);
        if (row.marked)
            painter.drawPixmap(d, y + (large_font_ ? 4 : 2), path_marker());
        if (!row.note.empty()) {
            painter.setFont(small_);
            painter.drawText(QRect(0, y, width - 2, h), Qt::AlignRight | Qt::AlignVCenter,
                             QString::fromStdString(row.note));
        }
    }
    // The rows below the last one are painted empty in the filler colours.
    for (int row = std::max(first, rows_.max_row() + 1); row < first + path_page; ++row) {
        painter.fillRect(0, (row - first) * h, width, h, row_colour(row, even_filler, odd_filler));
    }
}

} // namespace vornex
