#include "transfer/tftp_server.h"

#include "base/message_text.h"
#include "base/text.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>

namespace vornex::tftp {

namespace {

// Texts of the status window and their buffer sizes.
constexpr std::size_t status_buffer = 81;
constexpr std::size_t filename_buffer = 139;
constexpr std::size_t line_buffer = 201;

// A held packet is sent this many times in all (the first time and its resends) before the
// transfer times out.
constexpr std::uint16_t send_attempts = 4;

std::uint16_t get16(std::span<const std::uint8_t> p, std::size_t offset) {
    return static_cast<std::uint16_t>(p[offset] << 8 | p[offset + 1]);
}

// The NUL-terminated string at `offset`; false when it runs past the datagram.
bool take_string(std::span<const std::uint8_t> p, std::size_t& offset, std::string& out) {
    const std::size_t start = offset;
    while (offset < p.size() && p[offset] != 0) {
        ++offset;
    }
    if (offset >= p.size()) {
        return false;
    }
    out.assign(reinterpret_cast<const char*>(p.data()) + start, offset - start);
    ++offset;
    return true;
}

// The file name of a request; an unterminated one runs to the end of the datagram.
std::string requested_name(std::span<const std::uint8_t> p) {
    std::size_t offset = 2;
    std::string name;
    if (!take_string(p, offset, name)) {
        name.assign(reinterpret_cast<const char*>(p.data()) + 2, p.size() - 2);
    }
    return name;
}

// A requested name that could reach outside the root folder: absolute, with a drive
// letter, or with a ".." component. Both separators count, whatever the platform.
bool climbs_out(const std::string& name) {
    if (!name.empty() && (name[0] == '/' || name[0] == '\\')) {
        return true;
    }
    if (name.size() >= 2 && name[1] == ':') {
        return true;
    }
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos) {
            end = name.size();
        }
        if (name.compare(start, end - start, "..") == 0) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

const char* error_description(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return "permission denied";
    case EFAULT:
    case EAFNOSUPPORT:
    case EADDRNOTAVAIL:
        return "invalid hostname or address";
    case ENETDOWN:
        return "local networking is down";
    case ENETUNREACH:
        return "network unreachable";
    case ECONNABORTED:
        return "connection aborted";
    case ECONNRESET:
        return "connection reset by peer";
    case ENOBUFS:
    case ENOMEM:
        return "out of memory";
    case ENOTCONN:
        return "not connected";
    case ESHUTDOWN:
        return "connection shutdown";
    case ETIMEDOUT:
        return "connection timed-out";
    case ECONNREFUSED:
        return "connection refused";
    case EHOSTDOWN:
        return "host is down";
    case EHOSTUNREACH:
        return "host unreachable";
    default:
        return nullptr;
    }
}

} // namespace

bool Peer::same_as(const Peer& other) const {
    return length == other.length && std::memcmp(bytes.data(), other.bytes.data(), length) == 0;
}

std::string numeric_host(const Peer& peer) {
    sockaddr_storage storage{};
    std::memcpy(&storage, peer.bytes.data(), std::min<std::size_t>(peer.length, sizeof storage));
    char text[INET6_ADDRSTRLEN] = {};
    if (storage.ss_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&storage);
        inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
    } else if (storage.ss_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&storage);
        inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
    }
    return text;
}

std::array<std::string, 5> tftp_status_lines(const TftpStatus& s) {
    return {format_message(line_buffer, "Client: %-15s", s.client.c_str()),
            format_message(line_buffer, "Filename: %-138s", s.filename.c_str()),
            format_message(line_buffer, "Status: %-80s", s.status.c_str()),
            format_message(line_buffer, "Timeout: %d", s.timeout),
            format_message(line_buffer, "Retries: %d", s.retries)};
}

bool is_would_block(int error) {
    return error == EAGAIN || error == EWOULDBLOCK;
}

std::string socket_error_text(const std::string& context, int error) {
    const char* description = error_description(error);
    const std::string text = description != nullptr
                                 ? std::string(description)
                                 : format_message(128, "socket error code %d", error);
    return context + " (" + text.substr(0, 127) + ")";
}

