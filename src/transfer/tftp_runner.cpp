#include "transfer/tftp_runner.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

namespace vornex::tftp {

namespace {

using Clock = std::chrono::steady_clock;

// Datagrams taken in one go before the loop looks at the tick and the stop request again.
constexpr int drain_limit = 64;

} // namespace

bool set_local_address(tftp_server_params& params, const std::string& numeric) {
    params.local_address = {};
    auto* in = reinterpret_cast<sockaddr_in*>(&params.local_address);
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&params.local_address);
    if (inet_pton(AF_INET, numeric.c_str(), &in->sin_addr) == 1) {
        in->sin_family = AF_INET;
        params.local_address_length = sizeof(sockaddr_in);
        return true;
    }
    if (inet_pton(AF_INET6, numeric.c_str(), &in6->sin6_addr) == 1) {
        in6->sin6_family = AF_INET6;
        params.local_address_length = sizeof(sockaddr_in6);
        return true;
    }
    params.local_address_length = 0;
    return false;
}

// The server's platform half: the socket, the tick, and the listener.
class TftpServerRunner::Platform : public TftpPlatform {
public:
    Platform(int socket, TftpListener& listener) : socket_(socket), listener_(listener) {}

    int send_to(const Peer& peer, std::span<const std::uint8_t> packet) override {
        while (true) {
            const ssize_t n =
                ::sendto(socket_, packet.data(), packet.size(), MSG_DONTWAIT,
                         reinterpret_cast<const sockaddr*>(peer.bytes.data()), peer.length);
            if (n >= 0) {
                return 0;
            }
            if (errno != EINTR) {
                return errno;
            }
        }
    }
    int start_timer() override {
        timer_ = true;
        next_tick_ = Clock::now() + std::chrono::seconds(1);
        return 0;
    }
    void stop_timer() override { timer_ = false; }
    void status_changed(const TftpStatus& status) override { listener_.status_changed(status); }
    void error_box(const std::string& text) override { listener_.error_box(text); }

    // Milliseconds until the next tick is due, or -1 when no tick runs.
    int wait_ms() const {
        if (!timer_) {
            return -1;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(next_tick_ - Clock::now());
        return static_cast<int>(std::max<long long>(0, left.count() + 1));
    }
    bool tick_due() {
        if (!timer_ || Clock::now() < next_tick_) {
            return false;
        }
        next_tick_ += std::chrono::seconds(1);
        return true;
    }

private:
    int socket_;
    TftpListener& listener_;
    bool timer_ = false;
    Clock::time_point next_tick_{};
};

TftpServerRunner::TftpServerRunner(TftpListener& listener, TftpFiles* files)
    : listener_(listener), files_(files != nullptr ? *files : disk_) {}

TftpServerRunner::~TftpServerRunner() {
    stop();
}

bool TftpServerRunner::start(const tftp_server_params& params) {
    if (running()) {
        return false;
    }
    const auto fail = [&](const char* context, int error) {
        listener_.error_box(socket_error_text(context, error));
        if (socket_ >= 0) {
            ::close(socket_);
            socket_ = -1;
        }
        return false;
    };
    sockaddr_storage address = params.local_address;
    socket_ = ::socket(address.ss_family, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (socket_ < 0) {
        return fail("TFTP Server socket failed.", errno);
    }
    // Readiness is watched with poll from the server thread; the socket itself never blocks.
    const int flags = ::fcntl(socket_, F_GETFL);
    if (flags < 0 || ::fcntl(socket_, F_SETFL, flags | O_NONBLOCK) < 0) {
        return fail("TFTP Server WSAAsyncSelect failed.", errno);
    }
    if (address.ss_family == AF_INET) {
        reinterpret_cast<sockaddr_in*>(&address)->sin_port = htons(params.port);
    } else if (address.ss_family == AF_INET6) {
        reinterpret_cast<sockaddr_in6*>(&address)->sin6_port = htons(params.port);
    } else {
        return fail("TFTP Server invalid address family.", EAFNOSUPPORT);
    }
    if (::bind(socket_, reinterpret_cast<const sockaddr*>(&address), params.local_address_length) !=
        0) {
        return fail("TFTP Server bind failed. (Another TFTP Server may be active.", errno);
    }
    socklen_t length = sizeof address;
    ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ =
        ntohs(address.ss_family == AF_INET ? reinterpret_cast<sockaddr_in*>(&address)->sin_port
                                           : reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return fail("TFTP Server socket failed.", errno);
    }
    wake_read_ = pipe_fds[0];
    wake_write_ = pipe_fds[1];
    platform_ = std::make_unique<Platform>(socket_, listener_);
    server_ = std::make_unique<TftpServer>(params.root_folder, *platform_, files_);
    thread_ = std::thread([this] { run(); });
    return true;
}

void TftpServerRunner::stop() {
    if (!running()) {
        return;
    }
    const char byte = 0;
    while (::write(wake_write_, &byte, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
    server_.reset();
    platform_.reset();
    ::close(socket_);
    ::close(wake_read_);
    ::close(wake_write_);
    socket_ = wake_read_ = wake_write_ = -1;
}

void TftpServerRunner::run() {
    // One more byte than a packet may have, so that a longer datagram is seen and dropped.
    std::array<std::uint8_t, packet_size + 1> buffer{};
    while (true) {
        pollfd fds[2] = {{socket_, POLLIN, 0}, {wake_read_, POLLIN, 0}};
        const int ready = ::poll(fds, 2, platform_->wait_ms());
        if (ready < 0 && errno != EINTR) {
            listener_.error_box(socket_error_text("tftp_server() WinSock error", errno));
            break;
        }
        if (ready > 0 && fds[1].revents != 0) {
            break;
        }
        if (ready > 0 && fds[0].revents != 0) {
            for (int i = 0; i < drain_limit; ++i) {
                Peer from;
                socklen_t from_length = from.bytes.size();
                const ssize_t n =
                    ::recvfrom(socket_, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC,
                               reinterpret_cast<sockaddr*>(from.bytes.data()), &from_length);
                if (n < 0) {
                    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                        listener_.error_box(
                            socket_error_text("tftp_server() WinSock error", errno));
                    }
                    break;
                }
                if (static_cast<std::size_t>(n) > packet_size) {
                    continue; // could not be received whole
                }
                from.length = from_length;
                server_->tftp_server(
                    std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(n)),
                    from);
            }
        }
        if (platform_->tick_due()) {
            server_->tick();
        }
    }
    server_->close();
}

} // namespace vornex::tftp
