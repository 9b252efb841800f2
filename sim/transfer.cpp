#include "transfer.h"

#include <arpa/inet.h>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vornex::sim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint16_t op_rrq = 1, op_wrq = 2, op_data = 3, op_ack = 4, op_error = 5, op_oack = 6;
constexpr int wanted_block = 1024;
constexpr int retry_seconds = 1;
constexpr int max_retries = 4;

// Status codes the device shows.
constexpr int st_ok = 1, st_unknown_tftp_error = 4, st_file_not_found = 5, st_unmatch_firmware = 9,
              st_unmatch_config = 10, st_activating = 11, st_send_to_card_fail = 13,
              st_bad_signature = 14, st_prepare = 16, st_transmit = 17, st_send_to_card = 18,
              st_write_flash = 19, st_copy_to_redundant = 22, st_busy = 23, st_unreachable = 25,
              st_other = 99;

constexpr const char* config_header = "! R4150 configuration";

std::uint16_t get16(const std::string& p, std::size_t at) {
    return static_cast<std::uint16_t>((static_cast<unsigned char>(p[at]) << 8) |
                                      static_cast<unsigned char>(p[at + 1]));
}

void put16(std::string& p, std::uint16_t v) {
    p += static_cast<char>(v >> 8);
    p += static_cast<char>(v & 0xFF);
}

int to_number(const std::string& text, int fallback) {
    int n = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty() ? n : fallback;
}

// A controller version text (" V2.15.02") as a comparable number (21502); 0 if unreadable.
int version_number(const std::string& text) {
    int major = 0, minor = 0, patch = 0;
    const char* p = text.c_str();
    while (*p == ' ' || *p == 'V' || *p == 'v')
        ++p;
    if (std::sscanf(p, "%d.%d.%d", &major, &minor, &patch) != 3)
        return 0;
    return major * 10000 + minor * 100 + patch;
}

} // namespace

// The device's TFTP client: one request, then DATA/ACK lock-step with the server, the
// blksize, tsize and timeout options, replies taken only from the server's address and the
// first port it answered from, and the last packet resent after a second of silence.
class TftpClient {
public:
    enum class State { running, done, not_found, error, silent };

    TftpClient(const sockaddr_storage& server, socklen_t length, bool fetch, std::string payload)
        : server_(server), server_length_(length), fetch_(fetch), payload_(std::move(payload)) {}
    ~TftpClient() {
        if (fd_ >= 0)
            close(fd_);
    }

    bool open(const std::string& name) {
        fd_ = socket(server_.ss_family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd_ < 0)
            return false;
        std::string request;
        put16(request, fetch_ ? op_rrq : op_wrq);
        const std::string tsize = fetch_ ? "0" : std::to_string(payload_.size());
        for (const std::string& part :
             {name, std::string("octet"), std::string("blksize"), std::to_string(wanted_block),
              std::string("tsize"), tsize, std::string("timeout"), std::to_string(retry_seconds)}) {
            request += part;
            request += '\0';
        }
        if (!fetch_)
            total_ = payload_.size();
        send(request);
        return true;
    }

    int fd() const { return fd_; }
    State state() const { return state_; }
    std::size_t moved() const { return moved_; }
    std::size_t total() const { return total_; }
    const std::string& received() const { return received_; }

    void readable() {
        char buffer[65536];
        sockaddr_storage from{};
        socklen_t length = sizeof from;
        for (;;) {
            const ssize_t got = recvfrom(fd_, buffer, sizeof buffer, 0,
                                         reinterpret_cast<sockaddr*>(&from), &length);
            if (got < 0)
                return;
            if (state_ == State::running || state_ == State::done)
                packet(std::string(buffer, static_cast<std::size_t>(got)), from, length);
            length = sizeof from;
        }
    }

    void tick() {
        if (state_ != State::running || Clock::now() < resend_at_)
            return;
        if (++retries_ > max_retries) {
            state_ = State::silent;
            return;
        }
        send(last_);
    }

private:
    static std::uint16_t port_of(const sockaddr_storage& a) {
        return ntohs(a.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6&>(a).sin6_port
                                             : reinterpret_cast<const sockaddr_in&>(a).sin_port);
    }
    static bool same_host(const sockaddr_storage& a, const sockaddr_storage& b) {
        if (a.ss_family != b.ss_family)
            return false;
        if (a.ss_family == AF_INET6)
            return std::memcmp(&reinterpret_cast<const sockaddr_in6&>(a).sin6_addr,
                               &reinterpret_cast<const sockaddr_in6&>(b).sin6_addr,
                               sizeof(in6_addr)) == 0;
        return reinterpret_cast<const sockaddr_in&>(a).sin_addr.s_addr ==
               reinterpret_cast<const sockaddr_in&>(b).sin_addr.s_addr;
    }

