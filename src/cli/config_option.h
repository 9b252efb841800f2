#pragma once
// --config FILE.lcf for every device subcommand: the device is then described by a device
// configuration file, plain or encrypted, instead of the device options. The password of an
// encrypted file comes from --password-file FILE (its first line) or the VORNEX_PASSWORD
// environment variable, never from an argument, so it does not show in a process list.

#include "cli/cli.h"
#include "config/device_config.h"
#include "config/password_prompt.h"

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace vornex::cli {

// "--config" and "--password-file", for Args::parse.
std::vector<std::string_view> config_option_names();
// The device options and the two above: what a device subcommand passes to Args::parse.
std::vector<std::string_view> device_and_config_option_names();

// The password from --password-file or VORNEX_PASSWORD; nullopt, with the reason written to
// `err`, when neither gives one or the file cannot be read.
std::optional<std::string> password_from_command_line(const Args& args, std::ostream& err);

// Answers the password prompt of an encrypted file from the command line.
class CommandLinePasswordPrompt : public PasswordPrompt {
public:
    CommandLinePasswordPrompt(const Args& args, std::ostream& err) : args_(args), err_(err) {}
    std::optional<std::string> ask_config_password(OwnerWindow owner,
                                                   const std::filesystem::path& file) override;

private:
    const Args& args_;
    std::ostream& err_;
};

// Fills `config` for a device subcommand: from the --config file when given (device options
// beside it are refused), else from the device options. Returns exit_ok; exit_usage with the
// reason on context.err; or exit_failed after the reader's messages.
int device_config_from_command_line(Context& context, const Args& args, device_config& config);

} // namespace vornex::cli
