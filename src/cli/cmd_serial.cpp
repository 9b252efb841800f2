// serial-ports and serial-console: the serial ports free for a console, and the serial
// console started on one of them as the program's Tools menu starts it.
#include "cli/cli.h"
#include "shell/serial_console.h"
#include "shell/spawn_launcher.h"

#include <charconv>

namespace vornex::cli {
namespace {

int serial_ports(Context& context, const std::vector<std::string>& words) {
    const auto args = Args::parse(words, {}, {"--json"}, context.err);
    if (!args || !args->positional().empty()) {
        context.err << "usage: vornex-cli serial-ports [--json]\n";
        return exit_usage;
    }
    const std::vector<std::string> ports = usable_serial_ports(system_serial_devices());
    if (args->flag("--json")) {
        context.out << "[";
        for (std::size_t i = 0; i < ports.size(); ++i) {
            context.out << (i == 0 ? "" : ", ") << json_string(ports[i]);
        }
        context.out << "]\n";
    } else {
        for (const std::string& port : ports) {
            context.out << port << '\n';
        }
    }
    return exit_ok;
}

int serial_console(Context& context, const std::vector<std::string>& words) {
    const auto args = Args::parse(words, {"--port", "--baud"}, {}, context.err);
    int baud = default_serial_baud;
    bool usable = args && args->positional().empty() && args->value("--port");
    if (usable && args->value("--baud")) {
        const std::string text = *args->value("--baud");
        const auto [stop, failure] = std::from_chars(text.data(), text.data() + text.size(), baud);
        usable = failure == std::errc() && stop == text.data() + text.size() &&
                 offered_baud_rate(baud) == baud;
    }
    if (!usable) {
        context.err << "usage: vornex-cli serial-console --port DEVICE [--baud "
                       "38400|19200|9600|4800|2400|1200]\n";
        return exit_usage;
    }
    SpawnLauncher launcher;
    return start_serial_console(context.presenter, launcher, *args->value("--port"), baud) == 0
               ? exit_ok
               : exit_failed;
}

const CommandRegistration ports_registration{{"serial-ports", "[--json]",
                                              "list the serial ports that are free for a console",
                                              serial_ports}};
const CommandRegistration console_registration{
    {"serial-console", "--port DEVICE [--baud N]",
     "start PuTTY's serial console on DEVICE (9600 baud unless --baud)", serial_console}};

} // namespace
} // namespace vornex::cli
