#include "gui/view/map_window.h"

#include "device/box.h"
#include "gui/app/shell_resources.h"
#include "gui/app/wait_cursor.h"
#include "gui/view/endpoint_index.h"
#include "gui/view/graph_widget.h"
#include "gui/view/path_control.h"
#include "shell/settings.h"
#include "xc/xc_commands.h"
#include "xc/xc_probe.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

namespace vornex {

namespace {

constexpr int path_top = 21;
constexpr int options_width = 190; // from the right path control's edge to the window's
constexpr int index_width = 174;
constexpr int index_height = 298;

template <typename T>
T* named(T* widget, const char* name, QRect geometry) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

} // namespace

MapWindow::MapWindow(Box& box, Settings& settings, bool simple_view, QWidget* parent)
    : QWidget(parent), box_(box), settings_(settings) {
    setObjectName(QStringLiteral("map_win"));
    setAutoFillBackground(true);
    // Light grey behind the controls, and greyed-out texts in a darker grey that still reads
    // on it: the style's own disabled text all but vanishes there. (The main window's style
    // sheet decides the children's palettes, so their text colour is set the same way.)
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(grey);
    setStyleSheet(QStringLiteral("QLabel:disabled, QCheckBox:disabled, QRadioButton:disabled { "
                                 "color: rgb(128, 128, 128); }"));

    const bool large = settings_.large_font != 0;
    const int r = right_edge(large);
    left_ = new PathControl(box_, 0, large, this);
    right_ = new PathControl(box_, 1, large, this);
    left_->move(10, path_top);
    right_->move(r, path_top);
    const int w = left_->width();
    const int h = left_->height();
    const int c = (w + r - 50) / 2;
    const int e = w + r;

    graph_ = new GraphWidget(box_, this);
    graph_->setGeometry(w + 10, 37, r - w - 10, h - 17);
    graph_->setSimpleView(simple_view);
    left_->setCards();
    right_->setCards();

    map_both_ =
        addCommand("<-Map->", "mapBoth", {c, 12, 60, 22}, {true, 0, xc_bidirectional, both_sides});
    map_left_ = addCommand("<-Map", "mapLeft", {c - 63, 12, 60, 22},
                           {true, 0, xc_unidirectional, left_side});
    map_right_ = addCommand("Map->", "mapRight", {c + 63, 12, 60, 22},
                            {true, 1, xc_unidirectional, right_side});
    unmap_left_ = addCommand("<-UnMap", "unmapLeft", {w - 130, h + 21, 60, 16},
                             {false, 0, xc_unidirectional, left_side});
    unmap_both_left_ = addCommand("<-UnMap->", "unmapBothLeft", {w - 60, h + 21, 70, 16},
                                  {false, 0, xc_bidirectional, both_sides});
    unmap_both_right_ = addCommand("<-UnMap->", "unmapBothRight", {r, h + 21, 70, 16},
                                   {false, 1, xc_bidirectional, both_sides});
    unmap_right_ = addCommand("UnMap->", "unmapRight", {r + 80, h + 21, 60, 16},
                              {false, 1, xc_unidirectional, right_side});

    // "data" and "voice" are a pair the window keeps itself: a click checks the one clicked
    // and unchecks the other, and never unchecks the one clicked.
    data_ = named(new QRadioButton(QStringLiteral("data"), this), "data", {e + 10, 30, 70, 16});
    voice_ = named(new QRadioButton(QStringLiteral("voice"), this), "voice", {e + 10, 46, 70, 16});
    for (QRadioButton* button : {data_, voice_}) {
        button->setAutoExclusive(false);
        connect(button, &QRadioButton::clicked, this,
                [this, voice = button == voice_] { chooseChannel(voice); });
    }
    a_mu_ = named(new QCheckBox(QStringLiteral("A->Mu"), this), "aMu", {e + 10, 65, 70, 16});
    sig_conv_label_ =
        named(new QLabel(QStringLiteral("Sig conv."), this), "sigConvLabel", {e + 10, 82, 70, 16});
    sig_conv_ = named(new QLineEdit(this), "sigConv", {e + 45, 99, 35, 16});
    sig_conv_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), sig_conv_));
    identifier_label_ = named(new QLabel(QStringLiteral(" Endpoint Identifier"), this),
                              "identifierLabel", {e + 10, 158, 138, 22});
    clear_identifier_ = named(new QPushButton(QStringLiteral("x"), this), "clearIdentifier",
                              {e + 148, 158, 22, 22});
    identifier_ = named(new QLineEdit(this), "identifier", {e + 10, 180, 160, 22});
    identifier_->setMaxLength(static_cast<int>(identifier_max_length));
    apply_ = named(new QCheckBox(QStringLiteral("apply"), this), "apply", {e + 10, 202, 160, 22});
    connect(clear_identifier_, &QPushButton::clicked, identifier_, &QLineEdit::clear);
    connect(apply_, &QCheckBox::clicked, this, &MapWindow::applyToggled);
    for (QWidget* option :
         std::initializer_list<QWidget*>{data_, voice_, a_mu_, sig_conv_label_, sig_conv_}) {
        option->setEnabled(false);
    }
    data_->setChecked(true);
    // "apply" is as the last map window left it, in this run or an earlier one.
    apply_->setChecked(settings_.map_endpoint_id != 0);
    applyToggled(apply_->isChecked());

    index_ = new EndpointIndex(box_, this);
    index_->setGeometry(e + 4, 274, index_width, index_height);

    connect(left_, &PathControl::toggled, this, &MapWindow::refresh);
    connect(right_, &PathControl::toggled, this, &MapWindow::refresh);
    connect(left_, &PathControl::selectionDone, this, &MapWindow::updateControls);
    connect(right_, &PathControl::selectionDone, this, &MapWindow::updateControls);
    connect(left_, &PathControl::changed, this, &MapWindow::rebuild);
    connect(right_, &PathControl::changed, this, &MapWindow::rebuild);
    connect(index_, &EndpointIndex::chosen, this, &MapWindow::showEndpoint);

    setFixedSize(e + options_width, h + 47);
    refresh();
}

