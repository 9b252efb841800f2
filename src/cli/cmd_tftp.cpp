// tftp-serve: the program's internal TFTP server in a terminal, so that operators can stage
// files for devices without the desktop program. It runs until interrupted and prints the
// status window's lines as they change.
#include "cli/cli.h"
#include "transfer/tftp_runner.h"

#include <charconv>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <mutex>
#include <pthread.h>

namespace vornex::cli {
namespace {

constexpr const char* usage_text =
    "usage: vornex-cli tftp-serve --root DIR [--port N] [--bind ADDR]\n";

// Prints a status line for every request and every end, and progress at most once a
// second, so that a large file does not flood the terminal with block numbers.
class TerminalListener : public tftp::TftpListener {
public:
    TerminalListener(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

    void status_changed(const tftp::TftpStatus& s) override {
        const auto now = std::chrono::steady_clock::now();
        const bool news =
            s.requests != last_.requests || s.active != last_.active || s.retries != last_.retries;
        if (!news && now - printed_at_ < std::chrono::seconds(1)) {
            last_ = s;
            return;
        }
        std::string line;
        for (std::string part : tftp::tftp_status_lines(s)) {
            part.erase(part.find_last_not_of(' ') + 1);
            line += line.empty() ? part : "  " + part;
        }
        {
            std::lock_guard lock(mutex_);
            out_ << line << '\n';
            out_.flush();
        }
        printed_at_ = now;
        last_ = s;
    }

    void error_box(const std::string& text) override {
        std::lock_guard lock(mutex_);
        err_ << "vornex: " << text << '\n';
        err_.flush();
    }

private:
    std::ostream& out_;
    std::ostream& err_;
    std::mutex mutex_;
    tftp::TftpStatus last_;
    std::chrono::steady_clock::time_point printed_at_{};
};

int tftp_serve(Context& context, const std::vector<std::string>& words) {
    const auto args = Args::parse(words, {"--root", "--port", "--bind"}, {}, context.err);
    if (!args || !args->positional().empty() || !args->value("--root")) {
        context.err << usage_text;
        return exit_usage;
    }
    tftp::tftp_server_params params;
    params.root_folder = *args->value("--root");
    const std::string bind = args->value("--bind").value_or("0.0.0.0");
    if (!tftp::set_local_address(params, bind)) {
        context.err << "vornex-cli: --bind needs a numeric IPv4 or IPv6 address\n";
        return exit_usage;
    }
    if (const auto port = args->value("--port")) {
        int value = -1;
        const char* end = port->data() + port->size();
        const auto [stop, failure] = std::from_chars(port->data(), end, value);
        if (failure != std::errc() || stop != end || value < 0 || value > 65535) {
            context.err << "vornex-cli: --port needs a number from 0 to 65535\n";
            return exit_usage;
        }
        params.port = static_cast<std::uint16_t>(value);
    }
    std::error_code error;
    if (!std::filesystem::is_directory(params.root_folder, error)) {
        context.err << "vornex-cli: no such folder: " << params.root_folder << '\n';
        return exit_failed;
    }

    // The server thread inherits the blocked signals, so an interrupt reaches only the
    // sigwait below, which then stops the server cleanly.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &stop_signals, &previous);

    TerminalListener listener(context.out, context.err);
    tftp::TftpServerRunner runner(listener);
    if (!runner.start(params)) {
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return exit_failed;
    }
    context.out << "Serving " << params.root_folder << " on " << bind << " port " << runner.port()
                << " until interrupted\n";
    context.out.flush();
    int signal = 0;
    sigwait(&stop_signals, &signal);
    runner.stop();
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    context.out << "Stopped.\n";
    return exit_ok;
}

const CommandRegistration registration{
    {"tftp-serve", "--root DIR [--port N] [--bind ADDR]",
     "serve DIR by TFTP (port 69 unless --port; 0.0.0.0 unless --bind) until interrupted",
     tftp_serve}};

} // namespace
} // namespace vornex::cli
