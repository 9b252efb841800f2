// vornex-cli tftp-serve as an operator runs it: started, used by a real client, interrupted.
#include "scratch_files.h"

#include <array>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Running {
    pid_t pid = -1;
    int out = -1; // stdout and stderr together
    std::string text;

    // Reads until `needle` has appeared or `ms` have passed.
    bool read_until(const std::string& needle, int ms = 10000) {
        while (text.find(needle) == std::string::npos) {
            pollfd p{out, POLLIN, 0};
            if (::poll(&p, 1, ms) <= 0) {
                return false;
            }
            std::array<char, 4096> chunk{};
            const ssize_t n = ::read(out, chunk.data(), chunk.size());
            if (n <= 0) {
                return text.find(needle) != std::string::npos;
            }
            text.append(chunk.data(), static_cast<std::size_t>(n));
        }
        return true;
    }
    int wait() {
        read_until("\x01", 2000); // drain what is left
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(out);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

Running start(const std::vector<std::string>& arguments) {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    Running r;
    r.pid = ::fork();
    if (r.pid == 0) {
        ::dup2(fds[1], 1);
        ::dup2(fds[1], 2);
        ::close(fds[0]);
        std::vector<char*> argv{const_cast<char*>(VORNEX_CLI)};
        for (const std::string& a : arguments) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(VORNEX_CLI, argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    r.out = fds[0];
    return r;
}

TEST(TftpServeCommand, ServesUntilInterrupted) {
    const vornex::test::ScratchDir scratch;
    const fs::path root = scratch / "root";
    fs::create_directory(root);
    vornex::test::write_file(root / "r4150.cfg", "config text\n");
    Running cli =
        start({"tftp-serve", "--root", root.string(), "--port", "0", "--bind", "127.0.0.1"});
    ASSERT_TRUE(cli.read_until(" until interrupted\n")) << cli.text;
    const std::size_t at = cli.text.find(" port ");
    ASSERT_NE(at, std::string::npos);
    const int port = std::stoi(cli.text.substr(at + 6));
    EXPECT_EQ(cli.text, "Serving " + root.string() + " on 127.0.0.1 port " + std::to_string(port) +
                            " until interrupted\n");

    const fs::path got = scratch / "got";
    const std::string fetch =
        "curl -sS -o " + got.string() + " tftp://127.0.0.1:" + std::to_string(port) + "/r4150.cfg";
    EXPECT_EQ(std::system(fetch.c_str()), 0);
    EXPECT_TRUE(cli.read_until("Client: 127.0.0.1  Filename: r4150.cfg  Status: Transfer "
                               "Complete!  Timeout: 0  Retries: 0\n"))
        << cli.text;
    EXPECT_EQ(vornex::test::read_text(got), "config text\n");

    ::kill(cli.pid, SIGINT);
    EXPECT_EQ(cli.wait(), 0);
    EXPECT_TRUE(cli.text.ends_with("Stopped.\n")) << cli.text;
}

TEST(TftpServeCommand, RefusesBadArgumentsAndATakenPort) {
    const vornex::test::ScratchDir scratch;
    const fs::path& root = scratch.path();
    Running missing = start({"tftp-serve", "--port", "0"});
    EXPECT_EQ(missing.wait(), 2);
    EXPECT_EQ(missing.text, "usage: vornex-cli tftp-serve --root DIR [--port N] [--bind ADDR]\n");

    Running bad_bind = start({"tftp-serve", "--root", root.string(), "--bind", "localhost"});
    EXPECT_EQ(bad_bind.wait(), 2);
    EXPECT_EQ(bad_bind.text, "vornex-cli: --bind needs a numeric IPv4 or IPv6 address\n");

    Running bad_port = start({"tftp-serve", "--root", root.string(), "--port", "70000"});
    EXPECT_EQ(bad_port.wait(), 2);

    Running no_root = start({"tftp-serve", "--root", (root / "nope").string()});
    EXPECT_EQ(no_root.wait(), 1);
    EXPECT_EQ(no_root.text, "vornex-cli: no such folder: " + (root / "nope").string() + "\n");

    Running first =
        start({"tftp-serve", "--root", root.string(), "--port", "0", "--bind", "127.0.0.1"});
    ASSERT_TRUE(first.read_until(" until interrupted\n"));
    const std::string port =
        std::to_string(std::stoi(first.text.substr(first.text.find(" port ") + 6)));
    Running second =
        start({"tftp-serve", "--root", root.string(), "--port", port, "--bind", "127.0.0.1"});
    EXPECT_EQ(second.wait(), 1);
    EXPECT_EQ(second.text, "vornex: TFTP Server bind failed. (Another TFTP Server may be active. "
                           "(socket error code " +
                               std::to_string(EADDRINUSE) + ")\n");
    ::kill(first.pid, SIGTERM);
    EXPECT_EQ(first.wait(), 0);
}

} // namespace
