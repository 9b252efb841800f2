// The server on its own thread and socket, on loopback, against TFTP clients we did not
// write (tftp-hpa's tftp, atftp, curl) and against hand-made packets where a client would
// not send what the case needs.
#include "scratch_files.h"
#include "transfer/tftp_runner.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <sys/socket.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace fs = std::filesystem;

namespace vornex::tftp {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::read_file;
using test::write_file;

class Recorder : public TftpListener {
public:
    void status_changed(const TftpStatus& status) override {
        std::lock_guard lock(mutex_);
        last_ = status;
        changed_.notify_all();
    }
    // No case here expects a socket error.
    void error_box(const std::string& text) override { ADD_FAILURE() << text; }
    // Waits until the server has taken a request after the one waited for last, and is idle
    // again with this status text; false after 10 seconds.
    bool wait_done(const std::string& status) {
        std::unique_lock lock(mutex_);
        const bool done = changed_.wait_for(lock, std::chrono::seconds(10), [&] {
            return last_.requests > waited_ && !last_.active && last_.status == status;
        });
        waited_ = last_.requests;
        return done;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    TftpStatus last_;
    int waited_ = 0;
};

Bytes pattern(std::size_t size, unsigned seed) {
    Bytes b(size);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& byte : b) {
        x = x * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(x >> 24);
    }
    return b;
}

// A bare UDP client on loopback for the cases no ready-made client sends.
class RawClient {
public:
    explicit RawClient(std::uint16_t server_port) {
        const sockaddr_in server{AF_INET, htons(server_port), {htonl(INADDR_LOOPBACK)}, {}};
        ::connect(fd_, reinterpret_cast<const sockaddr*>(&server), sizeof server);
    }
    ~RawClient() { ::close(fd_); }

    void send(const Bytes& packet) { ::send(fd_, packet.data(), packet.size(), 0); }
    // The next datagram, or an empty one when nothing came within `ms`.
    Bytes receive(int ms = 2000) {
        pollfd p{fd_, POLLIN, 0};
        Bytes b(1600);
        const ssize_t n = ::poll(&p, 1, ms) > 0 ? ::recv(fd_, b.data(), b.size(), 0) : 0;
        b.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return b;
    }

private:
    const int fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
};

// An opcode followed by NUL-terminated strings: a request, an OACK, an ERROR.
Bytes strings(std::uint16_t opcode, const std::vector<std::string>& parts) {
    Bytes b{0, static_cast<std::uint8_t>(opcode)};
    for (const std::string& s : parts) {
        b.insert(b.end(), s.begin(), s.end());
        b.push_back(0);
    }
    return b;
}

class TftpInterop : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(root / "sub");
        fs::create_directory(dir / "log");
        write_file(dir / "x", pattern(100, 99));
        tftp_server_params params;
        ASSERT_TRUE(set_local_address(params, "127.0.0.1"));
        params.root_folder = root.string();
        params.port = 0;
        ASSERT_TRUE(runner.start(params));
        port = std::to_string(runner.port());
    }
    void TearDown() override { runner.stop(); }

    int run(const std::string& command) {
        return std::system(
            ("cd " + dir.string() + " && " + command + " >>log/client.log 2>&1").c_str());
    }
    // The names and sizes outside the root folder, to prove a refused request touched nothing.
    std::set<std::string> outside() {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir)) {
            names.insert(e.path().filename().string() + ":" +
                         std::to_string(e.is_regular_file() ? e.file_size() : 0));
        }
        return names;
    }

    test::ScratchDir scratch;
    const fs::path dir = scratch.path();
    const fs::path root = dir / "root";
    std::string port;
    Recorder recorder;
    TftpServerRunner runner{recorder};
};

struct Client {
    const char* name;
    std::string get; // shell commands of $R remote name, $L local file, $P port
    std::string put;
};

