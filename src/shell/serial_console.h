#pragma once
// The serial console: the serial ports an operator can use now, the baud rates of the
// "Select Serial Console Port" dialog, and PuTTY's serial command line.

#include "base/presenter.h"
#include "shell/shell.h"

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace vornex {

// The dialog's rates, top to bottom; anything else stored opens it on 9600.
inline constexpr std::array<int, 6> serial_baud_rates{38400, 19200, 9600, 4800, 2400, 1200};
inline constexpr int default_serial_baud = 9600;

// `stored` when it is one of the dialog's rates, else 9600.
int offered_baud_rate(int stored);

// The serial devices the system knows of: "/dev/NAME" for every NAME under `sys_class_tty`
// that a driver stands behind (virtual consoles and pseudo-terminals have none), in name
// order with numbers compared as numbers (ttyS2 before ttyS10).
std::vector<std::string>
system_serial_devices(const std::filesystem::path& sys_class_tty = "/sys/class/tty");

// Where programs leave UUCP-style "LCK..NAME" files for the ports they hold.
std::vector<std::filesystem::path> serial_lock_folders();

// Why a port cannot be offered.
enum class SerialPortState {
    usable,
    cannot_open, // absent, no hardware behind it, refused, or held exclusively (EBUSY)
    exclusive,   // another program holds it in exclusive mode (TIOCEXCL)
    flocked,     // another program holds an exclusive flock() on it
    lock_file,   // a "LCK..NAME" file names a running process
};

// Opens the port without waiting (O_NONBLOCK, so a line without carrier never hangs) and
// without making it a controlling terminal (O_NOCTTY), looks for another program's hold,
// and closes it again.
SerialPortState probe_serial_port(const std::string& device,
                                  const std::vector<std::filesystem::path>& lock_folders);

// The candidates that probe usable, in their order: the ports the dialog offers.
std::vector<std::string>
usable_serial_ports(const std::vector<std::string>& candidates,
                    const std::vector<std::filesystem::path>& lock_folders = serial_lock_folders());

// "putty -serial PORT -sercfg BAUD,8,n,1,X": 8 data bits, no parity, 1 stop bit, XON/XOFF.
CommandLine serial_console_command(const std::string& port, int baud);

// Starts the serial console. A port name so long that the command line would pass 259
// characters (and lose its settings) is refused with a message; a console that cannot be
// started shows "CreateProcess failed (N)". 0 when started, else 1.
int start_serial_console(Presenter& presenter, ProcessLauncher& launcher, const std::string& port,
                         int baud);

} // namespace vornex
