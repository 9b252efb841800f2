#include "shell/shell.h"

#include "device/box.h"

#include <cstdio>

namespace vornex {

namespace {

constexpr std::size_t title_buffer = 120;
constexpr std::size_t command_line_buffer = 260;

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

std::string console_command_line(ConsoleKind kind, const std::string& host, bool legacy_ssh) {
    const char* program = kind == ConsoleKind::ssh && legacy_ssh ? "putty2014" : "putty";
    const char* protocol = kind == ConsoleKind::telnet ? "-telnet" : "-ssh";
    return cut(std::string(program) + " " + protocol + " " + host, command_line_buffer);
}

int start_console(Presenter& presenter, ProcessLauncher& launcher,
                  const std::string& command_line) {
    const int error = launcher.start_detached(command_line);
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
