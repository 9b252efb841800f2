#include "shell/shell.h"

#include "device/box.h"

#include <cstdio>

namespace vornex {

namespace {

constexpr std::size_t title_buffer = 120;

std::string cut(std::string text, std::size_t buffer) {
    if (text.size() >= buffer) {
        text.resize(buffer - 1);
    }
    return text;
}

} // namespace

std::string main_window_title(const char* program_title, const Box& box) {
    const std::string text = std::string(program_title) + ": " + box.host() + " - " + box.sys_name +
                             " - Map" + std::to_string(box.displayed_map) + " (" +
                             (box.displayed_map == box.active_map ? "" : "in") + "active)";
    return cut(text, title_buffer);
}

std::string CommandLine::text() const {
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) {
        text += (i == 0 ? "" : " ") + words[i];
    }
    return text;
}

CommandLine console_command_line(ConsoleKind kind, const std::string& host, bool legacy_ssh) {
    const char* program = kind == ConsoleKind::ssh && legacy_ssh ? "putty2014" : "putty";
    const char* protocol = kind == ConsoleKind::telnet ? "-telnet" : "-ssh";
    CommandLine command{{program, protocol, ""}};
    command.words.back() = cut(host, command_line_limit + 1 - command.text().size());
    return command;
}

int start_console(Presenter& presenter, ProcessLauncher& launcher, const CommandLine& command) {
    const int error = launcher.start_detached(command);
    if (error != 0) {
        internal_error_box(presenter, "CreateProcess failed (%d)\n", error);
        return 1;
    }
    return 0;
}

void command_not_available(Presenter& presenter, const char* command) {
    error_dialog_main(presenter,
                      "*Not Available\r\n\r\n\r\n%s is not available in this version of the "
                      "program yet.",
                      command);
}

} // namespace vornex