MapWindow::~MapWindow() = default;

QPushButton* MapWindow::addCommand(const char* text, const char* name, QRect geometry,
                                   Command command) {
    auto* button = named(new QPushButton(QString::fromLatin1(text), this), name, geometry);
    button->setFont(shell_resources().bold_font);
    button->setEnabled(false);
    connect(button, &QPushButton::clicked, this, [this, command] { run(command); });
    return button;
}

MapOptions MapWindow::options() const {
    MapOptions o;
    o.data_checked = data_->isChecked();
    o.voice_checked = voice_->isChecked();
    o.a_mu_checked = a_mu_->isChecked();
    o.sig_conv = sig_conv_->text().toStdString();
    o.apply = apply_->isChecked();
    // Anything outside plain ASCII stays visible to the identifier rule, which refuses it.
    o.identifier = identifier_->text().toStdString();
    return o;
}

void MapWindow::run(Command command) {
    WaitCursor wait;
    const MapOptions o = options();
    if (command.map) {
        map_selection(box_, command.side, command.xc_type, o);
    } else {
        unmap_selection(box_, command.side, command.xc_type, o);
    }
    // The sides a command touched are read again before anything draws them; the graph
    // then draws what they show, and the buttons follow the new cross-connects. "Store" and
    // the index (when identifiers were applied) follow the device's change notifications.
    if ((command.renumber & left_side) != 0) {
        left_->renumber();
    }
    if ((command.renumber & right_side) != 0) {
        right_->renumber();
    }
    refresh();
    updateControls();
}

void MapWindow::setSimpleView(bool on) {
    graph_->setSimpleView(on);
    refresh();
}

void MapWindow::refresh() {
    graph_->setFirstRows(left_->firstRow(), right_->firstRow());
    graph_->redraw();
}

void MapWindow::rebuild() {
    WaitCursor wait;
    left_->renumber();
    right_->renumber();
    refresh();
    updateControls();
    index_->refresh();
}

void MapWindow::updateControls() {
    const MapControls c = update_map_controls(box_, voice_mode_);
    unmap_left_->setEnabled(c.unmap_left);
    unmap_both_left_->setEnabled(c.unmap_both_left);
    unmap_right_->setEnabled(c.unmap_right);
    unmap_both_right_->setEnabled(c.unmap_both_right);
    data_->setEnabled(c.channel_enabled);
    voice_->setEnabled(c.channel_enabled);
    data_->setChecked(c.data_checked);
    voice_->setChecked(c.voice_checked);
    sig_conv_label_->setEnabled(c.sig_conv_enabled);
    sig_conv_->setEnabled(c.sig_conv_enabled);
    a_mu_->setEnabled(c.a_mu_enabled);
    map_both_->setEnabled(c.map_both);
    map_left_->setEnabled(c.map_left);
    map_right_->setEnabled(c.map_right);
}

void MapWindow::chooseChannel(bool voice) {
    voice_mode_ = voice;
    data_->setChecked(!voice);
    voice_->setChecked(voice);
    sig_conv_label_->setEnabled(voice);
    sig_conv_->setEnabled(voice);
    if (!voice) {
        sig_conv_->clear();
    }
}

void MapWindow::applyToggled(bool checked) {
    for (QWidget* part :
         std::initializer_list<QWidget*>{identifier_label_, clear_identifier_, identifier_}) {
        part->setEnabled(checked);
    }
    if (!checked) {
        identifier_->clear();
    }
    settings_.map_endpoint_id = checked ? 1 : 0;
}

void MapWindow::showEndpoint(HsEntry* node) {
    if (node == nullptr) {
        return;
    }
    WaitCursor wait;
    // Each side that shows an endpoint tells the graph through its toggled().
    left_->showEndpoint(*node);
    // The far end is known only once the chosen leaf's own cross-connect has been read; a
    // read that failed has said so, and the right side then stays as it was, as it does
    // when there is no far end or its card is gone.
    if (node->is_leaf()) {
        bool failed = false;
        if (HsEntry* far_end = xc_read_leaf(box_, *node, failed); far_end != nullptr && !failed) {
            right_->showEndpoint(*far_end);
        }
    }
}

} // namespace vornex
