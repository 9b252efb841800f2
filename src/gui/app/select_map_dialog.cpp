#include "gui/app/select_map_dialog.h"

#include "base/presenter.h"
#include "device/box.h"
#include "xc/map_management.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vornex {

SelectMapDialog::SelectMapDialog(QWidget* owner, Box& box, bool show_cancel)
    : SimpleDialog(owner), box_(box) {
    setWindowTitle(QStringLiteral("Select Map"));
    setObjectName(QStringLiteral("selectMapDialog"));

    auto* group = new QGroupBox(QStringLiteral("Select map to display/edit"), this);
    auto* map1 =
        new QRadioButton(QString::fromStdString(select_map_label(1, box.active_map)), group);
    map1->setObjectName(QStringLiteral("map1"));
    map2_ = new QRadioButton(QString::fromStdString(select_map_label(2, box.active_map)), group);
    map2_->setObjectName(QStringLiteral("map2"));
    (box.displayed_map == 2 ? map2_ : map1)->setChecked(true);
    auto* maps = new QVBoxLayout(group);
    maps->addWidget(map1);
    maps->addWidget(map2_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setVisible(show_cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &SelectMapDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SimpleDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    setMinimumWidth(280);
    setFixedSize(sizeHint().expandedTo(minimumSize()));
}

void SelectMapDialog::accept() {
    done(select_map_choice(box_, map2_->isChecked() ? 2 : 1));
}

int select_map_dialog(QWidget* owner, Box& box, bool show_cancel) {
    SelectMapDialog dialog(owner, box, show_cancel);
    return dialog.exec();
}

} // namespace vornex
