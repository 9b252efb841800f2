#include "cli/device_options.h"

#include "cli/config_option.h"
#include "device/box.h"
#include "device/opening.h"

#include <cstdlib>

namespace vornex::cli {

std::vector<std::string_view> device_option_names() {
    return {"--hostname",          "--snmp",         "--get-community", "--set-community",
            "--security-username", "--context-name", "--auth-protocol", "--priv-protocol",
            "--auth-key",          "--priv-key"};
}

namespace {

void from_environment(const char* variable, std::string& field) {
    if (const char* value = std::getenv(variable)) {
        field = value;
    }
}

bool choose(const Args& args, std::string_view option,
            std::initializer_list<std::pair<const char*, int>> choices, int& field,
            std::ostream& err) {
    const auto value = args.value(option);
    if (!value) {
        return true;
    }
    for (const auto& [name, code] : choices) {
        if (*value == name) {
            field = code;
            return true;
        }
    }
    err << "vornex-cli: " << option << " does not take \"" << *value << "\"\n";
    return false;
}

} // namespace

bool device_config_from_args(const Args& args, device_config& config, std::ostream& err) {
    device_config_set_defaults(config);
    from_environment("VORNEX_GET_COMMUNITY", config.get_community);
    from_environment("VORNEX_SET_COMMUNITY", config.set_community);
    from_environment("VORNEX_AUTH_KEY", config.auth_key);
    from_environment("VORNEX_PRIV_KEY", config.priv_key);

    const std::pair<std::string_view, std::string*> texts[] = {
        {"--hostname", &config.hostname},
        {"--get-community", &config.get_community},
        {"--set-community", &config.set_community},
        {"--security-username", &config.security_username},
        {"--context-name", &config.context_name},
        {"--auth-key", &config.auth_key},
        {"--priv-key", &config.priv_key},
    };
    for (const auto& [option, field] : texts) {
        if (const auto value = args.value(option)) {
            *field = *value;
        }
    }
    return choose(args, "--snmp", {{"1", snmp_version_1}, {"3", snmp_version_3}},
                  config.snmp_version, err) &&
           choose(args, "--auth-protocol",
                  {{"none", auth_none}, {"md5", auth_md5}, {"sha", auth_sha}}, config.auth_protocol,
                  err) &&
           choose(args, "--priv-protocol",
                  {{"none", priv_none}, {"des", priv_des}, {"aes", priv_aes}}, config.priv_protocol,
                  err);
}

std::unique_ptr<Box> open_device_command(Context& context, const std::vector<std::string>& words,
                                         const std::vector<std::string_view>& extra_options,
                                         const std::vector<std::string_view>& flags,
                                         const char* usage, std::optional<Args>& args,
                                         int& exit_code, std::size_t positional,
                                         device_config* config_used) {
    std::vector<std::string_view> options = device_and_config_option_names();
    options.push_back("--map");
    options.insert(options.end(), extra_options.begin(), extra_options.end());
    args = Args::parse(words, options, flags, context.err);
    const auto map = args ? args->value("--map") : std::nullopt;
    if (!args || args->positional().size() != positional || (map && *map != "1" && *map != "2")) {
        context.err << "usage: vornex-cli " << usage << '\n';
        exit_code = exit_usage;
        return nullptr;
    }
    device_config config;
    exit_code = device_config_from_command_line(context, *args, config);
    if (exit_code != exit_ok) {
        return nullptr;
    }
    // The window's opening up to the card table: sessions, controllers, displayed map. The
    // subcommands that need endpoints run the card steps themselves; none of them asks.
    OpeningServices services{
        context.presenter, cli_comment_chooser(), cli_session_timings(), {}, {}};
    if (map) {
        services.choose_displayed_map = [&](Box& opened) {
            opened.displayed_map = std::stoi(*map);
        };
    }
    std::unique_ptr<Box> box;
    if (DeviceOpening::open(box, config, services, {.model = false, .comments = false}).run() ==
        DeviceOpening::Outcome::failed) {
        exit_code = exit_failed;
        return nullptr;
    }
    if (config_used != nullptr) {
        *config_used = config;
    }
    return box;
}

bool build_device_model(Context& context, std::unique_ptr<Box>& box) {
    OpeningServices services{
        context.presenter, cli_comment_chooser(), cli_session_timings(), {}, {}};
    return DeviceOpening::from_card_table(box, nullptr, services,
                                          {.model = true, .comments = false})
               .run() == DeviceOpening::Outcome::done;
}

CommentFileChooser& cli_comment_chooser() {
    // The command line never picks another comment file: "Specify Comment File" is a skip.
    class NoBrowseChooser : public CommentFileChooser {
    public:
        int comment_file_browse(OwnerWindow, device_config&) override { return 1; }
        // Without a browser only "Skip" ends the save's question: answering it OK (--yes, or
        // an import that goes on past every question) would ask again forever.
        int run_comment_dialog(Presenter& presenter, OwnerWindow owner,
                               CommentDialog which) override {
            if (which == CommentDialog::read_error) {
                return CommentFileChooser::run_comment_dialog(presenter, owner, which);
            }
            error_dialog(presenter, owner,
                         "%s\r\n(skipped: no other comment file can be chosen here)",
                         comment_dialog_message(which).c_str());
            return dialog_cancel;
        }
    };
    static NoBrowseChooser instance;
    return instance;
}

session_timings cli_session_timings() {
    session_timings timings;
    if (std::getenv("VORNEX_TEST_SHORT_TIMEOUTS") != nullptr) {
        timings.probe = {1, 300'000};
        timings.get = {1, 300'000};
        timings.set = {1, 300'000};
    }
    return timings;
}

} // namespace vornex::cli
