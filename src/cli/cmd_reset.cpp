// reset-system, reset-card: the System Reset and Card Reset sequences from a shell, on the
// same core, with each step printed as it changes. The exit status follows where the
// sequence ended, never its texts: 0 only when the unit or the card is working again.
#include "cli/cli.h"
#include "cli/device_options.h"
#include "device/box.h"
#include "maint/card_reset.h"
#include "maint/system_reset.h"
#include "model/card.h"

#include <charconv>
#include <chrono>
#include <csignal>
#include <thread>

namespace vornex::cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

void on_interrupt(int) {
    interrupted = 1;
}

// Ctrl-C is the dialog's Cancel while a sequence runs.
class InterruptAsCancel {
public:
    InterruptAsCancel() {
        interrupted = 0;
        std::signal(SIGINT, on_interrupt);
    }
    ~InterruptAsCancel() { std::signal(SIGINT, SIG_DFL); }
    InterruptAsCancel(const InterruptAsCancel&) = delete;
    InterruptAsCancel& operator=(const InterruptAsCancel&) = delete;
};

// The test suite runs the sequences a hundred times faster than the device needs.
Delay wall_delay(Delay delay) {
    return std::getenv("VORNEX_TEST_SHORT_DELAYS") != nullptr ? delay / 100 : delay;
}

// Prints a step or detail text when it changed: its lines, without the blank ones and the
// dialog's indentation.
void print_changed(std::ostream& out, const std::string& text, std::string& last) {
    if (text == last) {
        return;
    }
    last = text;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        std::erase(line, '\r');
        const std::size_t first = line.find_first_not_of("\t ");
        if (first != std::string::npos) {
            out << line.substr(first) << '\n';
        }
        start = end + 1;
    }
    out.flush();
}

enum class Followed { ended, interrupted, timed_out };

// Runs a started sequence on the wall clock until it ends, Ctrl-C comes or `timeout` (0:
// none) passes, printing every change of its texts.
template <typename Sequence>
Followed follow(Context& context, Sequence& sequence, std::chrono::seconds timeout) {
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + timeout;
    std::string step, detail;
    Delay next = Sequence::first_delay;
    for (;;) {
        const auto due = clock::now() + wall_delay(next);
        while (clock::now() < due) {
            if (interrupted) {
                interrupted = 0;
                return Followed::interrupted;
            }
            if (timeout.count() > 0 && clock::now() >= deadline) {
                return Followed::timed_out;
            }
            std::this_thread::sleep_for(
                std::min<clock::duration>(due - clock::now(), std::chrono::milliseconds(50)));
        }
        const StepResult result = sequence.step();
        print_changed(context.out, sequence.step_text(), step);
        print_changed(context.out, sequence.detail_text(), detail);
        if (result.done) {
            return Followed::ended;
        }
        next = result.next;
    }
}

