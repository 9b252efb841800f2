#include "gui/config/device_dialogs.h"

#include "base/text.h"
#include "gui/app/qt_platform.h"
#include "shell/comment_file_browse.h"
#include "shell/settings.h"
#include "shell/shell.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace vornex {

namespace {

constexpr int path_limit = static_cast<int>(path_max_length);
constexpr int hostname_limit = static_cast<int>(hostname_field_size) - 1;
constexpr int name_limit = static_cast<int>(name_field_size) - 1;
constexpr int key_limit = static_cast<int>(key_field_size) - 1;

// Masked fields show one asterisk per character, whatever the style's own choice.
const QString asterisk_style = QStringLiteral("QLineEdit { lineedit-password-character: 42; }");

QLineEdit* line_edit(QWidget* parent, const char* name, int limit, const std::string& text) {
    auto* edit = new QLineEdit(QString::fromStdString(text), parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaxLength(limit);
    return edit;
}

QRadioButton* radio(QWidget* parent, const char* text, const char* name, QButtonGroup* group) {
    auto* button = new QRadioButton(QString::fromLatin1(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    group->addButton(button);
    return button;
}

QPushButton* push_button(QWidget* parent, const char* text, const char* name) {
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

std::string text_of(const QLineEdit* edit) {
    return edit->text().toStdString();
}

OwnerWindow owner_of(const QWidget* dialog) {
    return OwnerWindow{dialog};
}

} // namespace

void wipe_passwords(device_config& config) {
    for (std::string* secret : {&config.password, &config.verify_password}) {
        std::fill(secret->begin(), secret->end(), '\0');
        secret->clear();
    }
}

// --- Select Device Configuration ----------------------------------------------------------

SelectDeviceDialog::SelectDeviceDialog(QWidget* owner, DeviceDialogServices& services,
                                       device_config& config)
    : SimpleDialog(owner), services_(services), config_(config) {
    setWindowTitle(QStringLiteral("Select Device Configuration"));
    setObjectName(QStringLiteral("selectDeviceDialog"));

    auto* label = new QLabel(QStringLiteral("Select Device Configuration File"), this);
    path_ = new QLineEdit(to_qstring(services_.settings.current_device_file), this);
    path_->setObjectName(QStringLiteral("deviceFile"));
    path_->setMaxLength(path_limit);
    path_->setMinimumWidth(420);
    label->setBuddy(path_);
    auto* browse = push_button(this, "Browse", "browse");
    auto* new_device = push_button(this, "New Device", "newDevice");
    auto* edit_device = push_button(this, "Edit Device", "editDevice");
    auto* serial = push_button(this, "Serial Console", "serialConsole");
    auto* connect_device = push_button(this, "Connect to Device", "connectDevice");
    connect_device->setAutoDefault(true);
    connect_device->setDefault(true);
    auto* exit = push_button(this, "Exit", "exit");

    auto* path_row = new QHBoxLayout;
    path_row->addWidget(path_, 1);
    path_row->addWidget(browse);
    auto* file_row = new QHBoxLayout;
    file_row->addWidget(new_device);
    file_row->addWidget(edit_device);
    file_row->addStretch(1);
    file_row->addWidget(serial);
    auto* end_row = new QHBoxLayout;
    end_row->addStretch(1);
    end_row->addWidget(connect_device);
    end_row->addWidget(exit);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addLayout(path_row);
    layout->addLayout(file_row);
    layout->addSpacing(12);
    layout->addLayout(end_row);
    setFixedSize(sizeHint());

    connect(browse, &QPushButton::clicked, this, &SelectDeviceDialog::browse);
    connect(connect_device, &QPushButton::clicked, this, &SelectDeviceDialog::connectDevice);
    connect(edit_device, &QPushButton::clicked, this, &SelectDeviceDialog::editDevice);
    connect(new_device, &QPushButton::clicked, this, &SelectDeviceDialog::newDevice);
    connect(exit, &QPushButton::clicked, this, [this] { done(select_device_exit); });
    connect(serial, &QPushButton::clicked, this, [this] {
        if (services_.serial_console) {
            services_.serial_console(this);
        } else {
            command_not_available(services_.presenter, "Serial Console");
        }
    });
}

void SelectDeviceDialog::reject() {
    done(select_device_closed);
}

void SelectDeviceDialog::takePath() {
    services_.settings.current_device_file = to_path(path_->text().left(path_limit));
}

void SelectDeviceDialog::browse() {
    FileRequest request;
    request.start_folder = folder_of(services_.settings.current_device_file);
    request.proposed = services_.settings.current_device_file;
    request.filters = config_file_filters();
    if (const auto file = services_.chooser.open_file(owner_of(this), request)) {
        services_.settings.current_device_file = *file;
        path_->setText(to_qstring(*file));
    }
}

void SelectDeviceDialog::connectDevice() {
    takePath();
    const int failed = device_config_read(services_.presenter, services_.prompt, owner_of(this),
                                          services_.settings.current_device_file, config_);
    wipe_passwords(config_);
    if (failed == 0) {
        save_recent_files(services_.store, services_.settings);
        done(select_device_connect);
    }
}

void SelectDeviceDialog::runEditor() {
    if (edit_device_dialog(this, services_, config_) == dialog_ok) {
        path_->setText(to_qstring(services_.settings.current_device_file));
    }
}

void SelectDeviceDialog::editDevice() {
    takePath();
    if (device_config_read(services_.presenter, services_.prompt, owner_of(this),
                           services_.settings.current_device_file, config_) == 0) {
        runEditor();
    }
    wipe_passwords(config_);
}

void SelectDeviceDialog::newDevice() {
    device_config_set_defaults(config_);
    runEditor();
    wipe_passwords(config_);
}

int select_device_dialog(QWidget* owner, DeviceDialogServices& services, device_config& config) {
    SelectDeviceDialog dialog(owner, services, config);
    return dialog.exec();
}

// --- Edit Device Configuration ------------------------------------------------------------

EditDeviceDialog::EditDeviceDialog(QWidget* owner, DeviceDialogServices& services,
                                   device_config& config)
    : SimpleDialog(owner), services_(services), config_(config) {
    setWindowTitle(QStringLiteral("Edit Device Configuration"));
    setObjectName(QStringLiteral("editDeviceDialog"));
    setStyleSheet(asterisk_style);

    auto* file_name = new QLineEdit(to_qstring(config.file_name), this);
    file_name->setObjectName(QStringLiteral("fileName"));
    file_name->setReadOnly(true);
    hostname_ = line_edit(this, "hostname", hostname_limit, config.hostname);

    auto* versions = new QButtonGroup(this);
    v1_ = radio(this, "SNMPv1", "snmpV1", versions);
    v3_ = radio(this, "SNMPv3", "snmpV3", versions);
    get_community_ = line_edit(this, "getCommunity", name_limit, config.get_community);
    set_community_ = line_edit(this, "setCommunity", name_limit, config.set_community);
    user_name_ = line_edit(this, "userName", name_limit, config.security_username);
    context_ = line_edit(this, "context", name_limit, config.context_name);

    auto* auth_box = new QGroupBox(QStringLiteral("Auth Protocol"), this);
    auto* auths = new QButtonGroup(this);
    md5_ = radio(auth_box, "MD5", "authMd5", auths);
    sha_ = radio(auth_box, "SHA", "authSha", auths);
    auth_none_ = radio(auth_box, "None", "authNone", auths);
    auth_key_ = line_edit(this, "authKey", key_limit, config.auth_key);
    auto* priv_box = new QGroupBox(QStringLiteral("Priv Protocol"), this);
    auto* privs = new QButtonGroup(this);
    des_ = radio(priv_box, "DES", "privDes", privs);
    aes_ = radio(priv_box, "AES", "privAes", privs);
    priv_none_ = radio(priv_box, "None", "privNone", privs);
    priv_key_ = line_edit(this, "privKey", key_limit, config.priv_key);

    comment_file_ = new QLineEdit(to_qstring(config.comment_file), this);
    comment_file_->setObjectName(QStringLiteral("commentFile"));
    comment_file_->setMaxLength(path_limit);
    auto* browse = push_button(this, "Browse", "browseCommentFile");

    encrypted_ = new QCheckBox(QStringLiteral("Save As encrypted file"), this);
    encrypted_->setObjectName(QStringLiteral("encrypted"));
    password_ = line_edit(this, "password", name_limit, config.password);
    verify_password_ = line_edit(this, "verifyPassword", name_limit, config.verify_password);
    password_->setEchoMode(QLineEdit::Password);
    verify_password_->setEchoMode(QLineEdit::Password);
    view_secrets_ = new QCheckBox(QStringLiteral("view community and keys"), this);
    view_secrets_->setObjectName(QStringLiteral("viewSecrets"));

    auto* save = push_button(this, "Save As", "saveAs");
    save->setAutoDefault(true);
    save->setDefault(true);
    auto* cancel = push_button(this, "Cancel", "cancel");

    // Layout: the device on the left, SNMPv3 security on the right, the files below.
    auto* auth_row = new QHBoxLayout(auth_box);
    auth_row->addWidget(md5_);
    auth_row->addWidget(sha_);
    auth_row->addWidget(auth_none_);
    auto* priv_row = new QHBoxLayout(priv_box);
    priv_row->addWidget(des_);
    priv_row->addWidget(aes_);
    priv_row->addWidget(priv_none_);

    auto* device = new QFormLayout;
    device->addRow(QStringLiteral("Device File Name"), file_name);
    device->addRow(QStringLiteral("IP Address or Host Name"), hostname_);
    auto* version_row = new QHBoxLayout;
    version_row->addWidget(v1_);
    version_row->addWidget(v3_);
    version_row->addStretch(1);
    device->addRow(QString(), version_row);
    device->addRow(QStringLiteral("Get Community"), get_community_);
    device->addRow(QStringLiteral("Set Community"), set_community_);
    device->addRow(QStringLiteral("User Name"), user_name_);
    device->addRow(QStringLiteral("Context"), context_);
    device->addRow(auth_box);
    device->addRow(QStringLiteral("Auth Key"), auth_key_);
    device->addRow(priv_box);
    device->addRow(QStringLiteral("Priv Key"), priv_key_);
    auto* comment_row = new QHBoxLayout;
    comment_row->addWidget(comment_file_, 1);
    comment_row->addWidget(browse);
    device->addRow(QStringLiteral("Endpoint Comment File"), comment_row);
    device->addRow(QString(), encrypted_);
    device->addRow(QStringLiteral("Password"), password_);
    device->addRow(QStringLiteral("Verify Password"), verify_password_);
    device->addRow(QString(), view_secrets_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(device);
    layout->addLayout(buttons);
    setMinimumWidth(520);
    setFixedSize(sizeHint().expandedTo(minimumSize()));

    (config.snmp_version == snmp_version_3 ? v3_ : v1_)->setChecked(true);
    (config.auth_protocol == auth_md5   ? md5_
     : config.auth_protocol == auth_sha ? sha_
                                        : auth_none_)
        ->setChecked(true);
    (config.priv_protocol == priv_des   ? des_
     : config.priv_protocol == priv_aes ? aes_
                                        : priv_none_)
        ->setChecked(true);
    encrypted_->setChecked(config.encrypted);
    view_secrets_->setChecked(false);
    updateFields();
    maskFields();

    for (QButtonGroup* group : {versions, auths, privs}) {
        connect(group, &QButtonGroup::buttonClicked, this, &EditDeviceDialog::updateFields);
    }
    connect(encrypted_, &QCheckBox::clicked, this, &EditDeviceDialog::updateFields);
    connect(view_secrets_, &QCheckBox::clicked, this, &EditDeviceDialog::maskFields);
    connect(browse, &QPushButton::clicked, this, &EditDeviceDialog::browseCommentFile);
    connect(save, &QPushButton::clicked, this, &EditDeviceDialog::saveAs);
    connect(cancel, &QPushButton::clicked, this, &SimpleDialog::reject);
}

void EditDeviceDialog::updateFields() {
    const bool v3 = v3_->isChecked();
    const bool auth = md5_->isChecked() || sha_->isChecked();
    const bool priv = des_->isChecked() || aes_->isChecked();
    get_community_->setEnabled(!v3);
    set_community_->setEnabled(!v3);
    for (QWidget* w :
         std::initializer_list<QWidget*>{user_name_, context_, md5_, sha_, auth_none_}) {
        w->setEnabled(v3);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{auth_key_, des_, aes_, priv_none_}) {
        w->setEnabled(v3 && auth);
    }
    priv_key_->setEnabled(v3 && auth && priv);
    password_->setEnabled(encrypted_->isChecked());
    verify_password_->setEnabled(encrypted_->isChecked());
}

void EditDeviceDialog::maskFields() {
    const auto mode = view_secrets_->isChecked() ? QLineEdit::Normal : QLineEdit::Password;
    for (QLineEdit* edit : {get_community_, set_community_, auth_key_, priv_key_}) {
        edit->setEchoMode(mode);
    }
}

void EditDeviceDialog::browseCommentFile() {
    if (comment_file_browse(owner_of(this), services_.chooser, services_.settings, config_) == 0) {
        comment_file_->setText(to_qstring(config_.comment_file));
    }
}

bool EditDeviceDialog::takePasswords() {
    if (!encrypted_->isChecked()) {
        config_.encrypted = false;
        wipe_passwords(config_);
        return true;
    }
    config_.encrypted = true;
    config_.password = text_of(password_);
    config_.verify_password = text_of(verify_password_);
    if (config_.password != config_.verify_password || config_.password.empty() ||
        !password_strong_enough(config_.password)) {
        password_mismatch_dialog(services_.main_window);
        return false;
    }
    return true;
}

void EditDeviceDialog::takeFields() {
    config_.hostname = text_of(hostname_);
    config_.snmp_version = v1_->isChecked() ? snmp_version_1 : snmp_version_3;
    config_.get_community = text_of(get_community_);
    config_.set_community = text_of(set_community_);
    config_.security_username = text_of(user_name_);
    config_.context_name = text_of(context_);
    config_.auth_protocol = md5_->isChecked() ? auth_md5 : sha_->isChecked() ? auth_sha : auth_none;
    config_.priv_protocol = des_->isChecked() ? priv_des : aes_->isChecked() ? priv_aes : priv_none;
    config_.auth_key = text_of(auth_key_);
    config_.priv_key = text_of(priv_key_);
    config_.comment_file = to_path(comment_file_->text());
}

bool EditDeviceDialog::fieldsFit() {
    const auto refusal = device_config_refusal(config_);
    if (!refusal) {
        return true;
    }
    const struct {
        ConfigField field;
        QLineEdit* control;
        const char* label;
    } controls[] = {
        {ConfigField::hostname, hostname_, "IP Address or Host Name"},
        {ConfigField::get_community, get_community_, "Get Community"},
        {ConfigField::set_community, set_community_, "Set Community"},
        {ConfigField::security_username, user_name_, "User Name"},
        {ConfigField::context_name, context_, "Context"},
        {ConfigField::auth_key, auth_key_, "Auth Key"},
        {ConfigField::priv_key, priv_key_, "Priv Key"},
        {ConfigField::comment_file, comment_file_, "Endpoint Comment File"},
    };
    const auto& refused = *std::find_if(std::begin(controls), std::end(controls),
                                        [&](const auto& c) { return c.field == refusal->field; });
    error_dialog(services_.presenter, owner_of(this), "Invalid Entry\r\n\r\n\r\n%s %s.",
                 refused.label, refusal->rule.c_str());
    refused.control->setFocus();
    return false;
}

void EditDeviceDialog::saveAs() {
    if (!takePasswords()) {
        return;
    }
    takeFields();
    // A value the reader would not give back is refused before a file name is asked for.
    if (!fieldsFit()) {
        return;
    }
    FileRequest request;
    request.start_folder = folder_of(services_.settings.current_device_file);
    request.proposed = config_.file_name;
    request.filters = config_file_filters();
    const auto chosen = services_.chooser.save_file(owner_of(this), request);
    if (!chosen) {
        return;
    }
    const std::filesystem::path path = with_extension(*chosen, ".lcf");
    if (device_config_write(services_.presenter, owner_of(this), path, config_) != 0) {
        return;
    }
    config_.file_name = path;
    services_.settings.current_device_file = path;
    save_recent_files(services_.store, services_.settings);
    done(dialog_ok);
}

int edit_device_dialog(QWidget* owner, DeviceDialogServices& services, device_config& config) {
    EditDeviceDialog dialog(owner, services, config);
    return dialog.exec();
}

// --- Password prompt and notice -----------------------------------------------------------

int config_password_dialog(QWidget* owner, std::string& buffer) {
    SimpleDialog dialog(owner);
    dialog.setWindowTitle(QStringLiteral("Enter Configuration File Password"));
    dialog.setObjectName(QStringLiteral("configPasswordDialog"));
    dialog.setStyleSheet(asterisk_style);
    auto* field = line_edit(&dialog, "password", static_cast<int>(password_max_length), buffer);
    field->setEchoMode(QLineEdit::Password);
    field->setMinimumWidth(260);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &SimpleDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &SimpleDialog::reject);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Password"), field);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
    dialog.setFixedSize(dialog.sizeHint());

    const int result = dialog.exec();
    if (result == dialog_ok) {
        buffer = field->text().left(static_cast<int>(password_max_length)).toStdString();
    }
    // The widget's copy goes at once rather than with the dialog's memory.
    field->clear();
    return result;
}

void password_mismatch_dialog(QWidget* owner) {
    SimpleDialog dialog(owner);
    dialog.setWindowTitle(QStringLiteral("Password Mismatch"));
    dialog.setObjectName(QStringLiteral("passwordMismatchDialog"));
    auto* icon = new QLabel(&dialog);
    icon->setPixmap(dialog.style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    auto* text = new QLabel(
        QStringLiteral("The Password and Verify Password fields do not match, or the password is "
                       "too weak.  The password must be 8 or more characters and contain 3 of the "
                       "4 character types; upper-case, lower-case, numeral, special.  Please "
                       "reenter both fields."),
        &dialog);
    text->setObjectName(QStringLiteral("message"));
    text->setWordWrap(true);
    text->setMinimumWidth(360);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &SimpleDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(row);
    layout->addWidget(buttons);
    dialog.setFixedSize(dialog.sizeHint());
    dialog.exec();
}

std::optional<std::string> QtPasswordPrompt::ask_config_password(OwnerWindow owner,
                                                                 const std::filesystem::path&) {
    std::string buffer;
    if (config_password_dialog(owner_widget(owner, main_window_), buffer) != dialog_ok) {
        return std::nullopt;
    }
    return buffer;
}

} // namespace vornex