    void send(const std::string& packet) {
        last_ = packet;
        sendto(fd_, packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr*>(&peer()),
               server_length_);
        resend_at_ = Clock::now() + std::chrono::seconds(retry_seconds);
    }

    const sockaddr_storage& peer() const { return locked_ ? locked_peer_ : server_; }

    void packet(const std::string& p, const sockaddr_storage& from, socklen_t) {
        if (p.size() < 4 || !same_host(from, server_))
            return;
        if (!locked_) {
            locked_ = true;
            locked_peer_ = from;
        } else if (port_of(from) != port_of(locked_peer_)) {
            // Another transfer identifier: refused, as the protocol wants, and ignored.
            std::string error;
            put16(error, op_error);
            put16(error, 5);
            error += "Unknown transfer ID";
            error += '\0';
            sendto(fd_, error.data(), error.size(), 0, reinterpret_cast<const sockaddr*>(&from),
                   server_length_);
            return;
        }
        const std::uint16_t op = get16(p, 0);
        if (op == op_error) {
            state_ = get16(p, 2) == 1 ? State::not_found : State::error;
            return;
        }
        if (op == op_oack && expected_ <= 1 && sent_block_ == 0) {
            options(p.substr(2));
            if (fetch_)
                ack(0);
            else
                send_block(1);
            return;
        }
        if (fetch_ && op == op_data) {
            const std::uint16_t block = get16(p, 2);
            if (block == expected_) {
                received_.append(p, 4);
                moved_ = received_.size();
                ack(block);
                ++expected_;
                if (p.size() - 4 < block_size_)
                    state_ = State::done;
            } else if (static_cast<std::uint16_t>(block + 1) == expected_) {
                ack(block); // our ACK was lost
            }
            return;
        }
        if (!fetch_ && op == op_ack && state_ == State::running) {
            const std::uint16_t block = get16(p, 2);
            if (block != sent_block_)
                return;
            moved_ = std::min(payload_.size(), static_cast<std::size_t>(block) * block_size_);
            if (block > 0 && last_length_ < block_size_) {
                state_ = State::done; // the last block is acknowledged
                return;
            }
            send_block(static_cast<std::uint16_t>(block + 1));
        }
    }

    void options(const std::string& list) {
        std::vector<std::string> parts;
        std::size_t at = 0;
        while (at < list.size()) {
            const std::size_t end = list.find('\0', at);
            if (end == std::string::npos)
                break;
            parts.push_back(list.substr(at, end - at));
            at = end + 1;
        }
        for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
            std::string key = parts[i];
            for (char& c : key)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (key == "blksize")
                block_size_ = static_cast<std::size_t>(to_number(parts[i + 1], 512));
            else if (key == "tsize" && fetch_)
                total_ = static_cast<std::size_t>(to_number(parts[i + 1], 0));
        }
    }

    void ack(std::uint16_t block) {
        std::string p;
        put16(p, op_ack);
        put16(p, block);
        retries_ = 0;
        send(p);
    }

    void send_block(std::uint16_t block) {
        const std::size_t from = static_cast<std::size_t>(block - 1) * block_size_;
        const std::size_t length =
            from >= payload_.size() ? 0 : std::min(block_size_, payload_.size() - from);
        std::string p;
        put16(p, op_data);
        put16(p, block);
        p.append(payload_, std::min(from, payload_.size()), length);
        sent_block_ = block;
        last_length_ = length;
        retries_ = 0;
        send(p);
    }

    sockaddr_storage server_;
    socklen_t server_length_;
    sockaddr_storage locked_peer_{};
    bool locked_ = false;
    bool fetch_;
    std::string payload_;
    std::string received_;
    int fd_ = -1;
    State state_ = State::running;
    std::string last_;
    Clock::time_point resend_at_{};
    int retries_ = 0;
    std::size_t block_size_ = 512;
    std::uint16_t expected_ = 1;
    std::uint16_t sent_block_ = 0;
    std::size_t last_length_ = 0;
    std::size_t moved_ = 0;
    std::size_t total_ = 0;
};

