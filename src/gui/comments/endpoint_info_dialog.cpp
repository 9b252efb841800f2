#include "gui/comments/endpoint_info_dialog.h"

#include "comments/comments.h"
#include "device/box.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vornex {

namespace {

constexpr int title_limit = 99;

QLineEdit* text_field(QWidget* parent, const char* name, std::size_t limit,
                      const std::string& text) {
    auto* field = new QLineEdit(
        QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())), parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setMaxLength(static_cast<int>(limit));
    return field;
}

std::string latin1(const QLineEdit* field) {
    return field->text().toLatin1().toStdString();
}

} // namespace

bool endpoint_text_acceptable(const QString& text) {
    // As UTF-8, every character outside ASCII becomes bytes the rule refuses.
    return comment_text_acceptable(text.toStdString());
}

EndpointInfoDialog::EndpointInfoDialog(QWidget* owner, Box& box, const std::string& name,
                                       const HsEntry& endpoint)
    : SimpleDialog(owner), box_(box), endpoint_(endpoint) {
    setObjectName(QStringLiteral("endpointInfoDialog"));
    setWindowTitle((QStringLiteral("Set Endpoint Information - ") + QString::fromStdString(name))
                       .left(title_limit));

    const endpoint_info* stored = comment_find(box, endpoint_key(endpoint));
    const endpoint_info shown = stored != nullptr ? *stored : endpoint_info{};

    map_specific_ = new QCheckBox(QStringLiteral("Map Specific Identifiers"), this);
    map_specific_->setObjectName(QStringLiteral("mapSpecific"));
    map_specific_->setChecked(shown.map_specific);
    identifier_ = text_field(this, "identifier", identifier_max_length, shown.identifiers[0]);
    comment_ = text_field(this, "comment", comment_max_length, shown.comment);
    comment_->setMinimumWidth(380);
    const char* const names[] = {"identifierMap2", "identifierMap3", "identifierMap4"};
    for (int i = 0; i < 3; ++i) {
        map_identifiers_[i] =
            text_field(this, names[i], identifier_max_length, shown.identifiers[i + 1]);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &EndpointInfoDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SimpleDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(QString(), map_specific_);
    form->addRow(QStringLiteral("Identifier"), identifier_);
    form->addRow(QStringLiteral("Comment"), comment_);
    form->addRow(QStringLiteral("Identifier Map 2"), map_identifiers_[0]);
    form->addRow(QStringLiteral("Identifier Map 3"), map_identifiers_[1]);
    form->addRow(QStringLiteral("Identifier Map 4"), map_identifiers_[2]);
    // Maps 3 and 4 exist in the file format only; the device has two maps.
    for (QLineEdit* hidden : {map_identifiers_[1], map_identifiers_[2]}) {
        hidden->setEnabled(false);
        form->setRowVisible(hidden, false);
    }
    map_identifiers_[0]->setEnabled(shown.map_specific);
    connect(map_specific_, &QCheckBox::toggled, map_identifiers_[0], &QWidget::setEnabled);

    if (!box.comment_lock_held) {
        buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
        for (QWidget* w : std::initializer_list<QWidget*>{map_specific_, identifier_, comment_,
                                                          map_identifiers_[0], map_identifiers_[1],
                                                          map_identifiers_[2]}) {
            w->setEnabled(false);
        }
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}

void EndpointInfoDialog::accept() {
    // Read-only mode: only Cancel ends the dialog.
    if (!box_.comment_lock_held) {
        return;
    }
    for (const QLineEdit* field :
         {identifier_, comment_, map_identifiers_[0], map_identifiers_[1], map_identifiers_[2]}) {
        if (!endpoint_text_acceptable(field->text())) {
            error_dialog(*box_.presenter, OwnerWindow{this}, comment_text_refused);
            return;
        }
    }
    endpoint_info info;
    info.map_specific = map_specific_->isChecked();
    info.identifiers[0] = latin1(identifier_);
    info.comment = latin1(comment_);
    for (int i = 0; i < 3; ++i) {
        info.identifiers[i + 1] = latin1(map_identifiers_[i]);
    }
    if (comment_store(box_, endpoint_key(endpoint_), info) != 0) {
        internal_error_box(*box_.presenter,
                           "Memory Allocation Error. Unable to store endpoint data.");
        return;
    }
    SimpleDialog::accept();
}

int endpoint_info_dialog(QWidget* owner, Box& box, const std::string& name,
                         const HsEntry& endpoint) {
    EndpointInfoDialog dialog(owner, box, name, endpoint);
    return dialog.exec();
}

} // namespace vornex
