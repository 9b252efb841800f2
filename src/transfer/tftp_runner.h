#pragma once
// The internal TFTP server on a thread of its own: one UDP socket, a poll loop that turns
// readable datagrams and a one-second tick into TftpServer events, and a clean stop. It
// uses POSIX sockets and std::thread only, so the desktop program and vornex-cli run the
// very same server; a front end only listens to the status updates, which arrive on the
// server thread and must be carried to the front end's own thread by the listener.

#include "base/window_geometry.h"
#include "transfer/tftp_server.h"

#include <cstdint>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <thread>

namespace vornex::tftp {

// The start-up block, filled by the device transfer before the server starts and not
// changed while it runs.
struct tftp_server_params {
    Rect main_window;        // only used to place the status window
    std::string root_folder; // the served folder; a trailing separator is optional
    sockaddr_storage local_address{};
    socklen_t local_address_length = 0;
    // 69 in the product. vornex-cli and the tests choose another; 0 takes any free port.
    std::uint16_t port = 69;
};

// Fills `params`' address from numeric text ("0.0.0.0", "::1"); false if it is not one.
bool set_local_address(tftp_server_params& params, const std::string& numeric);

class TftpListener {
public:
    virtual ~TftpListener() = default;
    // Called on the server thread whenever the status lines change.
    virtual void status_changed(const TftpStatus& status) = 0;
    // A socket error box to show; on the server thread, or on the starting thread for the
    // errors of start().
    virtual void error_box(const std::string& text) = 0;
};

class TftpServerRunner {
public:
    // `files` defaults to the disk; tests inject their own.
    explicit TftpServerRunner(TftpListener& listener, TftpFiles* files = nullptr);
    ~TftpServerRunner(); // stops the server
    TftpServerRunner(const TftpServerRunner&) = delete;
    TftpServerRunner& operator=(const TftpServerRunner&) = delete;

    // Creates and binds the socket, then starts the server thread. False when the socket
    // could not be set up; the listener has been told why.
    bool start(const tftp_server_params& params);
    // Ends the server thread (abandoning a transfer in progress) and closes the socket.
    void stop();

    bool running() const { return thread_.joinable(); }
    // The port actually bound (useful when port 0 was asked for).
    std::uint16_t port() const { return port_; }

private:
    class Platform;
    void run();

    TftpListener& listener_;
    DiskFiles disk_;
    TftpFiles& files_;
    std::unique_ptr<Platform> platform_;
    std::unique_ptr<TftpServer> server_;
    int socket_ = -1;
    int wake_read_ = -1;
    int wake_write_ = -1;
    std::uint16_t port_ = 0;
    std::thread thread_;
};

// The start and stop operations of the device transfers. The desktop program implements
// them with the status window (tftp_window.h); tests of the transfers use a fake.
class TftpServerControl {
public:
    virtual ~TftpServerControl() = default;
    // 0 when the server runs, -1 when one already runs, 1 when it could not start (the
    // reason has been shown).
    virtual int start(const tftp_server_params& params) = 0;
    // Stops the server if one runs.
    virtual void stop() = 0;
};

} // namespace vornex::tftp
