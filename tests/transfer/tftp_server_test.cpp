// The TFTP protocol core driven by hand: a fake platform records what would go on the wire
// and the ticks stand in for the clock, so time-outs take no real time.
#include "transfer/tftp_server.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <netinet/in.h>
#include <vector>

namespace vornex::tftp {
namespace {

using Bytes = std::vector<std::uint8_t>;

Peer peer(std::uint16_t port, std::uint32_t host = 0x7f000001) {
    const sockaddr_in in{AF_INET, htons(port), {htonl(host)}, {}};
    Peer p{{}, sizeof in};
    std::memcpy(p.bytes.data(), &in, sizeof in);
    return p;
}

// An opcode followed by NUL-terminated strings: a request, an OACK, an ERROR.
Bytes strings(std::uint16_t opcode, const std::vector<std::string>& parts) {
    Bytes b{0, static_cast<std::uint8_t>(opcode)};
    for (const std::string& s : parts) {
        b.insert(b.end(), s.begin(), s.end());
        b.push_back(0);
    }
    return b;
}

Bytes request(std::uint16_t opcode, const std::string& name, std::vector<std::string> options = {},
              const std::string& mode = "octet") {
    options.insert(options.begin(), {name, mode});
    return strings(opcode, options);
}

Bytes packet(std::uint16_t opcode, std::uint16_t block, const Bytes& data = {}) {
    Bytes b{0, static_cast<std::uint8_t>(opcode), static_cast<std::uint8_t>(block >> 8),
            static_cast<std::uint8_t>(block & 0xff)};
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// An ERROR packet as the server should word it (codes below 256).
Bytes error_packet(std::uint8_t code, const std::string& text) {
    return strings(op_error, {std::string{'\0', static_cast<char>(code)} + text});
}

// Bytes `from` up to `to` of a file whose byte i is i * 7 + i / 251.
Bytes pattern(std::size_t to, std::size_t from = 0) {
    Bytes b;
    for (std::size_t i = from; i < to; ++i)
        b.push_back(static_cast<std::uint8_t>(i * 7 + i / 251));
    return b;
}

class FakePlatform : public TftpPlatform {
public:
    int send_to(const Peer& to, std::span<const std::uint8_t> p) override {
        sent.emplace_back(p.begin(), p.end());
        this->to.push_back(to);
        return send_error;
    }
    int start_timer() override {
        timer = timer_error == 0;
        return timer_error;
    }
    void stop_timer() override { timer = false; }
    void status_changed(const TftpStatus&) override {}
    void error_box(const std::string& text) override { boxes.push_back(text); }

    std::vector<Bytes> sent;
    std::vector<Peer> to;
    std::vector<std::string> boxes;
    bool timer = false;
    int send_error = 0;
    int timer_error = 0;
};

class FakeFiles : public TftpFiles {
public:
    struct Reader : TftpReadFile {
        explicit Reader(const Bytes& data) : data(data) {}
        std::optional<std::int64_t> size() override { return data.size(); }
        long read(std::uint8_t* out, std::size_t length) override {
            const std::size_t n = std::min(length, data.size() - at);
            std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(at), n, out);
            at += n;
            return static_cast<long>(n);
        }
        const Bytes& data;
        std::size_t at = 0;
    };
    // Fails a write that goes past write_limit bytes; puts the file in place only on commit().
    struct Writer : TftpWriteFile {
        Writer(FakeFiles& files, std::string path) : files(files), path(std::move(path)) {}
        bool write(const std::uint8_t* data, std::size_t length) override {
            ++files.writes;
            got.insert(got.end(), data, data + length);
            return got.size() <= files.write_limit;
        }
        bool commit() override {
            files.files[path] = got;
            return true;
        }
        FakeFiles& files;
        std::string path;
        Bytes got;
    };

    std::unique_ptr<TftpReadFile> open_read(const std::string& path) override {
        opened.push_back(path);
        const auto it = files.find(path);
        return it == files.end() ? nullptr : std::make_unique<Reader>(it->second);
    }
    std::unique_ptr<TftpWriteFile> create(const std::string& path) override {
        opened.push_back(path);
        return std::make_unique<Writer>(*this, path);
    }
    std::optional<std::string> resolve(const std::string&, const std::string& path) override {
        return path;
    }

    std::map<std::string, Bytes> files;
    std::vector<std::string> opened;
    std::size_t write_limit = SIZE_MAX;
    int writes = 0;
};

class TftpServerTest : public ::testing::Test {
protected:
    void receive(const Bytes& b, const Peer& from) { server.tftp_server(b, from); }
    void receive(const Bytes& b) { receive(b, client); }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            server.tick();
    }
    const Bytes& last() const { return platform.sent.back(); }
    std::string status() const { return server.status().status; }

