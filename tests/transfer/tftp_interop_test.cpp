// The server on its own thread and socket, on loopback, against TFTP clients we did not
// write (tftp-hpa's tftp, atftp, curl) and against hand-made packets where a client would
// not send what the case needs.
#include "scratch_files.h"
#include "transfer/tftp_runner.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
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
        statuses_.push_back(status);
        changed_.notify_all();
    }
    void error_box(const std::string& text) override {
        std::lock_guard lock(mutex_);
        boxes_.push_back(text);
        changed_.notify_all();
    }
    // Waits until the server has taken a request after the one waited for last, and is idle
    // again with this status text; false after 10 seconds.
    bool wait_done(const std::string& status) {
        std::unique_lock lock(mutex_);
        const bool done = changed_.wait_for(lock, std::chrono::seconds(10), [&] {
            return !statuses_.empty() && statuses_.back().requests > waited_ &&
                   !statuses_.back().active && statuses_.back().status == status;
        });
        if (!statuses_.empty()) {
            waited_ = statuses_.back().requests;
        }
        return done;
    }
    // Waits until the last status passes `test`; false after 10 seconds.
    bool wait_for(const std::function<bool(const TftpStatus&)>& test) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10),
                                 [&] { return !statuses_.empty() && test(statuses_.back()); });
    }
    TftpStatus last() {
        std::lock_guard lock(mutex_);
        return statuses_.empty() ? TftpStatus{} : statuses_.back();
    }
    std::vector<std::string> boxes() {
        std::lock_guard lock(mutex_);
        return boxes_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<TftpStatus> statuses_;
    std::vector<std::string> boxes_;
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

bool have(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null").c_str()) == 0;
}

// A bare UDP client on loopback for the cases no ready-made client sends.
class RawClient {
public:
    explicit RawClient(std::uint16_t server_port) {
        fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
        server_.sin_family = AF_INET;
        server_.sin_port = htons(server_port);
        server_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    }
    ~RawClient() { ::close(fd_); }

    void send(const Bytes& packet) {
        ::sendto(fd_, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&server_),
                 sizeof server_);
    }
    // The next datagram, or an empty one when nothing came within `ms`.
    Bytes receive(int ms = 2000) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, ms) <= 0) {
            return {};
        }
        Bytes b(1600);
        const ssize_t n = ::recv(fd_, b.data(), b.size(), 0);
        b.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return b;
    }

private:
    int fd_;
    sockaddr_in server_{};
};

Bytes strings(std::uint16_t opcode, const std::vector<std::string>& parts) {
    Bytes b{0, static_cast<std::uint8_t>(opcode)};
    for (const std::string& s : parts) {
        b.insert(b.end(), s.begin(), s.end());
        b.push_back(0);
    }
    return b;
}

Bytes ack(std::uint16_t block) {
    return {0, op_ack, static_cast<std::uint8_t>(block >> 8),
            static_cast<std::uint8_t>(block & 0xff)};
}