Transfer::Transfer(Device& device, int server_port, std::optional<SftpAccount> sftp)
    : device_(device), server_port_(server_port), sftp_(std::move(sftp)) {
    Store& s = device_.store();
    auto define = [&](std::initializer_list<std::uint32_t> suffix, Value value, Rule rule) {
        // A value the scenario gave ("objects") is kept; the rule is the device's.
        if (const Object* o = s.find(r(suffix)); o && o->value.type == value.type)
            value = o->value;
        s.put(r(suffix), std::move(value), std::move(rule));
    };
    define({1, 15, 1, 0}, Value::ip_address("0.0.0.0"), Rule{true, {}, 0, 0, 4});
    define({1, 15, 2, 0}, Value::octets(""), Rule::text(45));
    define({1, 15, 3, 0}, Value::octets(""), Rule::text(56));
    define({1, 15, 4, 0}, Value::integer(2), Rule::one_of({1, 2, 3, 6, 11, 12, 13}));
    define({1, 15, 5, 0}, Value::integer(0), Rule::range(0, 8));
    define({1, 15, 6, 0}, Value::integer(0), Rule::one_of({0, 1}));
    define({1, 15, 7, 0}, Value::octets("0"), Rule::read_only());
    define({1, 15, 8, 0}, Value::integer(st_ok), Rule::read_only());
    if (version_number(text({1, 2, 1, 3, 0})) >= 21501) {
        define({1, 15, 11, 0}, Value::integer(1), Rule::one_of({1, 2}));
        define({1, 15, 12, 0}, Value::octets(""), Rule::text(32));
        define({1, 15, 13, 0}, Value::octets(""), Rule::text(64));
    }
    running_config_ = std::string(config_header) + "\r\nhostname " + sys_name_text() +
                      "\r\nactive-map " + std::to_string(integer({1, 16, 4, 1, 0})) + "\r\n";
}

Transfer::~Transfer() = default;

Oid Transfer::r(std::initializer_list<std::uint32_t> suffix) const {
    return device_.root() + Oid(suffix);
}

std::string Transfer::sys_name_text() const {
    const Object* o = device_.store().find(sys_name);
    return o ? o->value.text : std::string();
}

std::int64_t Transfer::integer(std::initializer_list<std::uint32_t> suffix) const {
    const Object* o = device_.store().find(r(suffix));
    return o ? o->value.number : 0;
}

std::string Transfer::text(std::initializer_list<std::uint32_t> suffix) const {
    const Object* o = device_.store().find(r(suffix));
    return o ? o->value.text : std::string();
}

void Transfer::show(int code, int percent) {
    device_.store().assign(r({1, 15, 8, 0}), Value::integer(code));
    device_.store().assign(r({1, 15, 7, 0}), Value::octets(std::to_string(percent)));
}

int Transfer::fd() const {
    return client_ ? client_->fd() : -1;
}

void Transfer::readable() {
    if (client_)
        client_->readable();
}

void Transfer::tick() {
    if (client_)
        client_->tick();
}

void Transfer::written(const Oid& name) {
    if (name == r({1, 15, 1, 0}))
        ipv6_last_ = false;
    else if (name == r({1, 15, 2, 0}))
        ipv6_last_ = true;
    else if (name == r({1, 15, 6, 0}) && integer({1, 15, 6, 0}) == 1)
        trigger();
}

void Transfer::fail(int code) {
    running_ = false;
    show(code, 0);
}