TEST_F(TftpInterop, ClientsFetchAndStoreFilesByteForByte) {
    const std::vector<Client> clients = {
        {"tftp", "tftp 127.0.0.1 $P -m binary -c get $R $L",
         "tftp 127.0.0.1 $P -m binary -c put $L $R"},
        {"atftp", "atftp -g -r $R -l $L 127.0.0.1 $P", "atftp -p -l $L -r $R 127.0.0.1 $P"},
        {"atftp-options",
         "atftp --option 'blksize 1024' --option 'tsize 0' --option 'timeout 2' -g -r $R -l $L "
         "127.0.0.1 $P",
         "atftp --option 'blksize 1428' --option 'tsize 0' -p -l $L -r $R 127.0.0.1 $P"},
        {"curl", "curl -sS -o $L tftp://127.0.0.1:$P/$R", "curl -sS -T $L tftp://127.0.0.1:$P/$R"},
        {"curl-no-options", "curl -sS --tftp-no-options -o $L tftp://127.0.0.1:$P/$R",
         "curl -sS --tftp-no-options -T $L tftp://127.0.0.1:$P/$R"},
        {"curl-1468", "curl -sS -v --tftp-blksize 1468 -o $L tftp://127.0.0.1:$P/$R",
         "curl -sS --tftp-blksize 1468 -T $L tftp://127.0.0.1:$P/$R"},
    };
    const std::vector<std::size_t> sizes = {0, 511, 512, 1024, 1025, 20 * 1000 * 1000};
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        write_file(root / ("f" + std::to_string(sizes[i])), pattern(sizes[i], i));
    }
    for (const Client& c : clients) {
        const std::string program = c.get.substr(0, c.get.find(' '));
        if (std::system(("command -v " + program + " >/dev/null").c_str()) != 0) {
            ADD_FAILURE() << program << " is not installed (scripts/setup installs it)";
            continue;
        }
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            const std::string name = "f" + std::to_string(sizes[i]);
            const std::string local = std::string(c.name) + "-" + name;
            run("R=" + name + " L=" + local + " P=" + port + "; " + c.get);
            EXPECT_TRUE(recorder.wait_done("Transfer Complete!")) << c.name << " get " << name;
            EXPECT_EQ(read_file(dir / local), pattern(sizes[i], i)) << c.name << " get " << name;

            const std::string stored = "sub/" + local;
            run("R=" + stored + " L=" + local + " P=" + port + "; " + c.put);
            EXPECT_TRUE(recorder.wait_done("Transfer Complete!")) << c.name << " put " << name;
            EXPECT_EQ(read_file(root / stored), pattern(sizes[i], i)) << c.name << " put " << name;
            fs::remove(dir / local);
        }
    }
    // curl took the block size it asked for and the file's size from the OACK.
    const std::string log = test::read_text(dir / "log/client.log");
    EXPECT_NE(log.find("blksize parsed from OACK (1468) requested (1468)"), std::string::npos);
    EXPECT_NE(log.find("tsize parsed from OACK (20000000)"), std::string::npos);
}

// A named pipe must neither hang the server nor be read, and a folder is no file either; a
// read-only file is not replaced, and links leading out of the root are not followed.
TEST_F(TftpInterop, OnlyRegularFilesInsideTheRootAreServedOrReplaced) {
    const std::set<std::string> before = outside();
    ASSERT_EQ(::mkfifo((root / "pipe").c_str(), 0644), 0);
    const auto read_only = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    write_file(root / "ro", pattern(10, 1));
    fs::permissions(root / "ro", read_only);
    fs::create_symlink(dir / "x", root / "out");
    fs::create_directory_symlink(dir, root / "up");
    const std::string read_error("\0\2File read error.", 18), refused("\0\2Access violation.", 19);
    RawClient client(runner.port());
    using Row = std::tuple<std::uint16_t, const char*, std::string>;
    for (const auto& [opcode, name, error] :
         {Row{op_rrq, "pipe", read_error}, Row{op_rrq, "sub", read_error},
          Row{op_wrq, "sub", refused}, Row{op_wrq, "ro", refused}, Row{op_rrq, "out", refused},
          Row{op_wrq, "out", refused}, Row{op_rrq, "up/x", refused},
          Row{op_wrq, "up/y", refused}}) {
        client.send(strings(opcode, {name, "octet"}));
        EXPECT_EQ(client.receive(), strings(op_error, {error})) << name;
        EXPECT_TRUE(error == refused || recorder.wait_done("File read error.")) << name;
    }
    EXPECT_EQ(read_file(root / "ro"), pattern(10, 1));
    EXPECT_EQ(fs::status(root / "ro").permissions(), read_only);
    EXPECT_TRUE(fs::is_symlink(root / "out"));
    EXPECT_EQ(outside(), before);

    // A file that may be written is replaced and keeps its mode.
    write_file(root / "rw", pattern(10, 2));
    fs::permissions(root / "rw", fs::perms::owner_read | fs::perms::owner_write);
    run("atftp -p -l x -r rw 127.0.0.1 " + port);
    EXPECT_TRUE(recorder.wait_done("Transfer Complete!"));
    EXPECT_EQ(read_file(root / "rw"), pattern(100, 99));
    EXPECT_EQ(fs::status(root / "rw").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
}

// The runner's own tick resends an unanswered packet; a stop mid-upload leaves no file.
TEST_F(TftpInterop, UnansweredPacketsAreResentAndStoppingMidUploadLeavesNoFile) {
    write_file(root / "a", pattern(10, 7));
    RawClient client(runner.port());
    client.send(strings(op_rrq, {"a", "octet", "timeout", "1"}));
    const Bytes oack = client.receive();
    EXPECT_EQ(oack, strings(op_oack, {"timeout", "1"}));
    // Resent after 1 second, then after 2 more.
    EXPECT_EQ(client.receive(1800), oack);
    EXPECT_EQ(client.receive(2800), oack);

    client.send(strings(op_error, {std::string(2, '\0')})); // the client gives up the read
    client.send(strings(op_wrq, {"half", "octet"}));
    EXPECT_EQ(client.receive(), (Bytes{0, op_ack, 0, 0}));
    Bytes data = {0, op_data, 0, 1};
    data.resize(516, 'z');
    client.send(data);
    EXPECT_EQ(client.receive(), (Bytes{0, op_ack, 0, 1}));
    runner.stop();
    EXPECT_FALSE(runner.running());
    EXPECT_TRUE(fs::is_empty(root / "sub"));
    EXPECT_EQ(std::distance(fs::directory_iterator(root), fs::directory_iterator()), 2); // a, sub
}

} // namespace
} // namespace vornex::tftp
