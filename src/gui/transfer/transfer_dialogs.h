#pragma once
// The dialogs of the File › Transfer commands: "File Transfer Configuration" (how the file
// is served), "Enter Remote Filename" (the name on a remote server) and "Choose Card" in
// its firmware form. Their rules are the core's (transfer/device_transfer.h); these only
// show them.

#include "gui/app/simple_dialog.h"
#include "transfer/device_transfer.h"

#include <QString>
#include <array>
#include <filesystem>
#include <functional>
#include <optional>

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace vornex {

class Presenter;
struct Chassis;
struct Card;

// Picks a folder, starting in `start` when it names an existing one; nullopt on cancel.
using FolderPicker = std::function<std::optional<std::filesystem::path>(
    QWidget* owner, const QString& title, const std::filesystem::path& start)>;
std::optional<std::filesystem::path> qt_pick_folder(QWidget* owner, const QString& title,
                                                    const std::filesystem::path& start);

class FtcDialog : public SimpleDialog {
    Q_OBJECT
public:
    FtcDialog(QWidget* owner, Presenter& presenter, ftc_settings& settings, bool sftp_supported,
              FolderPicker picker = qt_pick_folder);

    void accept() override;

private:
    void apply_mode(int mode);
    void take_texts();

    Presenter& presenter_;
    ftc_settings& settings_;
    bool sftp_supported_;
    FolderPicker picker_;
    std::array<QRadioButton*, 5> modes_{};
    QLineEdit* root_ = nullptr;
    QPushButton* browse_ = nullptr;
    QLineEdit* host_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
    QPlainTextEdit* explanation_ = nullptr;
};

// "Enter Remote Filename": the proposed name in the edit, the file dialog's title beside it.
// The whole text is kept (nothing is cut at 56 characters: a cut name would send the device
// the wrong file name); the start refuses a name that is too long. nullopt on Cancel.
std::optional<std::string> enter_remote_filename(QWidget* owner, const std::string& proposed,
                                                 const char* dialog_title);

class ChooseCardDialog : public SimpleDialog {
    Q_OBJECT
public:
    ChooseCardDialog(QWidget* owner, Chassis& box);
    void accept() override;
    const Card* chosen() const { return chosen_; }

private:
    Chassis& box_;
    std::vector<FirmwareCardChoice> choices_;
    QListWidget* list_ = nullptr;
    const Card* chosen_ = nullptr;
};

// Runs "Choose Card" for card firmware: the chosen card, or null.
const Card* choose_firmware_card(QWidget* owner, Chassis& box);

} // namespace vornex
