#pragma once
// The File › Transfer commands in the window: the dialogs (firmware confirmations, Choose
// Card, File Transfer Configuration, the PC file or remote name), the start, and the
// progress window "file_transfer_win", which polls the device on a QTimer driven by the
// core's TransferProgress. When the progress window closes (Done, the second Cancel,
// Escape or its close box) the main window gets the completion.

#include "base/clock.h"
#include "base/file_chooser.h"
#include "gui/transfer/tftp_window.h"
#include "gui/transfer/transfer_dialogs.h"
#include "model/card.h"
#include "transfer/transfer_progress.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class QPushButton;
class QTimer;

namespace vornex {

struct Box;
struct Settings;

class TransferWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 450;
    static constexpr int height = 190;

    // Shows itself centred on `owner`, disables the owner and polls at once. A non-zero
    // `poll_interval` replaces the 2 seconds between polls (tests).
    TransferWindow(QWidget* owner, Chassis& box, const Clock& clock, const transfer_kind_info& kind,
                   long prior_status, const Card* card, Delay poll_interval = Delay{0});
    ~TransferWindow() override;

    const TransferProgress& progress() const { return progress_; }
    QPushButton* button() const { return button_; }

signals:
    // The window has closed: the final state (0 finished) and the card, for the main window.
    void completed(int state, const Card* card);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void poll();
    void press();

    QWidget* owner_;
    TransferProgress progress_;
    Delay poll_interval_;
    QPushButton* button_ = nullptr;
    QTimer* timer_ = nullptr;
    bool closing_ = false;
};

// The five menu commands and what they keep for the run (the notice flag, the last
// folders, the internal server).
class TransferCommands : public QObject {
    Q_OBJECT
public:
    explicit TransferCommands(QWidget* main_window);

    // One menu command on the open device; `device_file` proposes the configuration's name.
    void run(TransferKind kind, Box& box, Presenter& presenter, FileChooser& chooser,
             Settings& settings, const std::filesystem::path& device_file);
    // Stops the internal server if the last transfer started it.
    void stop_server();

    TransferWindow* window() const { return window_; }

    // Test seams: the internal server's port, the polls' interval, the folder picker.
    std::uint16_t tftp_port = 69;
    Delay poll_interval{0};
    FolderPicker picker = qt_pick_folder;

signals:
    void completed(Completion completion, int state, const Card* card);

private:
    QWidget* main_;
    TransferMemory memory_;
    tftp::QtTftpServerControl server_;
    bool internal_server_ = false;
    SteadyClock clock_;
    QPointer<TransferWindow> window_;
};

// After mainboard firmware: the "Controller Firmware Upgrade Notice".
void show_upgrade_notice(QWidget* owner);

} // namespace vornex