TftpServer::TftpServer(std::string root, TftpPlatform& platform, TftpFiles& files)
    : root_(std::move(root)), platform_(platform), files_(files) {
    if (!root_.empty() && root_.back() != '/' && root_.back() != '\\') {
        root_ += '/';
    }
}

TftpServer::~TftpServer() = default;

void TftpServer::put16(std::size_t offset, std::uint16_t value) {
    send_buffer_[offset] = static_cast<std::uint8_t>(value >> 8);
    send_buffer_[offset + 1] = static_cast<std::uint8_t>(value & 0xff);
}

// The line "Timeout" counts the seconds of the current wait up from 0: counting from the
// first time-out alone would go negative once the waits double.
void TftpServer::arm(std::uint16_t seconds) {
    countdown_ = seconds;
    countdown_start_ = seconds;
}

void TftpServer::set_status(const std::string& text) {
    status_ = text.substr(0, status_buffer - 1);
}

void TftpServer::publish() {
    TftpStatus now{client_host_, filename_, status_,  countdown_start_ - countdown_,
                   retries_,     active(),  requests_};
    if (!(now == shown_)) {
        shown_ = std::move(now);
        platform_.status_changed(shown_);
    }
}

void TftpServer::end_transfer() {
    client_.length = 0;
    send_length_ = 0;
    if (finished_left_ == 0) {
        stop_tick();
    }
    read_file_.reset();
    write_file_.reset();
}

void TftpServer::stop_tick() {
    if (timer_) {
        platform_.stop_timer();
        timer_ = false;
    }
}

void TftpServer::tftp_server(std::span<const std::uint8_t> packet, const Peer& from) {
    if (packet.size() < 4 || packet.size() > packet_size) {
        return;
    }
    const std::uint16_t opcode = get16(packet, 0);
    if (!active()) {
        if (opcode == op_data && finished_left_ != 0 && from.same_as(finished_client_) &&
            get16(packet, 2) == finished_block_) {
            // The final ACK of the upload just finished did not reach the client: it goes
            // again, and should this send fail too, the client's next resend covers it.
            const std::uint8_t ack[] = {0, op_ack, static_cast<std::uint8_t>(finished_block_ >> 8),
                                        static_cast<std::uint8_t>(finished_block_ & 0xff)};
            platform_.send_to(from, ack);
            return;
        }
        if (opcode != op_rrq && opcode != op_wrq) {
            return;
        }
        ++requests_;
        finished_left_ = 0;
        client_host_ = numeric_host(from);
        client_ = from;
        block_size_ = 512;
        timeout_ = 5;
        arm(0);
        retries_ = 0;
        const int error = platform_.start_timer();
        timer_ = error == 0;
        if (!timer_) {
            // The transfer goes on, only without retransmissions.
            platform_.error_box(socket_error_text("SetTimer error", error));
        }
        if (opcode == op_rrq) {
            tftp_read_request(packet);
        } else {
            tftp_write_request(packet);
        }
        publish();
        return;
    }
    if (!from.same_as(client_)) {
        return; // a second client gets no answer at all
    }
    // A DATA in a read transfer or an ACK in a write transfer would make the server write
    // into the file it serves or send from the file it receives; such packets are dropped.
    if (opcode == op_data && direction_ == Direction::write) {
        tftp_recv_data(packet);
    } else if (opcode == op_ack && direction_ == Direction::read) {
        on_ack(get16(packet, 2));
    } else if (opcode == op_error) {
        const std::uint16_t code = get16(packet, 2);
        std::size_t offset = 4;
        std::string text;
        if (!take_string(packet, offset, text)) {
            text.assign(reinterpret_cast<const char*>(packet.data()) + 4, packet.size() - 4);
        }
        end_transfer();
        set_status(format_message(status_buffer, "Error %-2d: %-60s", code, text.c_str()));
    }
    publish();
}

void TftpServer::on_ack(std::uint16_t block) {
    if (block != acknowledged_block_) {
        return;
    }
    if (last_data_length_ >= block_size_) {
        ++acknowledged_block_;
        tftp_send_data();
    } else {
        set_status("Transfer Complete!");
        end_transfer();
    }
}

