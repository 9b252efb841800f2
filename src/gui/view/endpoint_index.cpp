#include "gui/view/endpoint_index.h"

#include "device/box.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace vornex {

namespace {

template <typename W>
W* child(QWidget* parent, const char* name, int x, int y, int w, int h) {
    auto* widget = new W(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

QPushButton* button(QWidget* parent, const char* name, const char* text, int x) {
    auto* made = child<QPushButton>(parent, name, x, 269, 54, 22);
    made->setText(QString::fromLatin1(text));
    made->setEnabled(false);
    return made;
}

} // namespace

EndpointIndex::EndpointIndex(Box& box, QWidget* parent) : QWidget(parent), box_(box) {
    setObjectName(QStringLiteral("endpoint_index_ctrl"));
    // The group boxes first, so that the controls they frame lie above them.
    child<QGroupBox>(this, "index_frame", 2, 0, 172, 295)->setTitle(QStringLiteral("Index"));
    list_ = child<QListWidget>(this, "index_list", 8, 17, 160, 190);
    child<QGroupBox>(this, "search_frame", 2, 200, 172, 95)->setTitle(QStringLiteral("Search"));
    search_edit_ = child<QLineEdit>(this, "search_text", 5, 222, 160, 22);
    search_edit_->setMaxLength(index_search_limit);
    substring_ = child<QCheckBox>(this, "substring", 5, 244, 80, 22);
    substring_->setText(QStringLiteral("sub-str"));
    next_ = button(this, "next", "Next", 5);
    prev_ = button(this, "prev", "Prev", 66);
    status_ = child<QLineEdit>(this, "search_status", 121, 269, 42, 22);
    status_->setReadOnly(true);
    status_->setFrame(false);
    status_->setAlignment(Qt::AlignRight);
    status_->setFocusPolicy(Qt::NoFocus);
    // A read-only field without a border reads as a label: no white box around "end".
    QPalette status_palette = status_->palette();
    status_palette.setColor(QPalette::Base, status_palette.color(QPalette::Window));
    status_->setPalette(status_palette);

    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list_->installEventFilter(this);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { choose(); });
    connect(search_edit_, &QLineEdit::textChanged, this, [this](const QString& text) {
        search_.edited();
        next_->setEnabled(!text.isEmpty());
        prev_->setEnabled(!text.isEmpty());
    });
    // Enter in the search box is Next.
    connect(search_edit_, &QLineEdit::returnPressed, this, [this] { search(1); });
    connect(next_, &QPushButton::clicked, this, [this] { search(1); });
    connect(prev_, &QPushButton::clicked, this, [this] { search(-1); });

    refresh();
    box_.changes.listen(*this);
}

EndpointIndex::~EndpointIndex() {
    box_.changes.forget(*this);
}

void EndpointIndex::changed(unsigned flags) {
    // A new card table means the old trees are gone: the rows must not keep pointing there.
    if ((flags &
         (change_comments | change_displayed_map | change_card_table | change_tree_rebuilt)) != 0) {
        refresh();
    }
}

void EndpointIndex::refresh() {
    const QModelIndex top = list_->indexAt(QPoint(0, 0));
    list_->clear();
    rows_ = fill_endpoint_index(box_.cards, &box_);
    for (const IndexRow& row : rows_) {
        list_->addItem(
            QString::fromLatin1(row.text.data(), static_cast<qsizetype>(row.text.size())));
    }
    if (top.isValid() && top.row() < list_->count()) {
        list_->scrollToItem(list_->item(top.row()), QAbstractItemView::PositionAtTop);
    }
}

void EndpointIndex::search(int direction) {
    const IndexSearchResult result =
        search_.search(rows_, list_->currentRow(), search_edit_->text().toLatin1().toStdString(),
                       substring_->isChecked(), direction);
    if (!result.searched) {
        return;
    }
    status_->setText(result.status == IndexStatus::wrap  ? QStringLiteral("wrap")
                     : result.status == IndexStatus::end ? QStringLiteral("end")
                                                         : QString());
    if (result.row >= 0) {
        list_->setCurrentRow(result.row);
    }
    if (result.beep) {
        QApplication::beep();
    }
}

void EndpointIndex::choose() {
    const int row = list_->currentRow();
    if (row >= 0 && row < static_cast<int>(rows_.size())) {
        emit chosen(rows_[static_cast<std::size_t>(row)].node);
    }
}

bool EndpointIndex::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            choose();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vornex
