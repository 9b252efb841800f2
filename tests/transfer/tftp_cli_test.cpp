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

namespace vornex::test {
namespace {

// vornex-cli tftp-serve with these arguments, its output (errors included) read as it comes.
struct Running {
    explicit Running(const std::string& arguments)
        : out(::popen(("echo $$; exec " VORNEX_CLI " tftp-serve " + arguments + " 2>&1").c_str(),
                      "r")) {
        read_until("\n");
        pid = std::stoi(text); // the shell's, which exec hands on to the program
        text.erase(0, text.find('\n') + 1);
    }
    // Reads until `needle` has appeared or `ms` have passed.
    bool read_until(const std::string& needle, int ms = 10000) {
        while (text.find(needle) == std::string::npos) {
            pollfd p{::fileno(out), POLLIN, 0};
            std::array<char, 4096> chunk{};
            const ssize_t n = ::poll(&p, 1, ms) > 0 ? ::read(p.fd, chunk.data(), chunk.size()) : 0;
            if (n <= 0)
                return false;
            text.append(chunk.data(), static_cast<std::size_t>(n));
        }
        return true;
    }
    int wait() {
        read_until("\x01", 2000); // the rest of the output
        const int status = ::pclose(out);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    FILE* out;
    pid_t pid = -1;
    std::string text;
};

// Stopped by an interrupt or a terminate signal; while it serves, a second one cannot have its
// port.
TEST(TftpServeCommand, ServesUntilStoppedAndHoldsItsPort) {
    const ScratchDir scratch;
    const fs::path& root = scratch.path();
    write_file(root / "r4150.cfg", "config text\n");
    for (const int stop : {SIGINT, SIGTERM}) {
        Running cli("--root " + root.string() + " --port 0 --bind 127.0.0.1");
        ASSERT_TRUE(cli.read_until(" until interrupted\n")) << cli.text;
        const std::string port =
            std::to_string(std::stoi(cli.text.substr(cli.text.find(" port ") + 6)));
        EXPECT_EQ(cli.text, "Serving " + root.string() + " on 127.0.0.1 port " + port +
                                " until interrupted\n");

        const fs::path got = root / ("got" + std::to_string(stop));
        const std::string fetch = "curl -sS -o " + got.string() + " tftp://127.0.0.1:" + port;
        EXPECT_EQ(std::system((fetch + "/r4150.cfg").c_str()), 0);
        EXPECT_TRUE(cli.read_until("Client: 127.0.0.1  Filename: r4150.cfg  Status: Transfer "
                                   "Complete!  Timeout: 0  Retries: 0\n"))
            << cli.text;
        EXPECT_EQ(read_text(got), "config text\n");

        Running second("--root " + root.string() + " --bind 127.0.0.1 --port " + port);
        EXPECT_EQ(second.wait(), 1);
        EXPECT_EQ(second.text, "vornex: TFTP Server bind failed. (Another TFTP Server may be "
                               "active. (socket error code " +
                                   std::to_string(EADDRINUSE) + ")\n");

        ::kill(cli.pid, stop);
        EXPECT_EQ(cli.wait(), 0);
        EXPECT_TRUE(cli.text.ends_with("Stopped.\n")) << cli.text;
    }
}

TEST(TftpServeCommand, RefusesBadArguments) {
    const ScratchDir scratch;
    const std::string root = "--root " + scratch.path().string();
    const struct {
        std::string arguments;
        int status;
        std::string text;
    } cases[] = {
        {"--port 0", 2, "usage: vornex-cli tftp-serve --root DIR [--port N] [--bind ADDR]\n"},
        {root + " --bind localhost", 2,
         "vornex-cli: --bind needs a numeric IPv4 or IPv6 address\n"},
        {root + " --port 70000", 2, "vornex-cli: --port needs a number from 0 to 65535\n"},
        {root + "/nope", 1, "vornex-cli: no such folder: " + (scratch / "nope").string() + "\n"},
    };
    for (const auto& c : cases) {
        Running cli(c.arguments);
        EXPECT_EQ(cli.wait(), c.status) << c.arguments;
        EXPECT_EQ(cli.text, c.text);
    }
}

} // namespace
} // namespace vornex::test