bool TftpServer::tftp_build_path(const std::string& name) {
    // The root folder joined with the name must stay within the program's path limit.
    if (root_.size() + name.size() > path_max_length) {
        return false;
    }
    full_path_ = root_ + name;
    for (char& c : full_path_) {
        if (c == '\\') {
            c = '/';
        }
    }
    return true;
}

bool TftpServer::stays_in_root(const std::string& name) {
    if (climbs_out(name)) {
        return false;
    }
    auto resolved = files_.resolve(root_, full_path_);
    if (!resolved) {
        return false;
    }
    full_path_ = std::move(*resolved);
    return true;
}

void TftpServer::send_error(ErrorCode code, const char* text) {
    put16(0, op_error);
    put16(2, static_cast<std::uint16_t>(code));
    const std::size_t length = std::strlen(text);
    std::memcpy(send_buffer_.data() + 4, text, length + 1);
    send_length_ = length + 5;
    tftp_send_rsp();
    end_transfer();
}

void TftpServer::tftp_read_request(std::span<const std::uint8_t> packet) {
    direction_ = Direction::read;
    const std::string name = requested_name(packet);
    filename_ = name.substr(0, filename_buffer - 1);
    if (!tftp_build_path(name)) {
        set_status("File not found.");
        send_error(ErrorCode::file_not_found, "File not found.");
        return;
    }
    if (!stays_in_root(name)) {
        set_status("Access violation.");
        send_error(ErrorCode::access_violation, "Access violation.");
        return;
    }
    read_file_ = files_.open_read(full_path_);
    if (!read_file_) {
        set_status("File not found.");
        send_error(ErrorCode::file_not_found, "File not found.");
        return;
    }
    const auto size = read_file_->size();
    if (!size) {
        set_status("File read error.");
        send_error(ErrorCode::access_violation, "File read error.");
        return;
    }
    transfer_size_ = *size;
    current_block_ = 0;
    last_data_length_ = block_size_;
    if (tftp_parse_options(packet, false)) {
        acknowledged_block_ = 0;
        arm(timeout_);
        retries_ = 0;
    } else {
        acknowledged_block_ = 1;
        tftp_send_data();
    }
}

void TftpServer::tftp_write_request(std::span<const std::uint8_t> packet) {
    direction_ = Direction::write;
    const std::string name = requested_name(packet);
    filename_ = name.substr(0, filename_buffer - 1);
    if (!tftp_build_path(name) || !stays_in_root(name)) {
        set_status("Access violation.");
        send_error(ErrorCode::access_violation, "Access violation.");
        return;
    }
    write_file_ = files_.create(full_path_);
    if (!write_file_) {
        set_status("Access violation");
        send_error(ErrorCode::access_violation, "Access violation.");
        return;
    }
    transfer_size_ = 0;
    arm(timeout_);
    acknowledged_block_ = 0;
    current_block_ = 1;
    retries_ = 0;
    if (!tftp_parse_options(packet, true)) {
        tftp_send_ack();
    }
}

bool TftpServer::tftp_parse_options(std::span<const std::uint8_t> packet, bool write) {
    std::size_t offset = 2;
    std::string name;
    std::string value;
    if (!take_string(packet, offset, name) || !take_string(packet, offset, value)) {
        return false;
    }
    std::size_t out = 2;
    const auto append = [&](const char* option, long long number) {
        const std::string text = std::to_string(number);
        const std::size_t need = std::strlen(option) + 1 + text.size() + 1;
        if (out + need > send_buffer_.size()) {
            return;
        }
        std::memcpy(send_buffer_.data() + out, option, std::strlen(option) + 1);
        out += std::strlen(option) + 1;
        std::memcpy(send_buffer_.data() + out, text.c_str(), text.size() + 1);
        out += text.size() + 1;
    };
    while (true) {
        std::size_t next = offset;
        if (!take_string(packet, next, name) || !take_string(packet, next, value)) {
            break;
        }
        offset = next;
        const long long number = std::atoll(value.c_str());
        if (equal_ignoring_case(name, "blksize")) {
            if (number >= 8 && number <= 1500) {
                block_size_ = static_cast<std::uint16_t>(number);
                last_data_length_ = block_size_;
            }
            append("blksize", block_size_);
        } else if (equal_ignoring_case(name, "timeout")) {
            if (number >= 1 && number <= 255) {
                timeout_ = static_cast<std::uint16_t>(number);
                append("timeout", timeout_);
            }
        } else if (equal_ignoring_case(name, "tsize")) {
            if (write) {
                transfer_size_ = number;
            }
            // Some clients take a size of 0 for a broken answer and give up, so an empty
            // file is served without announcing its size.
            if (write || transfer_size_ != 0) {
                append("tsize", transfer_size_);
            }
        }
    }
    if (out == 2) {
        return false;
    }
    put16(0, op_oack);
    send_length_ = out;
    tftp_send_rsp();
    return true;
}

