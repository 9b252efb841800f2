#pragma once
// The internal TFTP server's protocol: one client transfer at a time over one socket, with
// the blksize, timeout and tsize options. It owns no socket, thread, clock or window; it is
// pushed three events (a datagram arrived, a one-second tick, close) and answers through
// TftpPlatform (send a datagram, start or stop the tick, show the status, show an error
// box) and reads and writes files through TftpFiles. Everything runs on the caller's
// thread; the runner (tftp_runner.h) calls it from the server thread only.

#include "transfer/tftp_files.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace vornex::tftp {

// Packet opcodes.
inline constexpr std::uint16_t op_rrq = 1;
inline constexpr std::uint16_t op_wrq = 2;
inline constexpr std::uint16_t op_data = 3;
inline constexpr std::uint16_t op_ack = 4;
inline constexpr std::uint16_t op_error = 5;
inline constexpr std::uint16_t op_oack = 6;

// The error codes an ERROR packet carries.
enum class ErrorCode : std::uint16_t {
    not_defined = 0,
    file_not_found = 1,
    access_violation = 2,
    disk_full = 3,
    illegal_operation = 4,
    unknown_transfer_id = 5,
    file_already_exists = 6,
    no_such_user = 7,
};

// A 4-byte header and up to 1,500 data bytes.
inline constexpr std::size_t packet_size = 1504;

// A peer's socket address as bytes (a sockaddr_storage image) with its length. Two peers
// are the same client only when length and bytes agree.
struct Peer {
    std::array<std::uint8_t, 128> bytes{};
    std::uint32_t length = 0;
    bool same_as(const Peer& other) const;
};

// The numeric host text of a peer ("127.0.0.1", "::1"), empty for an unknown family.
std::string numeric_host(const Peer& peer);

// What the status window shows. `timeout` is the seconds waited for the client's answer
// to the packet last sent, `retries` how often that packet was resent.
struct TftpStatus {
    std::string client;
    std::string filename;
    std::string status;
    int timeout = 0;
    int retries = 0;
    bool active = false; // a transfer is running
    int requests = 0;    // requests taken so far, refused ones included
    friend bool operator==(const TftpStatus&, const TftpStatus&) = default;
};

// The five lines of the status window, each cut to 200 characters.
std::array<std::string, 5> tftp_status_lines(const TftpStatus& status);

// The platform's half of the server.
class TftpPlatform {
public:
    virtual ~TftpPlatform() = default;
    // Sends one datagram; answers 0, or the platform's error code (errno).
    virtual int send_to(const Peer& peer, std::span<const std::uint8_t> packet) = 0;
    // Starts the one-second tick (the first one a second from now); 0 or an error code.
    virtual int start_timer() = 0;
    virtual void stop_timer() = 0;
    // The status lines have changed (called only when they did).
    virtual void status_changed(const TftpStatus& status) = 0;
    // A socket error box, already worded by socket_error_text.
    virtual void error_box(const std::string& text) = 0;
};

// The error code of a send that would block: not an error, the packet is simply lost.
bool is_would_block(int error);

// "%s (%s)": the context and a description of the platform's socket error code.
std::string socket_error_text(const std::string& context, int error);

class TftpServer {
public:
    // `root` is the root folder; a trailing separator is added when it lacks one.
    TftpServer(std::string root, TftpPlatform& platform, TftpFiles& files);
    ~TftpServer();
    TftpServer(const TftpServer&) = delete;
    TftpServer& operator=(const TftpServer&) = delete;

    // Event: one datagram of `packet.size()` bytes arrived from `from`.
    void tftp_server(std::span<const std::uint8_t> packet, const Peer& from);
    // Event: the one-second tick.
    void tick();
    // Event: the server is closing; a transfer in progress is abandoned.
    void close();

    bool active() const { return client_.length != 0; }
    const TftpStatus& status() const { return shown_; }

private:
    enum class Direction { read, write };

    void tftp_read_request(std::span<const std::uint8_t> packet);
    void tftp_write_request(std::span<const std::uint8_t> packet);
    bool tftp_parse_options(std::span<const std::uint8_t> packet, bool write);
    // Root folder + requested name; false when the result would be too long.
    bool tftp_build_path(const std::string& name);
    // Whether the built path stays within the root folder, by the name and once links are
    // followed; the full path becomes the resolved one.
    bool stays_in_root(const std::string& name);
    void tftp_send_data();
    void tftp_recv_data(std::span<const std::uint8_t> packet);
    void tftp_send_ack();
    void tftp_send_rsp();
    void on_ack(std::uint16_t block);
    void send_error(ErrorCode code, const char* text);
    void end_transfer();
    void stop_tick();
    // Sends the held packet; on a real failure ends the transfer and shows `context`.
    void send_held(const char* context);
    void arm(std::uint16_t seconds);
    void set_status(const std::string& text);
    void publish();

    void put16(std::size_t offset, std::uint16_t value);

    std::string root_;
    TftpPlatform& platform_;
    TftpFiles& files_;

    bool timer_ = false;
    std::array<std::uint8_t, packet_size> send_buffer_{};
    std::size_t send_length_ = 0;
    std::uint16_t countdown_ = 0;
    std::uint16_t countdown_start_ = 0; // what the countdown was set to, for the status line
    std::uint16_t retries_ = 0;
    std::uint16_t acknowledged_block_ = 0;
    std::uint16_t current_block_ = 0;
    std::uint16_t last_data_length_ = 0;
    std::uint16_t block_size_ = 512;
    std::uint16_t timeout_ = 5;
    Direction direction_ = Direction::read;
    std::unique_ptr<TftpReadFile> read_file_;
    std::unique_ptr<TftpWriteFile> write_file_;
    std::int64_t transfer_size_ = 0;
    std::string full_path_;
    Peer client_;
    std::string client_host_;
    std::string filename_;
    std::string status_;
    int requests_ = 0;
    TftpStatus shown_;
    // After the final ACK of an upload: the client and block to acknowledge again, should
    // that ACK be lost and the client resend its last DATA, and the seconds left to do so.
    Peer finished_client_;
    std::uint16_t finished_block_ = 0;
    std::uint16_t finished_left_ = 0;
};

} // namespace vornex::tftp
