#include "gui/app/map_dialogs.h"

#include "device/box.h"
#include "xc/map_management.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vornex {

namespace {

QRadioButton* radio(const std::string& text, const char* name, QWidget* parent) {
    auto* button = new QRadioButton(QString::fromStdString(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QCheckBox* check_box(const char* text, const char* name, bool checked, QWidget* parent) {
    auto* box = new QCheckBox(QString::fromLatin1(text), parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(checked);
    return box;
}

// The group of radio buttons over the dialog's other controls and its OK and Cancel; the
// dialog keeps the size of its template (in dialog units) unless its texts need more.
QPushButton* lay_out(SimpleDialog* dialog, QGroupBox* group, std::initializer_list<QWidget*> rest,
                     int width_units, int height_units) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &SimpleDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &SimpleDialog::reject);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(group);
    for (QWidget* widget : rest) {
        layout->addWidget(widget);
    }
    layout->addWidget(buttons);
    dialog->setMinimumSize(dialog_units_to_pixels(dialog, width_units, height_units));
    dialog->setFixedSize(dialog->sizeHint().expandedTo(dialog->minimumSize()));
    return buttons->button(QDialogButtonBox::Ok);
}

} // namespace

ActiveMapDialog::ActiveMapDialog(QWidget* owner, Box& box) : SimpleDialog(owner), box_(box) {
    setWindowTitle(QStringLiteral("Active Map Change"));
    setObjectName(QStringLiteral("activeMapDialog"));
    auto* group = new QGroupBox(QStringLiteral("Activate Map"), this);
    auto* map1 = radio(active_map_label(1, box.active_map), "map1", group);
    map2_ = radio(active_map_label(2, box.active_map), "map2", group);
    (box.active_map == 2 ? map2_ : map1)->setChecked(true);
    auto* maps = new QVBoxLayout(group);
    maps->addWidget(map1);
    maps->addWidget(map2_);
    lay_out(this, group, {}, 212, 70);
}

void ActiveMapDialog::accept() {
    done(active_map_choice(box_, map2_->isChecked() ? 2 : 1));
}

MapDeleteDialog::MapDeleteDialog(QWidget* owner, Box& box, bool identifiers)
    : SimpleDialog(owner), box_(box) {
    setWindowTitle(QStringLiteral("Map Delete"));
    setObjectName(QStringLiteral("mapDeleteDialog"));
    auto* group = new QGroupBox(QStringLiteral("Delete all XC in"), this);
    map1_ = radio(select_map_label(1, box.active_map), "map1", group);
    map2_ = radio(select_map_label(2, box.active_map), "map2", group);
    auto* maps = new QVBoxLayout(group);
    maps->addWidget(map1_);
    maps->addWidget(map2_);
    identifiers_ =
        check_box("Clear Map Specific Endpoint Identifiers", "clearIdentifiers", identifiers, this);
    comments_ = check_box("Clear Endpoint Comments", "clearComments", false, this);
    QPushButton* ok = lay_out(this, group, {identifiers_, comments_}, 181, 107);

    // Nothing is chosen yet: a map has to be picked before anything can be deleted.
    for (QWidget* control : std::initializer_list<QWidget*>{ok, identifiers_, comments_}) {
        control->setEnabled(false);
        for (QRadioButton* map : {map1_, map2_}) {
            connect(map, &QRadioButton::toggled, control, [control] { control->setEnabled(true); });
        }
    }
}

void MapDeleteDialog::accept() {
    if (!map1_->isChecked() && !map2_->isChecked()) {
        return;
    }
    const int ended = map_delete(box_, map2_->isChecked() ? 2 : 1, identifiers_->isChecked(),
                                 comments_->isChecked());
    // 0: the operator declined the confirmation and is back in the dialog.
    if (ended != 0) {
        done(ended);
    }
}

MapCopyDialog::MapCopyDialog(QWidget* owner, Box& box, bool identifiers)
    : SimpleDialog(owner), box_(box) {
    setWindowTitle(QStringLiteral("Map Copy"));
    setObjectName(QStringLiteral("mapCopyDialog"));
    auto* group = new QGroupBox(this);
    copy_ = radio(map_copy_label(box.active_map), "copy", group);
    auto* maps = new QVBoxLayout(group);
    maps->addWidget(copy_);
    identifiers_ =
        check_box("include endpoint identifiers", "includeIdentifiers", identifiers, this);
    QPushButton* ok = lay_out(this, group, {identifiers_}, 247, 83);
    for (QWidget* control : std::initializer_list<QWidget*>{ok, identifiers_}) {
        control->setEnabled(false);
        connect(copy_, &QRadioButton::toggled, control, [control] { control->setEnabled(true); });
    }
}

void MapCopyDialog::accept() {
    if (copy_->isChecked()) {
        done(map_copy(box_, identifiers_->isChecked()));
    }
}

ExportOptionsDialog::ExportOptionsDialog(QWidget* owner, ExportOptions& options)
    : SimpleDialog(owner), options_(options) {
    setWindowTitle(QStringLiteral("Export Options"));
    setObjectName(QStringLiteral("exportOptionsDialog"));
    assigned_ =
        check_box("include assigned time-slots", "includeAssigned", options.include_assigned, this);
    unassigned_ = check_box("include unassigned time-slots", "includeUnassigned",
                            options.include_unassigned, this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ExportOptionsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SimpleDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(assigned_);
    layout->addWidget(unassigned_);
    layout->addWidget(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(260, 0)));
}

void ExportOptionsDialog::accept() {
    options_.include_assigned = assigned_->isChecked();
    options_.include_unassigned = unassigned_->isChecked();
    SimpleDialog::accept();
}

ImportDialog::ImportDialog(QWidget* owner, bool& suppress, bool identifiers, ImportOptions& options)
    : SimpleDialog(owner), suppress_(suppress), options_(options) {
    setWindowTitle(QStringLiteral("Import"));
    setObjectName(QStringLiteral("importDialog"));
    auto* layout = new QVBoxLayout(this);
    for (const char* text :
         {"This operation will merge the selected import file into the currently displayed map.",
          "WARNING: Import can take a very long time depending on the number of cross connects "
          "and whether or not the cross connects are grouped.  When importing a complete map, "
          "it will speed up the process if you clear the map before performing the import.",
          "Once the import is started, cancelling the import will result in a partially mapped "
          "device."}) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    suppress_box_ =
        check_box("Suppress warning messages during import", "suppressWarnings", suppress, this);
    identifiers_ = check_box("Apply Endpoint Identifiers", "applyIdentifiers", identifiers, this);
    layout->addWidget(suppress_box_);
    layout->addWidget(identifiers_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* start = buttons->addButton(QStringLiteral("Start"), QDialogButtonBox::AcceptRole);
    start->setObjectName(QStringLiteral("start"));
    start->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &ImportDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SimpleDialog::reject);
    layout->addWidget(buttons);
    // The wrapped texts decide the height at the dialog's width.
    setFixedSize(420, layout->totalHeightForWidth(420));
}

void ImportDialog::accept() {
    suppress_ = suppress_box_->isChecked();
    options_.suppress_warnings = suppress_;
    options_.apply_identifiers = identifiers_->isChecked();
    SimpleDialog::accept();
}

} // namespace vornex