void Transfer::trigger() {
    if (running_) {
        busy_reads_ = 2;
        return;
    }
    type_ = static_cast<int>(integer({1, 15, 4, 0}));
    slot_ = static_cast<int>(integer({1, 15, 5, 0}));
    received_.clear();
    version_.clear();
    client_.reset();
    sftp_verdict_ = 0;
    running_ = true;
    lag_ = std::exchange(lag_next_, 0);
    const bool fetch = type_ == 1 || type_ == 2 || type_ >= 11;
    // What the device goes through, as it shows it.
    steps_.clear();
    if (!fetch)
        steps_.push_back({st_prepare, false});
    steps_.push_back({st_transmit, true});
    if (type_ == 2)
        steps_.push_back({st_activating, false});
    if (type_ >= 11)
        steps_.push_back({st_send_to_card, false});
    if (type_ == 1 || type_ >= 11)
        steps_.push_back({st_write_flash, false});
    if ((type_ == 1 || type_ >= 11) && firmware_boards().size() > 1)
        steps_.push_back({st_copy_to_redundant, false});

    if (integer({1, 15, 11, 0}) == 2 && device_.store().find(r({1, 15, 11, 0}))) {
        // SFTP: the password arrives enciphered with the device's key and an IV that ends
        // with serial 1; the sim serves no SFTP server, so a good login cannot reach one.
        std::string password = text({1, 15, 13, 0});
        static const unsigned char key[17] = "Vx4150-R!pKey#9q";
        unsigned char iv[16] = {'R', '4', '1', '5', '0', '-', 's', 'f', 't', 'p', 'I', 'V'};
        const auto serial = static_cast<std::uint32_t>(integer({1, 2, 1, 1, 0}));
        for (int i = 0; i < 4; ++i)
            iv[12 + i] = static_cast<unsigned char>(serial >> (24 - 8 * i));
        std::string plain(password.size(), '\0');
        int length = 0;
        EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
        EVP_DecryptInit_ex(ctx, EVP_aes_128_cfb128(), nullptr, key, iv);
        EVP_DecryptUpdate(ctx, reinterpret_cast<unsigned char*>(plain.data()), &length,
                          reinterpret_cast<const unsigned char*>(password.data()),
                          static_cast<int>(password.size()));
        EVP_CIPHER_CTX_free(ctx);
        const bool login = sftp_ && !password.empty() && text({1, 15, 12, 0}) == sftp_->user &&
                           plain == sftp_->password;
        steps_ = {{st_transmit, false}};
        sftp_verdict_ = login ? st_unreachable : st_other;
        enter(0);
        return;
    }
    if (fetch) {
        if (!start_client(true))
            return;
    }
    enter(0);
}

bool Transfer::start_client(bool fetch) {
    const std::string host = ipv6_last_ ? text({1, 15, 2, 0}) : text({1, 15, 1, 0});
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_NUMERICHOST;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(server_port_).c_str(), &hints, &found) != 0) {
        fail(st_unreachable);
        return false;
    }
    sockaddr_storage server{};
    std::memcpy(&server, found->ai_addr, found->ai_addrlen);
    const auto length = static_cast<socklen_t>(found->ai_addrlen);
    freeaddrinfo(found);
    std::string payload;
    if (!fetch)
        payload = type_ == 3 ? running_config_ : fae_package();
    client_ = std::make_unique<TftpClient>(server, length, fetch, std::move(payload));
    if (!client_->open(text({1, 15, 3, 0}))) {
        fail(st_unreachable);
        return false;
    }
    return true;
}

void Transfer::enter(std::size_t step) {
    step_ = step;
    reads_in_step_ = 0;
    const Step& s = steps_[step];
    if (s.transmit && !client_ && !start_client(false))
        return;
    if (lag_ == 0)
        show(s.code, s.transmit ? 0 : 100);
}

void Transfer::reading(const Oid& name) {
    if (name != r({1, 15, 8, 0}) && name != r({1, 15, 7, 0}))
        return;
    const bool status = name == r({1, 15, 8, 0});
    if (status && busy_reads_ > 0) {
        --busy_reads_;
        device_.store().assign(r({1, 15, 8, 0}), Value::integer(st_busy));
        return;
    }
    if (!status || !running_)
        return;
    if (lag_ > 0) {
        // The device has not taken the request in yet: the old status is still there.
        --lag_;
        return;
    }
    if (forced_code_) {
        fail(*forced_code_);
        forced_code_.reset();
        return;
    }
    const Step& s = steps_[step_];
    const bool client_done =
        !s.transmit || (client_ && client_->state() != TftpClient::State::running);
    if (reads_in_step_ >= 2 && client_done && !hold_percent_) {
        if (s.transmit) {
            const int verdict = check_transmitted();
            if (verdict != st_ok)
                return fail(verdict);
        }
        if (step_ + 1 < steps_.size()) {
            enter(step_ + 1);
        } else {
            if (sftp_verdict_ != 0)
                fail(sftp_verdict_);
            else
                finish();
            return;
        }
    }
    ++reads_in_step_;
    if (steps_[step_].transmit && client_) {
        const std::size_t total = client_->total();
        const int percent =
            hold_percent_ ? *hold_percent_
                          : (total == 0 ? 0 : static_cast<int>(client_->moved() * 100 / total));
        show(steps_[step_].code, percent);
    } else {
        show(steps_[step_].code, hold_percent_ ? *hold_percent_ : 100);
    }
}

