#include "fake_launcher.h"
#include "recording_presenter.h"
#include "run_command.h"
#include "scratch_files.h"
#include "shell/serial_console.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <utility>

extern char** environ;

namespace vornex {
namespace {

// A helper program for the length of a test.
class Child {
public:
    explicit Child(std::vector<std::string> words) {
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawnp(&pid_, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    }
    Child(Child&& other) noexcept : pid_(std::exchange(other.pid_, -1)) {}
    Child(const Child&) = delete;
    ~Child() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }

private:
    pid_t pid_ = -1;
};

bool eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 200 && !condition(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    return condition();
}

// Two connected pseudo-terminals in `folder`: a serial line and its far end.
Child pty_pair(const test::ScratchDir& folder, const std::string& a, const std::string& b) {
    Child socat(
        {"socat", "PTY,link=" + (folder / a).string(), "PTY,link=" + (folder / b).string()});
    EXPECT_TRUE(eventually([&] { return std::filesystem::exists(folder / b); }));
    return socat;
}

TEST(SerialPorts, PortsThatAnotherProgramHoldsAreLeftOut) {
    test::ScratchDir folder;
    const Child first = pty_pair(folder, "free", "exclusive");
    const Child second = pty_pair(folder, "flocked", "locked");
    // Held by other programs: in exclusive mode (TIOCEXCL), and under flock().
    const Child exclusive({"socat", "-u",
                           "OPEN:" + (folder / "exclusive").string() + ",ioctl-void=0x540C",
                           "OPEN:/dev/null"});
    const Child flocked({"socat", "-u", "OPEN:" + (folder / "flocked").string() + ",flock-ex-nb",
                         "OPEN:/dev/null"});
    // A lock file of a running process (this one) holds its port; a stale one does not.
    std::filesystem::create_directory(folder / "lock");
    test::write_file(folder / "lock" / "LCK..locked", std::to_string(::getpid()) + "\n");
    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    test::write_file(folder / "lock" / "LCK..free", "  " + std::to_string(gone) + "\n");
    test::write_file(folder / "plain", "not a terminal");

    const std::vector<std::filesystem::path> locks{folder / "lock"};
    std::vector<std::string> candidates;
    for (const auto& [name, state] : {std::pair{"free", SerialPortState::usable},
                                      {"exclusive", SerialPortState::exclusive},
                                      {"flocked", SerialPortState::flocked},
                                      {"locked", SerialPortState::lock_file},
                                      {"plain", SerialPortState::cannot_open},
                                      {"missing", SerialPortState::cannot_open}}) {
        candidates.push_back((folder / name).string());
        EXPECT_TRUE(eventually([&, state = state] {
            return probe_serial_port(candidates.back(), locks) == state;
        })) << name;
    }
    EXPECT_EQ(usable_serial_ports(candidates, locks),
              std::vector<std::string>{(folder / "free").string()});

    // The system's list: the ttys a driver stands behind, numbers in number order.
    for (const char* tty : {"ttyS10", "ttyUSB0", "ttyS2", "ttyACM1"})
        std::filesystem::create_directories(folder / "sys" / tty / "device");
    std::filesystem::create_directories(folder / "sys" / "tty0");
    EXPECT_EQ(
        system_serial_devices(folder / "sys"),
        (std::vector<std::string>{"/dev/ttyACM1", "/dev/ttyS2", "/dev/ttyS10", "/dev/ttyUSB0"}));
}

TEST(SerialConsole, ANameTooLongForTheCommandLineIsRefused) {
    // "putty -serial " and " -sercfg 9600,8,n,1,X" leave 224 characters of 259 for the name.
    test::RecordingPresenter presenter;
    test::FakeLauncher launcher;
    EXPECT_EQ(start_serial_console(presenter, launcher, std::string(224, 'p'), 9600), 0);
    EXPECT_EQ(start_serial_console(presenter, launcher, std::string(225, 'p'), 9600), 1);
    EXPECT_EQ(launcher.started.size(), 1u);
    EXPECT_EQ(presenter.texts(),
              std::vector<std::string>{"!Serial Console\r\n\r\n\r\nThe port name is too long: the "
                                       "console's command line may have at most 259 characters."});
}

// The real terminal program on an X server of its own, started by vornex-cli with the
// serial command line, opens the port (a line it did not understand would end it at once).
TEST(SerialConsole, RealPuttyOpensThePort) {
    test::ScratchDir folder;
    int number = 200 + ::getpid() % 500;
    while (std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock"))
        ++number;
    const std::string display = ":" + std::to_string(number);
    const Child xvfb({"Xvfb", display, "-nolisten", "tcp"});
    ASSERT_TRUE(eventually(
        [&] { return std::filesystem::exists("/tmp/.X11-unix/X" + display.substr(1)); }));
    const Child line = pty_pair(folder, "port", "far");
    const std::string port = (folder / "port").string();
    const std::string pts = std::filesystem::read_symlink(port).string();

    int status = -1;
    const std::string cli = VORNEX_CLI;
    test::run_command("DISPLAY=" + display + " " + cli + " serial-console --port " + port +
                          " --baud 19200",
                      &status);
    EXPECT_EQ(status, 0);
    pid_t putty = -1;
    EXPECT_TRUE(eventually([&] {
        std::error_code error;
        for (const auto& process : std::filesystem::directory_iterator("/proc", error)) {
            std::string program;
            std::getline(std::ifstream(process.path() / "cmdline"), program, '\0');
            for (const auto& fd :
                 std::filesystem::directory_iterator(process.path() / "fd", error)) {
                if (program == "putty" && std::filesystem::read_symlink(fd.path(), error) == pts)
                    putty = std::stoi(process.path().filename().string());
            }
        }
        return putty > 0;
    }));
    if (putty > 0)
        ::kill(putty, SIGTERM);
    // A rate the dialog does not offer is a usage error.
    test::run_command(cli + " serial-console --port " + port + " --baud 57600 2>/dev/null",
                      &status);
    EXPECT_EQ(status, 2);
}

} // namespace
} // namespace vornex
