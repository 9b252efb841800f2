// device-file show|write: read and provision device configuration files from scripts, so
// that files for many devices can be made without the edit dialog, plain or encrypted.
#include "base/file_replace.h"
#include "cli/cli.h"
#include "cli/config_option.h"
#include "cli/device_options.h"
#include "config/device_config.h"
#include "config/password_prompt.h"
#include "config/self_test.h"

#include <random>

namespace vornex::cli {
namespace {

// As the edit dialog masks them: one asterisk per character.
std::string masked(const std::string& secret, bool reveal) {
    return reveal ? secret : std::string(secret.size(), '*');
}

int show(Context& context, const std::vector<std::string>& words) {
    const auto args = Args::parse(words, {"--password-file"}, {"--show-secrets"}, context.err);
    if (!args || args->positional().size() != 1) {
        context.err << "usage: vornex-cli device-file show FILE [--password-file FILE] "
                       "[--show-secrets]\n";
        return exit_usage;
    }
    const std::string& file = args->positional().front();
    CommandLinePasswordPrompt prompt(*args, context.err);
    device_config config;
    if (device_config_read(context.presenter, prompt, OwnerWindow::main_window(), file, config) !=
        0) {
        return exit_failed;
    }
    const bool reveal = args->flag("--show-secrets");
    context.out << "file: " << display_path(config.file_name)
                << "\nencrypted: " << (config.encrypted ? "yes" : "no")
                << "\nhostname: " << config.hostname
                << "\nsnmp: " << (config.snmp_version == snmp_version_3 ? 3 : 1)
                << "\nauth_protocol: " << auth_protocol_name(config.auth_protocol)
                << "\npriv_protocol: " << priv_protocol_name(config.priv_protocol)
                << "\nget_community: " << masked(config.get_community, reveal)
                << "\nset_community: " << masked(config.set_community, reveal)
                << "\nsecurity_username: " << config.security_username
                << "\ncontext_name: " << config.context_name
                << "\nauth_key: " << masked(config.auth_key, reveal)
                << "\npriv_key: " << masked(config.priv_key, reveal)
                << "\ncomment_file: " << display_path(config.comment_file) << '\n';
    return exit_ok;
}

// The option that sets each field of the record.
const char* option_name(ConfigField field) {
    switch (field) {
    case ConfigField::hostname:
        return "--hostname";
    case ConfigField::get_community:
        return "--get-community";
    case ConfigField::set_community:
        return "--set-community";
    case ConfigField::security_username:
        return "--security-username";
    case ConfigField::context_name:
        return "--context-name";
    case ConfigField::auth_key:
        return "--auth-key";
    case ConfigField::priv_key:
        return "--priv-key";
    case ConfigField::comment_file:
        break;
    }
    return "--comment-file";
}

int write(Context& context, const std::vector<std::string>& words) {
    std::vector<std::string_view> options = device_option_names();
    options.push_back("--comment-file");
    options.push_back("--password-file");
    const auto args = Args::parse(words, options, {"--encrypt"}, context.err);
    device_config config;
    if (!args || args->positional().size() != 1 ||
        !device_config_from_args(*args, config, context.err)) {
        context.err << "usage: vornex-cli device-file write FILE [DEVICE OPTIONS] "
                       "[--comment-file PATH] [--encrypt [--password-file FILE]]\n";
        return exit_usage;
    }
    const std::string comment_file = args->value("--comment-file").value_or("");
    config.comment_file =
        std::filesystem::path(std::u8string(comment_file.begin(), comment_file.end()));
    if (const auto refusal = device_config_refusal(config)) {
        context.err << "vornex-cli: " << option_name(refusal->field) << ' ' << refusal->rule
                    << '\n';
        return exit_usage;
    }
    config.file_name = args->positional().front();

    if (args->flag("--encrypt")) {
        auto password = password_from_command_line(*args, context.err);
        if (!password) {
            return exit_usage;
        }
        if (password->size() > password_max_length || !password_strong_enough(*password)) {
            context.err << "vornex-cli: the password must be 8 to 39 characters and contain 3 of "
                           "the 4 character types: upper-case, lower-case, numeral, special\n";
            return exit_usage;
        }
        // No settings here to carry a generator key from run to run: start from a fresh one.
        std::random_device random;
        PrngKey salt;
        for (auto& b : salt) {
            b = static_cast<std::uint8_t>(random());
        }
        if (!crypto_self_test(context.presenter, salt)) {
            return exit_failed;
        }
        config.encrypted = true;
        config.password = *password;
        config.verify_password = *password;
    }
    return device_config_write(context.presenter, OwnerWindow::main_window(), config.file_name,
                               config) == 0
               ? exit_ok
               : exit_failed;
}

int device_file(Context& context, const std::vector<std::string>& words) {
    if (!words.empty() && words.front() == "show") {
        return show(context, {words.begin() + 1, words.end()});
    }
    if (!words.empty() && words.front() == "write") {
        return write(context, {words.begin() + 1, words.end()});
    }
    context.err << "usage: vornex-cli device-file show|write FILE ...\n";
    return exit_usage;
}

const CommandRegistration registration{
    {"device-file",
     "show FILE [--password-file FILE] [--show-secrets]\n"
     "  device-file write FILE [DEVICE OPTIONS] [--comment-file PATH] [--encrypt]\n"
     "      [--password-file FILE]",
     "show a device configuration file (secrets masked), or write one from the device\n"
     "      options, encrypted with --encrypt; the password comes from --password-file or\n"
     "      VORNEX_PASSWORD. Device subcommands take --config FILE.lcf [--password-file FILE]",
     device_file}};

} // namespace
} // namespace vornex::cli