class TftpInterop : public ::testing::Test {
protected:
    void SetUp() override {
        root = dir / "root";
        fs::create_directories(root / "sub");
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
            ("cd " + dir.string() + " && " + command + " >>client.log 2>&1").c_str());
    }
    // Everything outside the root folder, to prove a refused request touched nothing.
    std::vector<std::string> outside() {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir)) {
            if (e.path().filename() != "client.log" && e.path().filename() != "root") {
                names.push_back(e.path().filename().string() + ":" +
                                std::to_string(e.is_regular_file() ? e.file_size() : 0));
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    test::ScratchDir scratch;
    const fs::path dir = scratch.path();
    fs::path root;
    std::string port;
    Recorder recorder;
    TftpServerRunner runner{recorder};
};

struct Client {
    const char* name;
    const char* program;
    std::string get; // %R remote name, %L local file, %P port
    std::string put;
};

std::string fill(std::string command, const std::string& remote, const std::string& local,
                 const std::string& port) {
    for (const auto& [key, value] :
         {std::pair<std::string, std::string>{"%R", remote}, {"%L", local}, {"%P", port}}) {
        for (std::size_t at; (at = command.find(key)) != std::string::npos;) {
            command.replace(at, key.size(), value);
        }
    }
    return command;
}

TEST_F(TftpInterop, ClientsFetchAndStoreFilesByteForByte) {
    const std::vector<Client> clients = {
        {"tftp", "tftp", "tftp 127.0.0.1 %P -m binary -c get %R %L",
         "tftp 127.0.0.1 %P -m binary -c put %L %R"},
        {"atftp", "atftp", "atftp -g -r %R -l %L 127.0.0.1 %P",
         "atftp -p -l %L -r %R 127.0.0.1 %P"},
        {"atftp-options", "atftp",
         "atftp --option 'blksize 1024' --option 'tsize 0' --option 'timeout 2' -g -r %R -l %L "
         "127.0.0.1 %P",
         "atftp --option 'blksize 1428' --option 'tsize 0' -p -l %L -r %R 127.0.0.1 %P"},
        {"curl", "curl", "curl -sS -o %L tftp://127.0.0.1:%P/%R",
         "curl -sS -T %L tftp://127.0.0.1:%P/%R"},
        {"curl-no-options", "curl", "curl -sS --tftp-no-options -o %L tftp://127.0.0.1:%P/%R",
         "curl -sS --tftp-no-options -T %L tftp://127.0.0.1:%P/%R"},
        {"curl-1468", "curl", "curl -sS --tftp-blksize 1468 -o %L tftp://127.0.0.1:%P/%R",
         "curl -sS --tftp-blksize 1468 -T %L tftp://127.0.0.1:%P/%R"},
    };
    const std::vector<std::size_t> sizes = {0, 511, 512, 1024, 1025, 20 * 1000 * 1000};
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        write_file(root / ("f" + std::to_string(sizes[i])), pattern(sizes[i], i));
    }
    for (const Client& c : clients) {
        if (!have(c.program)) {
            ADD_FAILURE() << c.program << " is not installed (scripts/setup installs it)";
            continue;
        }
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            const std::string name = "f" + std::to_string(sizes[i]);
            const std::string local = std::string(c.name) + "-" + name;
            run(fill(c.get, name, local, port));
            EXPECT_TRUE(recorder.wait_done("Transfer Complete!")) << c.name << " get " << name;
            EXPECT_EQ(read_file(dir / local), pattern(sizes[i], i)) << c.name << " get " << name;

            const std::string stored = "sub/" + local;
            run(fill(c.put, stored, local, port));
            EXPECT_TRUE(recorder.wait_done("Transfer Complete!")) << c.name << " put " << name;
            EXPECT_EQ(read_file(root / stored), pattern(sizes[i], i)) << c.name << " put " << name;
            fs::remove(dir / local);
        }
    }
    EXPECT_TRUE(recorder.boxes().empty());
}

TEST_F(TftpInterop, CurlBlockSizeIsNegotiatedWithTheFileSize) {
    write_file(root / "cfg", pattern(5000, 3));
    run("curl -v --tftp-blksize 1468 -o got tftp://127.0.0.1:" + port + "/cfg");
    const std::string text = test::read_text(dir / "client.log");
    EXPECT_NE(text.find("blksize parsed from OACK (1468) requested (1468)"), std::string::npos)
        << text;
    EXPECT_NE(text.find("tsize parsed from OACK (5000)"), std::string::npos) << text;
    EXPECT_EQ(read_file(dir / "got"), pattern(5000, 3));
}

TEST_F(TftpInterop, NetasciiIsServedByteForByte) {
    const Bytes text = {'a', '\n', 'b', '\r', '\n', 'c', '\r', 0, 'd', '\r'};
    write_file(root / "t.txt", text);
    RawClient client(runner.port());
    client.send(strings(op_rrq, {"t.txt", "netascii"}));
    Bytes expect = {0, op_data, 0, 1};
    expect.insert(expect.end(), text.begin(), text.end());
    EXPECT_EQ(client.receive(), expect);
    client.send(ack(1));
    EXPECT_TRUE(recorder.wait_done("Transfer Complete!"));
}

TEST_F(TftpInterop, OnlyRegularFilesAreServed) {
    // A named pipe must neither hang the server nor be read; a folder is no file either.
    ASSERT_EQ(::mkfifo((root / "pipe").c_str(), 0644), 0);
    RawClient client(runner.port());
    for (const char* name : {"pipe", "sub"}) {
        client.send(strings(op_rrq, {name, "octet"}));
        EXPECT_EQ(client.receive(), strings(op_error, {std::string("\0\2File read error.", 18)}))
            << name;
        EXPECT_TRUE(recorder.wait_done("File read error.")) << name;
    }
    client.send(strings(op_wrq, {"sub", "octet"}));
    EXPECT_EQ(client.receive(), strings(op_error, {std::string("\0\2Access violation.", 19)}));
}

