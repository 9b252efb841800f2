#include "gui/transfer/transfer_dialogs.h"

#include "base/text.h"
#include "gui/app/qt_platform.h"
#include "maint/card_reset.h"
#include "model/chassis.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vornex {

namespace {

QString crlf_to_lf(const char* text) {
    return QString::fromLatin1(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QDialogButtonBox* ok_cancel(QDialog* dialog, const QString& ok_text) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(ok_text);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

} // namespace

std::optional<std::filesystem::path> qt_pick_folder(QWidget* owner, const QString& title,
                                                    const std::filesystem::path& start) {
    std::error_code error;
    const QString from =
        !start.empty() && std::filesystem::exists(start, error) ? to_qstring(start) : QString();
    const QString chosen = QFileDialog::getExistingDirectory(owner, title, from);
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return to_path(QDir::toNativeSeparators(QFileInfo(chosen).absoluteFilePath()));
}

// --- File Transfer Configuration -----------------------------------------------------------

FtcDialog::FtcDialog(QWidget* owner, Presenter& presenter, ftc_settings& settings,
                     bool sftp_supported, FolderPicker picker)
    : SimpleDialog(owner), presenter_(presenter), settings_(settings),
      sftp_supported_(sftp_supported), picker_(std::move(picker)) {
    setWindowTitle(QStringLiteral("File Transfer Configuration"));
    setObjectName(QStringLiteral("ftcDialog"));

    auto* method = new QGroupBox(QStringLiteral("File Transfer Method"), this);
    auto* radios = new QVBoxLayout(method);
    const char* labels[] = {"Embedded TFTP Server", "Local Host TFTP Server", "Remote TFTP Server",
                            "Local Host SFTP Server", "Remote SFTP Server"};
    for (int mode = 0; mode < 5; ++mode) {
        modes_[mode] = new QRadioButton(QString::fromLatin1(labels[mode]), method);
        modes_[mode]->setObjectName(QStringLiteral("mode%1").arg(mode));
        radios->addWidget(modes_[mode]);
        connect(modes_[mode], &QRadioButton::clicked, this, [this, mode] { apply_mode(mode); });
    }

    auto* server = new QGroupBox(QStringLiteral("File Server"), this);
    auto* grid = new QGridLayout(server);
    auto edit = [&](const char* name, const char* label, int row, std::size_t limit) {
        auto* field = new QLineEdit(server);
        field->setObjectName(QString::fromLatin1(name));
        field->setMaxLength(static_cast<int>(limit));
        grid->addWidget(new QLabel(QString::fromLatin1(label), server), row, 0);
        grid->addWidget(field, row, 1);
        return field;
    };
    root_ = edit("rootFolder", "Local Host File Server Root Directory", 0, ftc_root_dir_limit);
    browse_ = new QPushButton(QStringLiteral("Browse"), server);
    browse_->setObjectName(QStringLiteral("browse"));
    grid->addWidget(browse_, 0, 2);
    host_ = edit("remoteHost", "Remote Host IP Address", 1, ftc_remote_host_limit);
    user_ = edit("sftpUser", "SFTP Username", 2, ftc_sftp_limit);
    password_ = edit("sftpPassword", "SFTP Password", 3, ftc_sftp_limit);
    password_->setEchoMode(QLineEdit::Password);
    explanation_ = new QPlainTextEdit(server);
    explanation_->setObjectName(QStringLiteral("explanation"));
    explanation_->setReadOnly(true);
    explanation_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    explanation_->setFixedHeight(110);
    grid->addWidget(explanation_, 4, 0, 1, 3);
    connect(browse_, &QPushButton::clicked, this, [this] {
        if (const auto folder =
                picker_(this, QStringLiteral("Select root folder for local TFTP or SFTP server"),
                        to_path(root_->text()))) {
            root_->setText(to_qstring(*folder).left(static_cast<int>(ftc_root_dir_limit)));
        }
    });

    root_->setText(to_qstring(settings_.root_dir));
    host_->setText(QString::fromStdString(settings_.remote_host));
    user_->setText(QString::fromStdString(settings_.sftp_username));
    password_->setText(QString::fromStdString(settings_.sftp_password));
    if (settings_.mode >= 0 && settings_.mode < 5) {
        modes_[settings_.mode]->setChecked(true);
    }
    apply_mode(settings_.mode);
    if (!sftp_supported_) {
        modes_[ftc_local_sftp]->setEnabled(false);
        modes_[ftc_remote_sftp]->setEnabled(false);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(method);
    layout->addWidget(server);
    layout->addWidget(ok_cancel(this, QStringLiteral("Continue")));
    setMinimumWidth(520);
    setFixedSize(sizeHint().expandedTo(minimumSize()));
}

void FtcDialog::apply_mode(int mode) {
    explanation_->setPlainText(crlf_to_lf(ftc_mode_text(mode)));
    const bool known = mode >= 0 && mode < 5;
    root_->setEnabled(known && ftc_local_server(mode));
    browse_->setEnabled(known && ftc_local_server(mode));
    host_->setEnabled(known && ftc_remote(mode));
    user_->setEnabled(known && ftc_sftp(mode));
    password_->setEnabled(known && ftc_sftp(mode));
}

void FtcDialog::take_texts() {
    // With no radio checked (a stored mode outside 0..4) the stored value stays.
    for (int mode = 0; mode < 5; ++mode) {
        if (modes_[mode]->isChecked()) {
            settings_.mode = mode;
        }
    }
    settings_.root_dir = to_path(root_->text());
    settings_.remote_host = host_->text().toStdString();
    settings_.sftp_username = user_->text().toStdString();
    settings_.sftp_password = password_->text().toStdString();
}

void FtcDialog::accept() {
    // Taken before the checks, so that a refused Continue followed by Cancel keeps them.
    take_texts();
    if (ftc_continue(presenter_, OwnerWindow{this}, settings_, sftp_supported_)) {
        done(dialog_ok);
    }
}

// --- Enter Remote Filename -----------------------------------------------------------------

std::optional<std::string> enter_remote_filename(QWidget* owner, const std::string& proposed,
                                                 const char* dialog_title) {
    SimpleDialog dialog(owner);
    dialog.setWindowTitle(QStringLiteral("Enter Remote Filename"));
    dialog.setObjectName(QStringLiteral("remoteFilenameDialog"));
    auto* purpose = new QLineEdit(QString::fromLatin1(dialog_title), &dialog);
    purpose->setObjectName(QStringLiteral("purpose"));
    purpose->setReadOnly(true);
    auto* name = new QLineEdit(QString::fromStdString(proposed), &dialog);
    name->setObjectName(QStringLiteral("remoteName"));
    name->setMaxLength(static_cast<int>(path_max_length));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        if (!name->text().isEmpty()) {
            dialog.done(dialog_ok);
        }
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(purpose);
    layout->addWidget(new QLabel(QStringLiteral("56 character limit"), &dialog));
    layout->addWidget(name);
    layout->addWidget(buttons);
    dialog.setMinimumWidth(420);
    if (dialog.exec() != dialog_ok) {
        return std::nullopt;
    }
    return name->text().toStdString();
}

// --- Choose Card ---------------------------------------------------------------------------

ChooseCardDialog::ChooseCardDialog(QWidget* owner, Chassis& box)
    : SimpleDialog(owner), box_(box), choices_(firmware_card_choices(box)) {
    setWindowTitle(QStringLiteral("Choose Card"));
    setObjectName(QStringLiteral("chooseCardDialog"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("cards"));
    for (const FirmwareCardChoice& choice : choices_) {
        list_->addItem(QString::fromStdString(choice.line));
    }
    list_->setCurrentRow(0);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(ok_cancel(this, QStringLiteral("OK")));
    setMinimumSize(360, 240);
}

void ChooseCardDialog::accept() {
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(choices_.size())) {
        done(dialog_cancel);
        return;
    }
    const Card& card = *choices_[static_cast<std::size_t>(row)].card;
    if (!firmware_card_acceptable(box_, OwnerWindow{this}, is_working_card(box_, card))) {
        done(dialog_cancel);
        return;
    }
    chosen_ = &card;
    done(dialog_ok);
}

const Card* choose_firmware_card(QWidget* owner, Chassis& box) {
    ChooseCardDialog dialog(owner, box);
    return dialog.exec() == dialog_ok ? dialog.chosen() : nullptr;
}

} // namespace vornex
