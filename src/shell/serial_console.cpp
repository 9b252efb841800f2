#include "shell/serial_console.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <limits>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace vornex {

namespace {

// Orders "ttyS2" before "ttyS10": the letters first, then the trailing number as a number.
bool name_before(const std::string& a, const std::string& b) {
    const auto split = [](const std::string& name) {
        const std::size_t digits = name.find_last_not_of("0123456789") + 1;
        const std::string number = name.substr(digits);
        return std::make_pair(name.substr(0, digits),
                              number.empty() ? -1L : std::stol(number.substr(0, 9)));
    };
    return split(a) < split(b);
}

// A lock file whose process still runs; an unreadable one counts as held, a stale one
// (its process gone) does not.
bool lock_file_held(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        return false;
    }
    std::ifstream in(file);
    long pid = 0;
    // A number no process can have is no stale lock either: kill() would test a whole
    // process group with it.
    if (!(in >> pid) || pid <= 0 || pid > std::numeric_limits<pid_t>::max()) {
        return true;
    }
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

int offered_baud_rate(int stored) {
    const bool offered = std::find(serial_baud_rates.begin(), serial_baud_rates.end(), stored) !=
                         serial_baud_rates.end();
    return offered ? stored : default_serial_baud;
}

std::vector<std::string> system_serial_devices(const std::filesystem::path& sys_class_tty) {
    std::vector<std::string> names;
    // Stepping with an error code: a folder that changes or cannot be read ends the list
    // instead of throwing out of a menu command.
    std::error_code error;
    for (std::filesystem::directory_iterator entry(sys_class_tty, error), end;
         !error && entry != end; entry.increment(error)) {
        std::error_code ignored;
        if (std::filesystem::exists(entry->path() / "device", ignored)) {
            names.push_back(entry->path().filename().string());
        }
    }
    std::sort(names.begin(), names.end(), name_before);
    std::vector<std::string> devices;
    for (const std::string& name : names) {
        devices.push_back("/dev/" + name);
    }
    return devices;
}

std::vector<std::filesystem::path> serial_lock_folders() {
    return {"/var/lock", "/run/lock"};
}

SerialPortState probe_serial_port(const std::string& device,
                                  const std::vector<std::filesystem::path>& lock_folders) {
    const std::string name = std::filesystem::path(device).filename().string();
    for (const std::filesystem::path& folder : lock_folders) {
        if (lock_file_held(folder / ("LCK.." + name))) {
            return SerialPortState::lock_file;
        }
    }
    const Descriptor port(::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (port.get() < 0 || ::isatty(port.get()) == 0) {
        return SerialPortState::cannot_open;
    }
    // A privileged process may open a port held in exclusive mode; it still is not free.
    int exclusive = 0;
    if (::ioctl(port.get(), TIOCGEXCL, &exclusive) == 0 && exclusive != 0) {
        return SerialPortState::exclusive;
    }
    if (::flock(port.get(), LOCK_EX | LOCK_NB) != 0) {
        return SerialPortState::flocked;
    }
    return SerialPortState::usable;
}

std::vector<std::string>
usable_serial_ports(const std::vector<std::string>& candidates,
                    const std::vector<std::filesystem::path>& lock_folders) {
    std::vector<std::string> ports;
    for (const std::string& device : candidates) {
        if (probe_serial_port(device, lock_folders) == SerialPortState::usable) {
            ports.push_back(device);
        }
    }
    return ports;
}

CommandLine serial_console_command(const std::string& port, int baud) {
    return CommandLine{{"putty", "-serial", port, "-sercfg", std::to_string(baud) + ",8,n,1,X"}};
}

int start_serial_console(Presenter& presenter, ProcessLauncher& launcher, const std::string& port,
                         int baud) {
    const CommandLine command = serial_console_command(port, baud);
    // Cutting the line would drop the port's settings and start PuTTY on the wrong ones.
    if (command.text().size() > command_line_limit) {
        error_dialog_main(presenter,
                          "!Serial Console\r\n\r\n\r\nThe port name is too long: the console's "
                          "command line may have at most %zu characters.",
                          command_line_limit);
        return 1;
    }
    return start_console(presenter, launcher, command);
}

} // namespace vornex
