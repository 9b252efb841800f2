#include "cli/map_options.h"

#include "cli/device_options.h"
#include "model/card.h"

#include <atomic>
#include <csignal>

namespace vornex::cli {

namespace {

std::atomic<bool> interrupted{false};

extern "C" void on_interrupt(int) {
    interrupted = true;
}

} // namespace

int open_map_command(Context& context, const std::vector<std::string>& words, const char* usage,
                     const std::vector<std::string_view>& flags, std::size_t positional,
                     bool build_model, MapCommand& command,
                     const std::vector<std::string_view>& options) {
    int exit_code = exit_ok;
    std::vector<std::string_view> with_comments = options;
    with_comments.push_back("--comments");
    command.box = open_device_command(context, words, with_comments, flags, usage, command.args,
                                      exit_code, positional, &command.config);
    if (!command.box) {
        return exit_code;
    }
    if (const auto comments = command.args->value("--comments")) {
        command.config.comment_file = *comments;
    }
    if (build_model && !build_device_model(context, command.box)) {
        return exit_failed;
    }
    return exit_ok;
}

int load_map_comments(Context& context, MapCommand& command, bool must_edit) {
    const int loaded = comment_file_load(*command.box, cli_comment_chooser(),
                                         OwnerWindow::main_window(), command.config);
    command.comments_loaded = loaded == 0;
    if (loaded != 0 && must_edit) {
        context.err << "vornex-cli: the comment file cannot be written by this command; nothing "
                       "was changed\n";
        return exit_failed;
    }
    return exit_ok;
}

void save_map_comments(MapCommand& command) {
    if (command.comments_loaded) {
        comment_file_save(command.box.get(), cli_comment_chooser(), OwnerWindow::main_window(),
                          &command.config);
        command.comments_loaded = false;
    }
}

InterruptProgress::InterruptProgress() {
    interrupted = false;
    std::signal(SIGINT, on_interrupt);
}

InterruptProgress::~InterruptProgress() {
    std::signal(SIGINT, SIG_DFL);
}

bool InterruptProgress::cancelled() {
    return interrupted;
}

} // namespace vornex::cli
