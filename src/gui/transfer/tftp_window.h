#pragma once
// The status window of the internal TFTP server, "Vornex TFTP Server". The server itself
// runs on its own thread (tftp_runner.h); this window lives on the GUI thread, receives the
// server's status as queued updates and paints the five status lines. Closing the window,
// by the operator or through QtTftpServerControl::stop, ends the server thread.

#include "transfer/tftp_runner.h"

#include <QWidget>
#include <memory>

namespace vornex::tftp {

class TftpWindow : public QWidget {
    Q_OBJECT
public:
    TftpWindow();
    ~TftpWindow() override;

    // Places the window by the main window's rectangle and starts the server; false after
    // the error box when the socket could not be set up.
    bool start(const tftp_server_params& params);
    // The port the server listens on.
    std::uint16_t port() const;
    const TftpStatus& status() const { return status_; }

    // The one server window, or null.
    static TftpWindow* current();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class Bridge;
    void show_status(const TftpStatus& status);
    void shut_down();

    TftpStatus status_;
    std::unique_ptr<Bridge> bridge_;
    std::unique_ptr<TftpServerRunner> runner_;
};

// Where the status window goes: centred horizontally on the main window, one eighth of the
// height difference below its top, kept inside the work area.
Point tftp_window_position(const Rect& main_window, int width, int height, const Rect& work_area);

// Start and stop for the device transfers: one server window at a time.
class QtTftpServerControl : public TftpServerControl {
public:
    int start(const tftp_server_params& params) override;
    void stop() override;
};

} // namespace vornex::tftp
