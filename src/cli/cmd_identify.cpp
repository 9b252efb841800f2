// identify: opens the device exactly as the program does and tells what it found.
#include "cli/cli.h"
#include "cli/device_options.h"
#include "snmp/box.h"

namespace vornex::cli {
namespace {

int identify(Context& context, const std::vector<std::string>& words) {
    const auto args = Args::parse(words, device_option_names(), {}, context.err);
    device_config config;
    if (!args || !args->positional().empty() ||
        !device_config_from_args(*args, config, context.err)) {
        context.err << "usage: vornex-cli identify [DEVICE OPTIONS]\n";
        return exit_usage;
    }
    std::unique_ptr<Box> box =
        AM_New_Box(context.presenter, OwnerWindow::main_window(), config, cli_session_timings());
    if (!box) {
        return exit_failed;
    }
    std::string root;
    for (unsigned i = 0; i < box->root_len; ++i) {
        root += (i == 0 ? "" : ".") + std::to_string(box->root[i]);
    }
    context.out << "host: " << box->host() << "\nsysName: " << box->sys_name
                << "\nmodel: " << box->model->name << "\nroot: " << root << '\n';
    free_box(box);
    return exit_ok;
}

const CommandRegistration registration{
    {"identify",
     "[--hostname HOST[:PORT]] [--snmp 1|3] [--get-community C] [--set-community C]\n"
     "      [--security-username U] [--context-name C] [--auth-protocol none|md5|sha]\n"
     "      [--priv-protocol none|des|aes] [--auth-key K] [--priv-key K]",
     "open the device and print its host, sysName, model and device root; the secrets may\n"
     "      come from VORNEX_GET_COMMUNITY, VORNEX_SET_COMMUNITY, VORNEX_AUTH_KEY, VORNEX_PRIV_KEY",
     identify}};

} // namespace
} // namespace vornex::cli