    FakePlatform platform;
    FakeFiles files;
    TftpServer server{"/srv/tftp/", platform, files};
    Peer client = peer(40000);
};

// Each request's options and the first answer: an OACK of the options taken, or block 1 at
// once when none was.
TEST_F(TftpServerTest, OptionsAreAnsweredWithWhatWasTakenAndDataWaitsForAckZero) {
    files.files["/srv/tftp/a.bin"] = pattern(3000);
    const Bytes block1 = packet(op_data, 1, pattern(512));
    const struct {
        std::vector<std::string> options;
        Bytes answer;
    } cases[] = {
        {{"BLKSIZE", "1468", "tsize", "0", "timeout", "3"},
         strings(op_oack, {"blksize", "1468", "tsize", "3000", "timeout", "3"})},
        {{"blksize", "2048"}, strings(op_oack, {"blksize", "512"})}, // too large: the one in force
        {{"windowsize", "4", "blksize", "8"}, strings(op_oack, {"blksize", "8"})}, // unknown: skip
        {{"blksize", "1500"}, strings(op_oack, {"blksize", "1500"})},
        {{"timeout", "0"}, block1}, // a time-out out of range is not echoed
        {{"timeout", "300"}, block1},
    };
    for (const auto& c : cases) {
        platform.sent.clear();
        receive(request(op_rrq, "a.bin", c.options));
        ASSERT_EQ(platform.sent.size(), 1u) << c.options[1];
        EXPECT_EQ(last(), c.answer) << c.options[1];
        receive(error_packet(0, ""));
        EXPECT_FALSE(server.active());
    }

    receive(request(op_rrq, "a.bin", {"blksize", "1468"}));
    receive(packet(op_ack, 0));
    EXPECT_EQ(last(), packet(op_data, 1, pattern(1468)));
    EXPECT_EQ(status(), "Sending 1     ");
    receive(packet(op_ack, 1));
    receive(packet(op_ack, 2));
    EXPECT_EQ(last(), packet(op_data, 3, pattern(3000, 2936)));
    receive(packet(op_ack, 3));
    EXPECT_EQ(status(), "Transfer Complete!");
    EXPECT_FALSE(platform.timer);
}

TEST_F(TftpServerTest, FilesEndingOnABlockBoundaryEndWithAnEmptyBlock) {
    files.files["/srv/tftp/k"] = pattern(1024); // \r, \n and NUL go as they are in netascii
    files.files["/srv/tftp/empty"] = {};
    receive(request(op_rrq, "k", {}, "netascii"));
    receive(packet(op_ack, 1));
    receive(packet(op_ack, 2));
    receive(packet(op_ack, 3));
    EXPECT_EQ(platform.sent,
              (std::vector<Bytes>{packet(op_data, 1, pattern(512)),
                                  packet(op_data, 2, pattern(1024, 512)), packet(op_data, 3)}));
    EXPECT_FALSE(server.active());

    // Without an OACK: its size of 0 is not announced, and nothing else was asked.
    receive(request(op_rrq, "empty", {"tsize", "0"}));
    EXPECT_EQ(last(), packet(op_data, 1));
    receive(packet(op_ack, 1));
    EXPECT_EQ(status(), "Transfer Complete!");
}

TEST_F(TftpServerTest, StaleAndForeignPacketsChangeNothing) {
    files.files["/srv/tftp/a"] = pattern(2000);
    const Peer second = peer(40000, 0x7f000002);
    receive(request(op_rrq, "a"));
    receive(packet(op_ack, 0));              // stale
    receive(packet(op_data, 1, {1}));        // a DATA in a read transfer
    receive(Bytes{0, 4, 0});                 // too short to be anything
    receive(packet(op_ack, 1), peer(40001)); // same host, other port
    receive(request(op_rrq, "a"), second);   // a second client
    receive(request(op_wrq, "b"), peer(40002));
    ASSERT_EQ(platform.sent.size(), 1u);
    EXPECT_EQ(server.status().client, "127.0.0.1");
    receive(packet(op_ack, 1));
    EXPECT_EQ(last(), packet(op_data, 2, pattern(1024, 512)));
    EXPECT_TRUE(platform.to.back().same_as(client));

    // Once the first is done, the second client is served.
    for (std::uint16_t block = 2; block <= 4; ++block)
        receive(packet(op_ack, block));
    EXPECT_EQ(status(), "Transfer Complete!");
    receive(request(op_rrq, "a"), second);
    EXPECT_EQ(last(), packet(op_data, 1, pattern(512)));
    EXPECT_TRUE(platform.to.back().same_as(second));
}

TEST_F(TftpServerTest, SilentClientIsRetriedWithDoublingDelaysThenTimedOut) {
    files.files["/srv/tftp/a"] = pattern(600);
    receive(request(op_rrq, "a"));
    ASSERT_TRUE(platform.timer);
    std::vector<int> resent_at;
    int second = 0;
    while (server.active() && ++second <= 80) {
        const std::size_t before = platform.sent.size();
        server.tick();
        if (platform.sent.size() > before)
            resent_at.push_back(second);
        if (second == 6) { // one second into the ten-second wait after the first resend
            EXPECT_EQ(server.status().timeout, 1);
            EXPECT_EQ(server.status().retries, 1);
        }
    }
    EXPECT_EQ(second, 75);
    EXPECT_EQ(resent_at, (std::vector<int>{5, 15, 35}));
    EXPECT_EQ(platform.sent, std::vector<Bytes>(4, platform.sent.front()));
    EXPECT_FALSE(platform.timer);
    EXPECT_EQ(status(), "Timed-out");
    EXPECT_EQ(server.status().retries, 4);

    // An answer after a resend restarts the count for the next block.
    platform.sent.clear();
    receive(request(op_rrq, "a", {"timeout", "2"}));
    ticks(2);
    ASSERT_EQ(platform.sent.size(), 2u); // the OACK and its resend
    receive(packet(op_ack, 0));
    ticks(1);
    EXPECT_EQ(server.status().retries, 0);
    EXPECT_EQ(server.status().timeout, 1);
}

TEST_F(TftpServerTest, BlockNumbersWrapAfter65535) {
    const Bytes data = pattern(65536 * 8 + 3);
    files.files["/srv/tftp/big"] = data;
    receive(request(op_rrq, "big", {"blksize", "8"}));
    Bytes got;
    std::uint16_t block = 0;
    bool saw_zero = false;
    for (int guard = 0; guard < 70000 && server.active(); ++guard) {
        receive(packet(op_ack, block));
        if (!server.active())
            break;
        const Bytes& p = last();
        ASSERT_EQ(p[1], op_data);
        block = static_cast<std::uint16_t>(p[2] << 8 | p[3]);
        saw_zero = saw_zero || block == 0;
        got.insert(got.end(), p.begin() + 4, p.end());
    }
    EXPECT_TRUE(saw_zero); // block 65,536 is numbered 0
    EXPECT_EQ(block, 1u);
    EXPECT_EQ(status(), "Transfer Complete!");
    EXPECT_EQ(got, data);
}

TEST_F(TftpServerTest, WriteAcknowledgesEachBlockOnceAndAShortWriteIsAnError) {
    receive(request(op_wrq, "fw/app.run", {"tsize", "1100"}));
    EXPECT_EQ(files.opened, std::vector<std::string>{"/srv/tftp/fw/app.run"});
    receive(packet(op_data, 1, pattern(512)));
    receive(packet(op_data, 2, pattern(1024, 512)));
    EXPECT_EQ(status(), "Receiving 2     ");
    receive(packet(op_data, 2, pattern(1024, 512)));
    EXPECT_EQ(files.writes, 2);
    EXPECT_EQ(files.files.count("/srv/tftp/fw/app.run"), 0u); // not in place before the end
    receive(packet(op_data, 3, pattern(1100, 1024)));
    // A duplicate's ACK is repeated; the final ACK goes once.
    EXPECT_EQ(platform.sent,
              (std::vector<Bytes>{strings(op_oack, {"tsize", "1100"}), packet(op_ack, 1),
                                  packet(op_ack, 2), packet(op_ack, 2), packet(op_ack, 3)}));
    EXPECT_EQ(status(), "Transfer Complete!");
    EXPECT_FALSE(server.active());
    EXPECT_EQ(files.files["/srv/tftp/fw/app.run"], pattern(1100));

    files.write_limit = 700;
    receive(request(op_wrq, "x"));
    receive(packet(op_data, 1, pattern(512)));
    receive(packet(op_data, 2, pattern(512)));
    EXPECT_EQ(last(), error_packet(3, "File write error."));
    EXPECT_EQ(status(), "File write error!");
    EXPECT_FALSE(server.active());
    EXPECT_EQ(files.files.count("/srv/tftp/x"), 0u);
}

TEST_F(TftpServerTest, ALostFinalAckIsRepeatedWhileTheClientMayResend) {
    receive(request(op_wrq, "cfg\\x")); // no options: ACK 0 at once; a backslash separates
    EXPECT_EQ(last(), packet(op_ack, 0));
    EXPECT_EQ(status(), "Receiving 0     ");
    receive(packet(op_data, 1, pattern(100)));
    ASSERT_EQ(status(), "Transfer Complete!");
    EXPECT_EQ(files.files["/srv/tftp/cfg/x"], pattern(100));
    const std::size_t sent = platform.sent.size();
    receive(packet(op_data, 1, pattern(100)), peer(40001)); // another client
    receive(packet(op_data, 0, pattern(100)));              // another block
    ticks(74);
    receive(packet(op_data, 1, pattern(100)));
    ASSERT_EQ(platform.sent.size(), sent + 1);
    EXPECT_EQ(last(), packet(op_ack, 1));
    EXPECT_TRUE(platform.to.back().same_as(client));
    EXPECT_EQ(files.writes, 1);
    // Once the client would have given up, the server falls silent and its tick stops.
    ticks(1);
    EXPECT_FALSE(platform.timer);
    receive(packet(op_data, 1, pattern(100)));
    EXPECT_EQ(platform.sent.size(), sent + 1);
}

TEST_F(TftpServerTest, OverlongPathsAreRefused) {
    const std::string root(248, 'r');
    TftpServer deep(root + "/", platform, files);
    files.files[root + "/abcdefghij"] = pattern(5);
    deep.tftp_server(request(op_rrq, "abcdefghij"), client); // 259 characters: served
    EXPECT_EQ(last(), packet(op_data, 1, pattern(5)));
    deep.tftp_server(error_packet(0, ""), client);

    TftpServer deeper(std::string(249, 'r'), platform, files); // the separator is added
    deeper.tftp_server(request(op_rrq, "abcdefghij"), client);
    EXPECT_EQ(last(), error_packet(1, "File not found."));
    EXPECT_EQ(deeper.status().status, "File not found.");
    deeper.tftp_server(request(op_wrq, "abcdefghij"), client);
    EXPECT_EQ(last(), error_packet(2, "Access violation."));
    EXPECT_FALSE(deeper.active());
    EXPECT_EQ(files.opened.size(), 1u);
}

TEST_F(TftpServerTest, NamesThatClimbOutOfTheRootAreRefusedUnopened) {
    for (const char* name :
         {"../x", "/etc/passwd", "a/../../x", "C:\\x", "c:x", "a\\..\\..\\x", "\\x", ".."}) {
        for (std::uint16_t op : {op_rrq, op_wrq}) {
            receive(request(op, name));
            EXPECT_EQ(last(), error_packet(2, "Access violation.")) << name;
            EXPECT_EQ(status(), "Access violation.") << name;
            EXPECT_EQ(server.status().filename, name);
            EXPECT_FALSE(server.active());
        }
    }
    EXPECT_TRUE(files.opened.empty());
    // Dots inside a name are harmless.
    receive(request(op_rrq, "a..b/..c"));
    EXPECT_EQ(files.opened, std::vector<std::string>{"/srv/tftp/a..b/..c"});
}

TEST_F(TftpServerTest, MissingFileAndClientErrors) {
    receive(request(op_rrq, "nothere"));
    EXPECT_EQ(last(), error_packet(1, "File not found."));
    EXPECT_EQ(status(), "File not found.");
    EXPECT_FALSE(platform.timer);

    files.files["/srv/tftp/a"] = pattern(5000);
    receive(request(op_rrq, "a"));
    receive(error_packet(3, "Disk full or allocation exceeded"));
    EXPECT_EQ(status(), "Error 3 : Disk full or allocation exceeded" + std::string(28, ' '));
    EXPECT_FALSE(server.active());
    EXPECT_FALSE(platform.timer);
    // A long text is cut to the status line's 80 characters.
    receive(request(op_rrq, "a"));
    receive(error_packet(12, std::string(100, 'z')));
    EXPECT_EQ(status(), "Error 12: " + std::string(70, 'z'));
}

TEST_F(TftpServerTest, SendFailuresEndTheTransferButWouldBlockDoesNot) {
    files.files["/srv/tftp/a"] = pattern(2000);
    platform.send_error = EAGAIN;
    receive(request(op_rrq, "a"));
    EXPECT_TRUE(server.active());
    EXPECT_TRUE(platform.boxes.empty());

    platform.send_error = 0;
    receive(packet(op_ack, 1));
    platform.send_error = ECONNREFUSED;
    receive(packet(op_ack, 2));
    EXPECT_FALSE(server.active());
    EXPECT_EQ(platform.boxes,
              std::vector<std::string>{"Socket Error, tftp_send_data() (connection refused)"});

    receive(request(op_rrq, "a", {"tsize", "0"}));
    EXPECT_FALSE(server.active());
    EXPECT_EQ(platform.boxes.back(), "Socket Error, tftp_send_rsp() (connection refused)");
}

TEST_F(TftpServerTest, WithoutATimerTheTransferGoesOnUnretried) {
    files.files["/srv/tftp/a"] = pattern(10);
    platform.timer_error = ENOMEM;
    receive(request(op_rrq, "a"));
    EXPECT_EQ(platform.boxes, std::vector<std::string>{"SetTimer error (out of memory)"});
    ticks(100);
    EXPECT_EQ(platform.sent.size(), 1u);
    receive(packet(op_ack, 1));
    EXPECT_EQ(status(), "Transfer Complete!");
}

// An unknown socket error's code is in the bind failures of the status window and tftp-serve
// tests.
TEST(TftpTexts, StatusLinesAndSocketErrors) {
    EXPECT_EQ(tftp_status_lines({"10.0.0.7", "fw/app.run", "Sending 12    ", 2, 1, true, 1}),
              (std::array<std::string, 5>{
                  "Client: 10.0.0.7       ", "Filename: fw/app.run" + std::string(128, ' '),
                  "Status: Sending 12    " + std::string(66, ' '), "Timeout: 2", "Retries: 1"}));
    EXPECT_EQ(
        socket_error_text("TFTP Server bind failed. (Another TFTP Server may be active.", EACCES),
        "TFTP Server bind failed. (Another TFTP Server may be active. (permission denied)");
}

} // namespace
} // namespace vornex::tftp