bool parse_number(const std::string& text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// --cold or --warm (one of them) and an optional --timeout; false after a usage error.
bool reset_options(const Args& args, bool& cold, std::chrono::seconds& timeout) {
    if (args.flag("--cold") == args.flag("--warm")) {
        return false;
    }
    cold = args.flag("--cold");
    timeout = std::chrono::seconds(0);
    if (const auto text = args.value("--timeout")) {
        int seconds = 0;
        if (!parse_number(*text, seconds) || seconds < 1) {
            return false;
        }
        timeout = std::chrono::seconds(seconds);
    }
    return true;
}

int ended(Context& context, ResetOutcome outcome, Followed followed, std::chrono::seconds timeout,
          const char* what) {
    if (followed == Followed::timed_out) {
        context.err << "vornex-cli: the " << what << " did not end within " << timeout.count()
                    << " seconds; it may still be running on the device\n";
        return exit_failed;
    }
    return outcome == ResetOutcome::complete ? exit_ok : exit_failed;
}

const char* const system_usage =
    "reset-system --target working|standby|system --cold|--warm [--timeout SECONDS] "
    "[DEVICE OPTIONS]";

int reset_system(Context& context, const std::vector<std::string>& words) {
    std::optional<Args> args;
    int exit_code = exit_ok;
    std::unique_ptr<Box> box =
        open_device_command(context, words, {"--target", "--timeout"}, {"--cold", "--warm"},
                            system_usage, args, exit_code);
    if (!box) {
        return exit_code;
    }
    bool cold = false;
    std::chrono::seconds timeout{};
    const std::string target = args->value("--target").value_or("");
    if (!reset_options(*args, cold, timeout) ||
        (target != "working" && target != "standby" && target != "system")) {
        context.err << "usage: vornex-cli " << system_usage << '\n';
        return exit_usage;
    }
    const int base = target == "system" ? 1 : target == "working" ? 3 : 5;
    const auto type = static_cast<SystemResetType>(base + (cold ? 0 : 1));
    SystemReset reset(*box);
    context.out << reset.detail_text() << '\n';
    if (!reset.type_enabled(type)) {
        context.err << "vornex-cli: a standby XCU reset needs a standby XCU, and "
                    << (reset.standby_at_opening() == 0
                            ? "the unit has none"
                            : "the unit did not tell whether it has one")
                    << '\n';
        return exit_failed;
    }
    if (!reset.start(type, OwnerWindow::main_window())) {
        return exit_failed;
    }
    InterruptAsCancel cancel;
    const Followed followed = follow(context, reset, timeout);
    if (followed == Followed::interrupted) {
        // Ctrl-C is the dialog's Cancel: its warning is shown and answered like every other
        // question, by --yes, without which no reset was started.
        reset.leave(OwnerWindow::main_window());
    }
    return ended(context, reset.outcome(), followed, timeout, "reset");
}

const char* const card_usage = "reset-card --slot N [--standby|--both] --cold|--warm "
                               "[--timeout SECONDS] [DEVICE OPTIONS]";

int reset_card(Context& context, const std::vector<std::string>& words) {
    std::optional<Args> args;
    int exit_code = exit_ok;
    std::unique_ptr<Box> box = open_device_command(context, words, {"--slot", "--timeout"},
                                                   {"--cold", "--warm", "--standby", "--both"},
                                                   card_usage, args, exit_code);
    if (!box) {
        return exit_code;
    }
    bool cold = false;
    std::chrono::seconds timeout{};
    int slot = 0;
    if (!reset_options(*args, cold, timeout) ||
        !parse_number(args->value("--slot").value_or(""), slot) || slot < 1 || slot > 8 ||
        (args->flag("--standby") && args->flag("--both"))) {
        context.err << "usage: vornex-cli " << card_usage << '\n';
        return exit_usage;
    }
    if (read_cards(*box) != 0) {
        return exit_failed;
    }
    const Card* card = nullptr;
    for (const auto& c : box->cards) {
        if (c->slot == slot) {
            card = c.get();
        }
    }
    if (card == nullptr || !has_card_reset(*card)) {
        context.err << "vornex-cli: the card in slot " << slot << " ("
                    << (card != nullptr ? card->type_name : "none") << ") has no reset\n";
        return exit_failed;
    }
    // The pair's choice is offered for protected types only, as after card firmware.
    const bool pair_choice = args->flag("--standby") || args->flag("--both");
    const bool protected_type = card->type->working_test != card_family::none;
    CardReset reset(*box, *card, reset_card_prompt(*box, *card), pair_choice && protected_type);
    if (pair_choice && !reset.standby_enabled()) {
        context.err << "vornex-cli: --standby and --both need a card of a protected pair with "
                       "its partner; "
                    << slot_name(*box, *card) << " holds " << card->type_name
                    << (protected_type ? " without a partner card" : "") << '\n';
        return exit_failed;
    }
    if (args->flag("--both") && !reset.both_enabled()) {
        context.err << "vornex-cli: resetting both cards needs controller firmware 2.15.02 or "
                       "later; the device runs"
                    << box->controller_version << '\n';
        return exit_failed;
    }
    const CardResetTarget choice = args->flag("--both")      ? CardResetTarget::both
                                   : args->flag("--standby") ? CardResetTarget::standby
                                                             : CardResetTarget::working;
    if (!reset.start(cold, choice, OwnerWindow::main_window())) {
        return exit_failed;
    }
    InterruptAsCancel cancel;
    // Cancel never asks here: the reset already sent is not undone, and the card is left
    // as it is.
    const Followed followed = follow(context, reset, timeout);
    if (followed == Followed::interrupted) {
        context.err << "vornex-cli: stopped following the card reset; use the CLI of the device "
                       "to verify the card state\n";
    }
    return ended(context, reset.outcome(), followed, timeout, "card reset");
}

const CommandRegistration reset_system_registration{
    {"reset-system",
     "--target working|standby|system --cold|--warm [--timeout SECONDS] [DEVICE OPTIONS]",
     "reset the system or one XCU and follow it until it works again (asks: --yes); Ctrl-C "
     "leaves",
     reset_system}};
const CommandRegistration reset_card_registration{
    {"reset-card", "--slot N [--standby|--both] --cold|--warm [--timeout SECONDS] [DEVICE OPTIONS]",
     "reset a line card (or its protected partner, or both) and follow it until it works again "
     "(asks: --yes)",
     reset_card}};

} // namespace
} // namespace vornex::cli
