#include "cli/config_option.h"

#include "cli/device_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace vornex::cli {

std::vector<std::string_view> config_option_names() {
    return {"--config", "--password-file"};
}

std::vector<std::string_view> device_and_config_option_names() {
    std::vector<std::string_view> names = device_option_names();
    for (std::string_view name : config_option_names()) {
        names.push_back(name);
    }
    return names;
}

std::optional<std::string> password_from_command_line(const Args& args, std::ostream& err) {
    if (const auto file = args.value("--password-file")) {
        std::ifstream in(*file, std::ios::binary);
        std::string line;
        if (!in || (!std::getline(in, line) && !in.eof())) {
            err << "vornex-cli: cannot read password file " << *file << ": " << std::strerror(errno)
                << '\n';
            return std::nullopt;
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        return line;
    }
    if (const char* value = std::getenv("VORNEX_PASSWORD")) {
        return std::string(value);
    }
    err << "vornex-cli: a password is needed: give --password-file FILE or set VORNEX_PASSWORD\n";
    return std::nullopt;
}

std::optional<std::string>
CommandLinePasswordPrompt::ask_config_password(OwnerWindow, const std::filesystem::path& file) {
    auto password = password_from_command_line(args_, err_);
    if (!password) {
        err_ << "vornex-cli: " << file.string() << " is encrypted\n";
    }
    return password;
}

int device_config_from_command_line(Context& context, const Args& args, device_config& config) {
    const auto file = args.value("--config");
    if (!file) {
        return device_config_from_args(args, config, context.err) ? exit_ok : exit_usage;
    }
    for (std::string_view option : device_option_names()) {
        if (args.value(option)) {
            context.err << "vornex-cli: --config cannot be combined with " << option << '\n';
            return exit_usage;
        }
    }
    CommandLinePasswordPrompt prompt(args, context.err);
    return device_config_read(context.presenter, prompt, OwnerWindow::main_window(), *file,
                              config) == 0
               ? exit_ok
               : exit_failed;
}

} // namespace vornex::cli