int Transfer::check_transmitted() {
    switch (client_->state()) {
    case TftpClient::State::not_found:
        return st_file_not_found;
    case TftpClient::State::error:
        return st_unknown_tftp_error;
    case TftpClient::State::silent:
        return st_unreachable;
    default:
        break;
    }
    received_ = client_->received();
    if (type_ == 2) {
        // A configuration parses when it begins with the header line and holds nothing but
        // printable text.
        const bool header = received_.rfind(config_header, 0) == 0;
        for (unsigned char c : received_)
            if (c < 0x20 && c != '\r' && c != '\n' && c != '\t')
                return st_unmatch_config;
        return header ? st_ok : st_unmatch_config;
    }
    if (type_ == 1 || type_ >= 11)
        return firmware_check(received_);
    return st_ok;
}

// A firmware file begins with the line "R4150 FIRMWARE <kind> <version>": kind XCU for
// the mainboard, E1T1, STM or T3 for the card families. No such line: the signature fails
// (14); another kind than the file type or the slot's card: unmatch-firmware (9); a slot
// without a card that takes firmware: send-firmware-to-card-fail (13).
int Transfer::firmware_check(const std::string& data) {
    const std::string line = data.substr(0, data.find_first_of("\r\n"));
    char kind[16] = {}, version[32] = {};
    if (std::sscanf(line.c_str(), "R4150 FIRMWARE %15s %31s", kind, version) != 2)
        return st_bad_signature;
    const std::string wanted = type_ == 1    ? "XCU"
                               : type_ == 12 ? "E1T1"
                               : type_ == 11 ? "STM"
                                             : "T3";
    if (kind != wanted)
        return st_unmatch_firmware;
    if (type_ >= 11) {
        const Family family = device_.card_family(slot_);
        if (family == none)
            return st_send_to_card_fail;
        const bool fits = type_ == 12   ? (family == e1 || family == t1)
                          : type_ == 11 ? (family == sdh || family == sonet)
                                        : family == t3;
        if (!fits)
            return st_unmatch_firmware;
    }
    version_ = version;
    return st_ok;
}

// The boards a firmware file goes to: the mainboard and a present standby controller, or
// the card and its protected partner.
std::vector<int> Transfer::firmware_boards() const {
    if (type_ == 1)
        return integer({1, 2, 1, 12, 0}) == 2 ? std::vector<int>{1, 2} : std::vector<int>{1};
    std::vector<int> boards{slot_ + 2};
    if (const int partner = device_.protected_partner(slot_); partner != 0)
        boards.push_back(partner + 2);
    return boards;
}

void Transfer::finish() {
    running_ = false;
    if (type_ == 2)
        running_config_ = received_;
    if (!version_.empty()) {
        // The new firmware goes to the bank that is not running; the active bank changes
        // only at the next reset.
        for (int board : firmware_boards()) {
            const auto b = static_cast<std::uint32_t>(board);
            const std::uint32_t inactive = integer({1, 2, 2, 1, 1, 5, b}) == 1 ? 4 : 3;
            device_.store().assign(r({1, 2, 2, 1, 1, inactive, b}), Value::octets(version_));
        }
    }
    show(st_ok, 100);
}

std::string Transfer::fae_package() const {
    std::string p = "R4150 FAE package\r\nsysName " + sys_name_text() + "\r\nserial " +
                    std::to_string(integer({1, 2, 1, 1, 0})) + "\r\n";
    // Enough bytes for several blocks, all derived from the scenario.
    for (int i = 0; i < 64; ++i)
        p += "log " + std::to_string(i) + " " + running_config_.substr(0, 40) + "\r\n";
    return p;
}

std::string Transfer::command(const std::string& cmd, const std::string& arg1, const std::string&) {
    const int n = to_number(arg1, -1);
    if (cmd == "transfer-hold" && (arg1 == "off" || (n >= 0 && n <= 100))) {
        hold_percent_ = arg1 == "off" ? std::nullopt : std::optional<int>(n);
        return "ok\n";
    }
    if (cmd == "transfer-force" && n >= 0) {
        forced_code_ = n;
        return "ok\n";
    }
    if (cmd == "transfer-port" && n >= 1 && n <= 65535) {
        server_port_ = n;
        return "ok\n";
    }
    if (cmd == "transfer-lag" && n >= 0) {
        lag_next_ = n;
        return "ok\n";
    }
    if (cmd == "transfer-config")
        return "ok\n" + running_config_ + (running_config_.ends_with('\n') ? "" : "\n");
    return "error: unknown or malformed transfer command\n";
}

} // namespace vornex::sim