void TftpServer::tftp_send_data() {
    // The block after the current one is due once the client has asked for it; block
    // numbers wrap, so "due" is "acknowledged is current + 1", not "current < acknowledged".
    if (static_cast<std::uint16_t>(current_block_ + 1) == acknowledged_block_) {
        const long n = read_file_->read(send_buffer_.data() + 4, block_size_);
        if (n < 0) {
            set_status("File read error.");
            send_error(ErrorCode::access_violation, "File read error.");
            return;
        }
        ++current_block_;
        last_data_length_ = static_cast<std::uint16_t>(n);
        put16(0, op_data);
        put16(2, current_block_);
        arm(timeout_);
        retries_ = 0;
    }
    send_length_ = last_data_length_ + 4u;
    set_status(format_message(status_buffer, "Sending %-6d", current_block_));
    send_held("Socket Error, tftp_send_data()");
}

void TftpServer::tftp_recv_data(std::span<const std::uint8_t> packet) {
    if (get16(packet, 2) != current_block_) {
        tftp_send_ack();
        return;
    }
    const std::size_t length = packet.size() - 4;
    const bool last = length < block_size_;
    if ((length > 0 && !write_file_->write(packet.data() + 4, length)) ||
        (last && !write_file_->commit())) {
        set_status("File write error!");
        send_error(ErrorCode::disk_full, "File write error.");
        return;
    }
    acknowledged_block_ = current_block_;
    ++current_block_;
    arm(timeout_);
    retries_ = 0;
    tftp_send_ack();
    if (last && active()) {
        set_status("Transfer Complete!");
        // The client cannot tell its upload complete until it has this ACK; should it be
        // lost, the client resends its last DATA for as long as the server itself would
        // wait for a silent client, and each resend is acknowledged again.
        finished_client_ = client_;
        finished_block_ = acknowledged_block_;
        finished_left_ =
            timer_ ? static_cast<std::uint16_t>(timeout_ * ((1u << send_attempts) - 1)) : 0;
        end_transfer();
    }
}

void TftpServer::tftp_send_ack() {
    put16(0, op_ack);
    put16(2, acknowledged_block_);
    send_length_ = 4;
    set_status(format_message(status_buffer, "Receiving %-6d", acknowledged_block_));
    send_held("Socket Error, tftp_send_data()");
}

void TftpServer::tftp_send_rsp() {
    if (send_length_ != 0 && active()) {
        send_held("Socket Error, tftp_send_rsp()");
    }
}

void TftpServer::send_held(const char* context) {
    const int error = platform_.send_to(
        client_, std::span<const std::uint8_t>(send_buffer_.data(), send_length_));
    if (error != 0 && !is_would_block(error)) {
        end_transfer();
        platform_.error_box(socket_error_text(context, error));
    }
}

void TftpServer::tick() {
    if (!timer_) {
        return;
    }
    if (finished_left_ != 0) {
        if (--finished_left_ == 0) {
            stop_tick();
        }
        return;
    }
    if (countdown_ == 0) {
        return;
    }
    if (--countdown_ == 0) {
        ++retries_;
        if (retries_ < send_attempts) {
            arm(static_cast<std::uint16_t>(timeout_ << retries_));
            tftp_send_rsp();
        } else {
            set_status("Timed-out");
            end_transfer();
        }
    }
    publish();
}

void TftpServer::close() {
    finished_left_ = 0;
    end_transfer();
}

} // namespace vornex::tftp
