#pragma once
// The dialogs that choose, make and edit a device configuration file: "Select Device
// Configuration", "Edit Device Configuration", "Enter Configuration File Password" and the
// "Password Mismatch" notice. They work on the program's one device_config and on the
// current device and comment files of the settings.

#include "config/device_config.h"
#include "config/password_prompt.h"
#include "gui/app/simple_dialog.h"

#include <functional>
#include <string>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vornex {

class FileChooser;
class SettingsStore;
struct Settings;

// What the device dialogs reach beyond their own controls.
struct DeviceDialogServices {
    QWidget* main_window; // owns the "Password Mismatch" notice
    Presenter& presenter;
    PasswordPrompt& prompt;
    FileChooser& chooser;
    SettingsStore& store;
    Settings& settings;
    // "Serial Console": the port dialog and, when confirmed, the console, over `owner`.
    std::function<void(QWidget* owner)> serial_console = {};
};

// End values of select_device_dialog: a configuration was read, Exit was chosen, or the
// dialog was closed without either (Escape or the close box).
inline constexpr int select_device_connect = 1;
inline constexpr int select_device_exit = 2;
inline constexpr int select_device_closed = 0;

class SelectDeviceDialog : public SimpleDialog {
    Q_OBJECT
public:
    SelectDeviceDialog(QWidget* owner, DeviceDialogServices& services, device_config& config);

    void reject() override;

private:
    void browse();
    void connectDevice();
    void editDevice();
    void newDevice();
    void takePath();
    void runEditor();

    DeviceDialogServices& services_;
    device_config& config_;
    QLineEdit* path_;
};

class EditDeviceDialog : public SimpleDialog {
    Q_OBJECT
public:
    EditDeviceDialog(QWidget* owner, DeviceDialogServices& services, device_config& config);

private:
    void updateFields();
    void maskFields();
    void browseCommentFile();
    void saveAs();
    bool takePasswords();
    void takeFields();
    bool fieldsFit();

    DeviceDialogServices& services_;
    device_config& config_;
    QLineEdit* hostname_;
    QRadioButton* v1_;
    QRadioButton* v3_;
    QLineEdit* get_community_;
    QLineEdit* set_community_;
    QLineEdit* user_name_;
    QLineEdit* context_;
    QRadioButton* md5_;
    QRadioButton* sha_;
    QRadioButton* auth_none_;
    QLineEdit* auth_key_;
    QRadioButton* des_;
    QRadioButton* aes_;
    QRadioButton* priv_none_;
    QLineEdit* priv_key_;
    QLineEdit* comment_file_;
    QCheckBox* encrypted_;
    QLineEdit* password_;
    QLineEdit* verify_password_;
    QCheckBox* view_secrets_;
};

// Modal; 1 when the operator connected, 2 after Exit, 0 when closed otherwise. The
// record's passwords are wiped after every command of the dialog.
int select_device_dialog(QWidget* owner, DeviceDialogServices& services, device_config& config);
// Modal; 1 when the record was saved to a file (which became the current device file), 2
// after Cancel.
int edit_device_dialog(QWidget* owner, DeviceDialogServices& services, device_config& config);
// Modal; shows `buffer` at first. OK stores at most 39 characters into it and gives 1;
// Cancel gives 2.
int config_password_dialog(QWidget* owner, std::string& buffer);
// The notice for a weak or mismatched password of an encrypted file.
void password_mismatch_dialog(QWidget* owner);

// The GUI's answer to the configuration reader's password question.
class QtPasswordPrompt : public PasswordPrompt {
public:
    explicit QtPasswordPrompt(QWidget* main_window) : main_window_(main_window) {}
    std::optional<std::string> ask_config_password(OwnerWindow owner,
                                                   const std::filesystem::path& file) override;

private:
    QWidget* main_window_;
};

// Overwrites and empties both password fields of the record.
void wipe_passwords(device_config& config);

} // namespace vornex
