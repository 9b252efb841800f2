#include "gui/lineconf/line_dialogs.h"

#include "device/box.h"
#include "gui/app/wait_cursor.h"
#include "lineconf/path_overhead.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace vornex {

namespace {

QString text_of(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string latin1(const QString& text) {
    return text.toLatin1().toStdString();
}

QString two_digits(int number) {
    return QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
}

// A path's name up to and including its first "-", at most five characters before it:
// "TU12-".
QString name_prefix(const std::string& name) {
    const std::size_t dash = name.find('-');
    return dash == std::string::npos
               ? QString()
               : text_of(name.substr(0, std::min<std::size_t>(dash, 5)) + "-");
}

int run_line_group(QWidget* owner, Box& box, HsEntry& node, const std::string& path,
                   const line_group& group) {
    const int own = group.unit == range_unit::port ? node.port() : node.address[4];
    line_values read;
    if (read_line_group(box, group, node, own, read) != 0) {
        return dialog_cancel;
    }
    LineDialog dialog(owner, group.caption, path);
    std::vector<std::function<void(line_values&)>> choices;
    const std::size_t per_column = (group.settings.size() + 1) / 2;
    for (std::size_t i = 0; i < group.settings.size(); ++i) {
        if (i == per_column) {
            dialog.next_column();
        }
        const line_setting& setting = group.settings[i];
        if (setting.choices.empty()) {
            const auto line = dialog.add_oos_list(QString::fromLatin1(setting.name), read[i]);
            choices.push_back([line, i](line_values& wanted) {
                if (line() >= 0) {
                    wanted[i] = line() + 1;
                }
            });
            continue;
        }
        std::vector<QString> labels;
        int checked = -1;
        for (std::size_t c = 0; c < setting.choices.size(); ++c) {
            labels.push_back(QString::fromLatin1(setting.choices[c].label));
            checked = setting.choices[c].value == read[i] ? static_cast<int>(c) : checked;
        }
        // Settings that are never written are shown with their radios disabled.
        QButtonGroup* radios = dialog.add_radios(QString::fromLatin1(setting.name), labels, checked,
                                                 setting.write != write_rule::never);
        choices.push_back([radios, &setting, i](line_values& wanted) {
            if (radios->checkedId() >= 0) {
                wanted[i] = setting.choices[static_cast<std::size_t>(radios->checkedId())].value;
            }
        });
    }
    const QString unit = group.unit == range_unit::port      ? QStringLiteral("Port")
                         : group.unit == range_unit::lo_path ? name_prefix(node.name)
                                                             : QStringLiteral("Channel");
    dialog.add_range(QStringLiteral("Apply Setting to:"), unit, own);
    dialog.on_ok = [&] {
        line_values wanted = read;
        for (const auto& choose : choices) {
            choose(wanted);
        }
        return apply_line_group(box, group, node, dialog.range_from(), dialog.range_to(), wanted);
    };
    return dialog.exec();
}

int run_customer_info(QWidget* owner, Box& box, HsEntry& port, const std::string& path,
                      bool with_range) {
    std::string text;
    if (read_customer_info(box, port, text) != 0) {
        return dialog_cancel;
    }
    LineDialog dialog(owner, "Customer Info", path);
    const int limit = static_cast<int>(identifier_limit(port));
    QLineEdit* edit = dialog.add_edit(QStringLiteral("%1 Characters Max").arg(limit), text_of(text),
                                      true, "identifier");
    edit->setMaxLength(limit);
    if (with_range) {
        dialog.add_range(QStringLiteral("Apply Setting to:"), QStringLiteral("Port"), port.port());
    }
    dialog.on_ok = [&] {
        return apply_customer_info(box, port, latin1(edit->text()), with_range, dialog.range_from(),
                                   dialog.range_to());
    };
    return dialog.exec();
}

int run_granularity(QWidget* owner, Box& box, HsEntry& node, const std::string& path) {
    granularity_read read;
    if (read_granularity(box, node, read) != 0) {
        return dialog_cancel;
    }
    LineDialog dialog(owner, "Select Granularity", path);
    std::vector<QString> labels;
    for (const std::string& label : granularity_labels(node, read)) {
        labels.push_back(text_of(label));
    }
    QButtonGroup* radios = dialog.add_radios(QStringLiteral("Granularity"), labels,
                                             granularity_radio(node, read), true);
    dialog.on_ok = [&] { return apply_granularity(box, node, read, radios->checkedId()); };
    return dialog.exec();
}

// A signal label combo: every label with its value as item data, the value read selected
// (none when the list has no such line, which keeps the value read).
QComboBox* label_combo(LineDialog& dialog, const QString& title, bool lo, long value,
                       const char* name) {
    QComboBox* combo = dialog.add_combo(title, name);
    for (int v = 0; v < (lo ? 8 : 256); ++v) {
        combo->addItem(text_of(lo ? lo_signal_label(v) : ho_signal_label(v)), v);
    }
    combo->setCurrentIndex(combo->findData(static_cast<int>(value)));
    return combo;
}

long combo_value(const QComboBox* combo, long read) {
    return combo->currentIndex() >= 0 ? combo->currentData().toInt() : read;
}

int run_overhead(QWidget* owner, Box& box, HsEntry& node, const std::string& path,
                 line_dialog which) {
    const overhead_group& group = overhead_group_for(which);
    overhead_values read;
    if (read_overhead(box, group, node, read) != 0) {
        return dialog_cancel;
    }
    const bool lo = which == line_dialog::lo_overhead;
    const QString trace = QString::fromLatin1(group.trace);
    LineDialog dialog(owner, group.caption, path);
    std::vector<QString> modes;
    int checked = -1;
    for (std::size_t m = 0; m < group.modes.size(); ++m) {
        modes.push_back(QString::fromLatin1(group.modes[m].label));
        checked = group.modes[m].value == read.number[ovh_mode] ? static_cast<int>(m) : checked;
    }
    QButtonGroup* radios = dialog.add_radios(trace + QStringLiteral(" Mode"), modes, checked, true);
    dialog.next_column();
    QLineEdit* expected =
        lo ? nullptr : dialog.add_edit(QStringLiteral("Expected ") + trace, {}, true, "expected");
    QLineEdit* transmitted =
        dialog.add_edit(QStringLiteral("Transmitted ") + trace, {}, true, "transmitted");
    QLineEdit* received =
        dialog.add_edit(QStringLiteral("Received ") + trace, {}, false, "received");
    QLabel* hint = dialog.add_note("hint");
    const auto mode_of = [&] {
        const int id = radios->checkedId();
        return id >= 0 ? group.modes[static_cast<std::size_t>(id)].value : read.number[ovh_mode];
    };
    const auto show_mode = [&] {
        const trace_display shown = display_trace(group, read, mode_of());
        for (auto [edit, text] :
             {std::pair{expected, &shown.expected}, std::pair{transmitted, &shown.transmitted},
              std::pair{received, &shown.received}}) {
            if (edit != nullptr) {
                edit->setMaxLength(edit == received ? trace_text_typed : shown.limit);
                edit->setText(text_of(*text));
                edit->setEnabled(edit == received || shown.editable);
            }
        }
        hint->setText(QString::fromLatin1(shown.hint));
    };
    show_mode();
    QObject::connect(radios, &QButtonGroup::idClicked, &dialog, [&](int) { show_mode(); });

    QComboBox* expected_label = nullptr;
    QComboBox* transmitted_label = nullptr;
    if (which != line_dialog::line_overhead) {
        if (!lo) {
            expected_label = label_combo(dialog, QStringLiteral("HP EPSL"), false,
                                         read.number[ovh_expected_label], "expectedLabel");
        }
        transmitted_label =
            label_combo(dialog, lo ? QStringLiteral("LP Tx PSL") : QStringLiteral("HP Tx PSL"), lo,
                        read.number[ovh_transmitted_label], "transmittedLabel");
        const auto rx = static_cast<int>(read.number[ovh_received_label]);
        dialog.add_edit(lo ? QStringLiteral("LP Rx PSL") : QStringLiteral("HP Rx PSL"),
                        text_of(lo ? lo_signal_label(rx) : ho_signal_label(rx)), false,
                        "receivedLabel");
    }
    if (lo) {
        dialog.add_range(QStringLiteral("Copy Settings to:"), name_prefix(node.name),
                         node.address[4]);
    }
    dialog.on_ok = [&] {
        overhead_input input;
        input.mode = mode_of();
        input.expected = expected != nullptr ? latin1(expected->text()) : std::string();
        input.transmitted = latin1(transmitted->text());
        input.expected_label = expected_label != nullptr
                                   ? combo_value(expected_label, read.number[ovh_expected_label])
                                   : read.number[ovh_expected_label];
        input.transmitted_label =
            transmitted_label != nullptr
                ? combo_value(transmitted_label, read.number[ovh_transmitted_label])
                : read.number[ovh_transmitted_label];
        input.from = lo ? dialog.range_from() : 0;
        input.to = lo ? dialog.range_to() : 0;
        return apply_overhead(box, group, node, input);
    };
    return dialog.exec();
}

} // namespace

LineDialog::LineDialog(QWidget* owner, const std::string& caption, const std::string& path_text)
    : SimpleDialog(owner) {
    setWindowTitle(QString::fromLatin1(caption.c_str()) + QStringLiteral(" - ") +
                   text_of(path_text.substr(0, 99)));
    setObjectName(QStringLiteral("lineDialog"));
    auto* layout = new QVBoxLayout(this);
    grid_ = new QGridLayout;
    layout->addLayout(grid_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &LineDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &LineDialog::reject);
    layout->addStretch(1);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QButtonGroup* LineDialog::add_radios(const QString& title, const std::vector<QString>& labels,
                                     int checked, bool enabled) {
    auto* frame = new QGroupBox(title, this);
    frame->setObjectName(title);
    auto* radios = new QVBoxLayout(frame);
    auto* group = new QButtonGroup(frame);
    for (std::size_t i = 0; i < labels.size(); ++i) {
        auto* radio = new QRadioButton(labels[i], frame);
        radio->setChecked(static_cast<int>(i) == checked);
        radio->setEnabled(enabled);
        group->addButton(radio, static_cast<int>(i));
        radios->addWidget(radio);
    }
    column()->addWidget(frame);
    return group;
}

std::function<int()> LineDialog::add_oos_list(const QString& title, long value) {
    auto* frame = new QGroupBox(title, this);
    frame->setObjectName(title);
    auto* inside = new QVBoxLayout(frame);
    auto* list = new QListWidget(frame);
    for (int line = 0; line < 16; ++line) {
        list->addItem(text_of(oos_label(line)));
    }
    list->setCurrentRow(value >= 1 && value <= 16 ? static_cast<int>(value - 1) : -1);
    list->setFixedHeight(list->sizeHintForRow(0) * 5 + 2 * list->frameWidth());
    inside->addWidget(list);
    column()->addWidget(frame);
    return [list] { return list->selectedItems().isEmpty() ? -1 : list->currentRow(); };
}

QLineEdit* LineDialog::add_edit(const QString& label, const QString& text, bool editable,
                                const char* name) {
    auto* edit = new QLineEdit(text, this);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setReadOnly(!editable);
    auto* row = new QHBoxLayout;
    row->addWidget(caption_label(label));
    row->addWidget(edit, 1);
    column()->addLayout(row);
    return edit;
}

QComboBox* LineDialog::add_combo(const QString& label, const char* name) {
    auto* combo = new QComboBox(this);
    combo->setObjectName(QString::fromLatin1(name));
    auto* row = new QHBoxLayout;
    row->addWidget(caption_label(label));
    row->addWidget(combo, 1);
    column()->addLayout(row);
    return combo;
}

QLabel* LineDialog::add_note(const char* name) {
    auto* note = new QLabel(this);
    note->setObjectName(QString::fromLatin1(name));
    note->setAlignment(Qt::AlignRight);
    column()->addWidget(note);
    return note;
}

QLabel* LineDialog::caption_label(const QString& label) {
    auto* caption = new QLabel(label, this);
    caption->setMinimumWidth(
        caption->fontMetrics().horizontalAdvance(QStringLiteral("Transmitted J0 ")));
    return caption;
}

void LineDialog::add_range(const QString& title, const QString& unit, int own) {
    auto* frame = new QGroupBox(title, this);
    auto* row = new QHBoxLayout(frame);
    const auto number_edit = [&](const char* name) {
        auto* edit = new QLineEdit(two_digits(own), frame);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMaxLength(99);
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00000")));
        return edit;
    };
    from_ = number_edit("from");
    to_ = number_edit("to");
    row->addWidget(new QLabel(unit, frame));
    row->addWidget(from_);
    row->addWidget(new QLabel(QStringLiteral("through"), frame));
    row->addWidget(to_);
    row->addStretch(1);
    grid_->addWidget(frame, 1, 0, 1, grid_->columnCount());
}

int LineDialog::range_from() const {
    return from_ != nullptr ? range_number(latin1(from_->text())) : 0;
}

int LineDialog::range_to() const {
    return to_ != nullptr ? range_number(latin1(to_->text())) : 0;
}

void LineDialog::next_column() {
    columns_.push_back(new QVBoxLayout);
    // Each column keeps its groups at their own height, at the top.
    grid_->addLayout(columns_.back(), 0, static_cast<int>(columns_.size()) - 1, Qt::AlignTop);
}

QVBoxLayout* LineDialog::column() {
    if (columns_.empty()) {
        next_column();
    }
    return columns_.back();
}

void LineDialog::accept() {
    apply_result result = apply_result::applied;
    if (on_ok) {
        WaitCursor wait;
        result = on_ok();
    }
    if (result != apply_result::refused) {
        done(dialog_ok);
    }
}

int run_line_dialog(QWidget* owner, Box& box, HsEntry& node, const std::string& path_text,
                    line_dialog dialog) {
    switch (dialog) {
    case line_dialog::customer_info:
    case line_dialog::stm_customer_info:
        return run_customer_info(owner, box, node, path_text, dialog == line_dialog::customer_info);
    case line_dialog::aug_granularity:
    case line_dialog::node_granularity:
        return run_granularity(owner, box, node, path_text);
    case line_dialog::line_overhead:
    case line_dialog::ho_overhead:
    case line_dialog::lo_overhead:
        return run_overhead(owner, box, node, path_text, dialog);
    default:
        break;
    }
    const line_group* group = line_group_of(box, dialog, node);
    return group != nullptr ? run_line_group(owner, box, node, path_text, *group) : dialog_cancel;
}

int run_setup_popup(QWidget* owner, Box& box, HsEntry& node, const std::string& path_text,
                    const QPoint& global_position) {
    const std::vector<popup_entry> entries = setup_popup(box, node);
    if (entries.empty()) {
        return 0;
    }
    QMenu menu(owner);
    menu.setObjectName(QStringLiteral("setupPopup"));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        menu.addAction(QString::fromLatin1(entries[i].label))->setData(static_cast<int>(i));
    }
    const QAction* chosen = menu.exec(global_position);
    if (chosen == nullptr) {
        return 0;
    }
    const popup_entry& entry = entries[static_cast<std::size_t>(chosen->data().toInt())];
    return run_line_dialog(owner, box, node, path_text, entry.dialog) == dialog_ok ? 1 : 0;
}

} // namespace vornex