TEST_F(TftpInterop, NamesOutsideTheRootAreRefusedAndTouchNothing) {
    const std::vector<std::string> before = outside();
    const std::string absolute = (dir / "x").string();
    write_file(dir / "evil", pattern(50, 6));
    for (const std::string& name : {std::string("../x"), std::string("a/../../x"), absolute}) {
        run("atftp -g -r '" + name + "' -l stolen 127.0.0.1 " + port);
        run("atftp -p -l evil -r '" + name + "' 127.0.0.1 " + port);
        run("tftp 127.0.0.1 " + port + " -m binary -c get '" + name + "' stolen2");
        run("tftp 127.0.0.1 " + port + " -m binary -c put evil '" + name + "'");
        EXPECT_EQ(recorder.last().status, "Access violation.") << name;
    }
    run("atftp -p -l evil -r 'C:\\x' 127.0.0.1 " + port);
    EXPECT_TRUE(recorder.wait_done("Access violation."));
    fs::remove(dir / "evil");
    fs::remove(dir / "stolen"); // the clients create their local file before asking
    fs::remove(dir / "stolen2");
    EXPECT_EQ(outside(), before);
    EXPECT_EQ(read_file(dir / "x"), pattern(100, 99));
    EXPECT_TRUE(fs::is_empty(root / "sub"));
}

TEST_F(TftpInterop, ReadOnlyFilesAndLinksLeavingTheRootAreRefused) {
    const std::vector<std::string> before = outside();
    const auto read_only = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    write_file(root / "ro", pattern(10, 1));
    fs::permissions(root / "ro", read_only);
    fs::create_symlink(dir / "x", root / "out");
    fs::create_directory_symlink(dir, root / "up");
    RawClient client(runner.port());
    for (const auto& [opcode, name] :
         std::vector<std::pair<std::uint16_t, std::string>>{{op_wrq, "ro"},
                                                            {op_rrq, "out"},
                                                            {op_wrq, "out"},
                                                            {op_rrq, "up/x"},
                                                            {op_wrq, "up/y"}}) {
        client.send(strings(opcode, {name, "octet"}));
        EXPECT_EQ(client.receive(), strings(op_error, {std::string("\0\2Access violation.", 19)}))
            << name;
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

TEST_F(TftpInterop, UnansweredPacketsAreResentOnTheTick) {
    write_file(root / "a", pattern(10, 7));
    RawClient client(runner.port());
    client.send(strings(op_rrq, {"a", "octet", "timeout", "1"}));
    const Bytes oack = client.receive();
    EXPECT_EQ(oack, strings(op_oack, {"timeout", "1"}));
    // Resent after 1 second, then after 2 more.
    EXPECT_EQ(client.receive(1800), oack);
    EXPECT_EQ(client.receive(2800), oack);
    EXPECT_TRUE(recorder.wait_for([](const TftpStatus& s) { return s.retries == 2; }));
}

TEST_F(TftpInterop, StoppingMidUploadLeavesNoFileAndFreesThePort) {
    RawClient client(runner.port());
    client.send(strings(op_wrq, {"half", "octet"}));
    EXPECT_EQ(client.receive(), ack(0));
    Bytes data = {0, op_data, 0, 1};
    data.resize(516, 'z');
    client.send(data);
    EXPECT_EQ(client.receive(), ack(1));
    const std::uint16_t bound = runner.port();
    runner.stop();
    EXPECT_FALSE(runner.running());
    EXPECT_TRUE(fs::is_empty(root / "sub"));
    EXPECT_EQ(std::distance(fs::directory_iterator(root), fs::directory_iterator()), 1);

    // The port is free again; a second server on a taken port reports the bind failure.
    Recorder other_recorder;
    TftpServerRunner first{recorder};
    TftpServerRunner second{other_recorder};
    tftp_server_params params;
    set_local_address(params, "127.0.0.1");
    params.root_folder = root.string();
    params.port = bound;
    EXPECT_TRUE(first.start(params));
    EXPECT_FALSE(second.start(params));
    EXPECT_EQ(
        other_recorder.boxes(),
        std::vector<std::string>{
            "TFTP Server bind failed. (Another TFTP Server may be active. (socket error code " +
            std::to_string(EADDRINUSE) + ")"});
}

} // namespace
} // namespace vornex::tftp
