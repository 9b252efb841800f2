// send-config, get-config, firmware, get-fae: the File › Transfer commands from a shell. The
// device's own TFTP client fetches or pushes the file; the program serves it with its
// internal TFTP server (--tftp-port, 69 unless given) or names an external server
// (--server HOST --remote-name NAME). The progress window's lines go to stderr as they
// change; Ctrl-C, like the window's second Cancel, stops watching (the device may go on).
// Exit 0 only when the device reported the transfer "ok".
#include "cli/cli.h"
#include "cli/device_options.h"
#include "cli/map_options.h"
#include "maint/card_reset.h"
#include "model/card.h"
#include "transfer/transfer_progress.h"

#include <charconv>
#include <thread>

namespace vornex::cli {
namespace {

constexpr const char* transfer_options =
    "[DEVICE OPTIONS] [--tftp-port N | --server HOST --remote-name NAME] [--timeout SECONDS]";

std::optional<long> number(const std::optional<std::string>& text, long low, long high) {
    long value = 0;
    if (!text) {
        return std::nullopt;
    }
    const char* end = text->data() + text->size();
    const auto [stop, failure] = std::from_chars(text->data(), end, value);
    if (failure != std::errc() || stop != end || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

int run_transfer(Context& context, const std::vector<std::string>& words, TransferKind kind) {
    const std::string usage =
        kind == TransferKind::mainboard_firmware
            ? std::string("firmware (--mainboard | --slot N) FILE ") + transfer_options
            : std::string(kind == TransferKind::send_config  ? "send-config"
                          : kind == TransferKind::get_config ? "get-config"
                                                             : "get-fae") +
                  " FILE " + transfer_options;
    const bool firmware = kind == TransferKind::mainboard_firmware;
    std::vector<std::string_view> options{"--tftp-port", "--server", "--remote-name", "--timeout"};
    std::vector<std::string_view> flags;
    if (firmware) {
        options.push_back("--slot");
        flags.push_back("--mainboard");
    }
    // FILE is the PC file with the internal server, and absent with an external one.
    std::size_t positional = 1;
    for (const std::string& word : words) {
        positional = word == "--server" ? 0 : positional;
    }
    std::optional<Args> args;
    int exit_code = exit_ok;
    auto box = open_device_command(context, words, options, flags, usage.c_str(), args, exit_code,
                                   positional);
    if (!box) {
        return exit_code;
    }
    const auto port = args->value("--tftp-port") ? number(args->value("--tftp-port"), 1, 65535)
                                                 : std::optional<long>(69);
    const auto timeout = args->value("--timeout") ? number(args->value("--timeout"), 1, 86400)
                                                  : std::optional<long>(0);
    const auto slot = number(args->value("--slot"), 1, 8);
    const bool external = args->value("--server").has_value();
    const bool bad_firmware =
        firmware && (args->flag("--mainboard") == args->value("--slot").has_value() ||
                     (args->value("--slot") && !slot));
    if (!port || !timeout || bad_firmware || external != args->value("--remote-name").has_value() ||
        (external && args->value("--tftp-port"))) {
        context.err << "usage: vornex-cli " << usage << '\n';
        return exit_usage;
    }

    // The card of a card firmware transfer, and the bank confirmation.
    const Card* card = nullptr;
    int file_type = transfer_kind(kind).file_type;
    if (firmware && slot) {
        kind = TransferKind::card_firmware;
        if (read_cards(*box) != 0) {
            return exit_failed;
        }
        for (const auto& c : box->cards) {
            if (c->slot == *slot && c->registered_model >= 2 && c->registered_model <= 254) {
                card = c.get();
            }
        }
        if (card == nullptr || card_firmware_type(*card) == 0) {
            context.err << "vornex-cli: slot " << *slot << " holds no card that takes firmware\n";
            return exit_failed;
        }
        if (!firmware_card_acceptable(*box, OwnerWindow::main_window(),
                                      is_working_card(*box, *card))) {
            return exit_failed;
        }
        file_type = card_firmware_type(*card);
    }
    const transfer_kind_info& info = transfer_kind(kind);
    if (info.firmware() && !confirm_firmware_banks(*box, OwnerWindow::main_window(), card)) {
        return exit_failed;
    }

    ftc_settings settings;
    std::filesystem::path file;
    if (external) {
        settings.mode = ftc_remote_tftp;
        settings.remote_host = *args->value("--server");
        file = *args->value("--remote-name");
        if (!ftc_continue(context.presenter, OwnerWindow::main_window(), settings, false)) {
            return exit_failed;
        }
    } else {
        file = std::filesystem::absolute(args->positional()[0]);
        std::error_code error;
        if (!info.save && !std::filesystem::is_regular_file(file, error)) {
            context.err << "vornex-cli: no such file: " << file.string() << '\n';
            return exit_failed;
        }
    }

    RunnerServerControl server(context.presenter);
    TransferServices services{context.presenter,
                              OwnerWindow::main_window(),
                              server,
                              {},
                              static_cast<std::uint16_t>(*port)};
    // The TFTP Server Notice asks whether the window may open a server; on the command line
    // the operator has already chosen the server and its port.
    TransferMemory memory;
    memory.notice_shown = true;
    StartedTransfer started;
    if (file_transfer_start(*box, services, memory, settings, file, file_type,
                            card != nullptr ? card->slot : 0, info.title, started) != 0) {
        return exit_failed;
    }

    // The progress window, on stderr: a line whenever what it shows changes.
    SteadyClock clock;
    TransferProgress progress(*box, clock, info, started.prior_status, card);
    InterruptProgress interrupt;
    const auto begun = clock.now();
    std::string shown;
    bool stopped = false;
    context.err << info.title << '\n';
    for (;;) {
        const StepResult step = progress.poll();
        std::string line = progress.status_text() + "  " + progress.percent_text();
        if (const std::string note = progress.note_text(); !note.empty()) {
            line += "\n" + note;
        }
        if (line != shown) {
            context.err << line << '\n';
            context.err.flush();
            shown = line;
        }
        if (step.done) {
            break;
        }
        const auto due = clock.now() + step.next;
        while (clock.now() < due && !stopped) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            stopped = interrupt.cancelled() ||
                      (*timeout != 0 && clock.now() - begun >= std::chrono::seconds(*timeout));
        }
        if (stopped) {
            context.err << "vornex-cli: stopped watching the transfer; the device may still be "
                           "working on it\n";
            break;
        }
    }
    if (started.internal_server) {
        server.stop();
    }
    if (stopped || progress.state() != transfer_finished) {
        return exit_failed;
    }
    context.err << "Done\n";
    if (kind == TransferKind::mainboard_firmware || kind == TransferKind::card_firmware) {
        // The new firmware sits in the inactive bank until a reset switches to it.
        context.err << "The new firmware runs after a reset of the "
                    << (card != nullptr ? "card" : "controllers") << ".\n";
    }
    return exit_ok;
}

int send_config(Context& context, const std::vector<std::string>& words) {
    return run_transfer(context, words, TransferKind::send_config);
}
int get_config(Context& context, const std::vector<std::string>& words) {
    return run_transfer(context, words, TransferKind::get_config);
}
int send_firmware(Context& context, const std::vector<std::string>& words) {
    return run_transfer(context, words, TransferKind::mainboard_firmware);
}
int get_fae(Context& context, const std::vector<std::string>& words) {
    return run_transfer(context, words, TransferKind::fae_info);
}

const CommandRegistration send_config_registration{
    {"send-config", "FILE [DEVICE OPTIONS] [--tftp-port N | --server HOST --remote-name NAME]",
     "send a configuration file to the device", send_config}};
const CommandRegistration get_config_registration{
    {"get-config", "FILE [DEVICE OPTIONS] [--tftp-port N | --server HOST --remote-name NAME]",
     "fetch the device's running configuration into FILE", get_config}};
const CommandRegistration firmware_registration{
    {"firmware", "(--mainboard | --slot N) FILE [DEVICE OPTIONS] [--tftp-port N | --server ...]",
     "send mainboard or card firmware (written to the inactive bank; no reset)", send_firmware}};
const CommandRegistration get_fae_registration{
    {"get-fae", "FILE [DEVICE OPTIONS] [--tftp-port N | --server HOST --remote-name NAME]",
     "fetch the device's FAE information package into FILE", get_fae}};

} // namespace
} // namespace vornex::cli
