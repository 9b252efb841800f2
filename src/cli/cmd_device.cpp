// identify, cards, tree: what the program learns when it opens a device, for scripts.
// Each opens the device exactly as the program does; --json gives the same facts as JSON.
#include "cli/cli.h"
#include "cli/config_option.h"
#include "cli/device_options.h"
#include "device/box.h"
#include "model/card.h"
#include "xc/endpoint_path.h"
#include "xc/xc_commands.h"
#include "xc/xc_probe.h"

#include <functional>

namespace vornex::cli {
namespace {

std::string yes_no(bool flag) {
    return flag ? "yes" : "no";
}
std::string json_bool(bool flag) {
    return flag ? "true" : "false";
}

std::string json_address(const EndpointAddress& a) {
    std::string text;
    for (std::size_t i = 0; i < a.size(); ++i) {
        text += (i == 0 ? "" : ", ") + std::to_string(a[i]);
    }
    return text;
}

int identify(Context& context, const std::vector<std::string>& words) {
    std::optional<Args> args;
    int exit_code = exit_ok;
    auto box = open_device_command(context, words, {}, {"--json"},
                                   "identify [DEVICE OPTIONS] [--json]", args, exit_code);
    if (!box) {
        return exit_code;
    }
    std::string sync;
    xcu_sync_status(*box, sync);
    const long working = working_xcu(*box);
    std::string root;
    for (unsigned i = 0; i < box->root_len; ++i) {
        root += (i == 0 ? "" : ".") + std::to_string(box->root[i]);
    }
    std::ostream& out = context.out;
    if (args->flag("--json")) {
        out << "{\"host\": " << json_string(box->host())
            << ", \"sysName\": " << json_string(box->sys_name)
            << ", \"model\": " << json_string(box->model->name) << ", \"root\": \"" << root
            << "\", \"serial_1\": " << box->serial_1 << ", \"serial_2\": " << box->serial_2
            << ", \"firmware\": " << json_string(box->controller_version)
            << ", \"fw_lt_2_15_01\": " << json_bool(box->fw_lt_2_15_01)
            << ", \"fw_ge_2_15_01\": " << json_bool(box->fw_ge_2_15_01)
            << ", \"fw_ge_2_15_02\": " << json_bool(box->fw_ge_2_15_02)
            << ", \"power_supply_1\": " << json_string(box->power_supply_1)
            << ", \"power_supply_2\": " << json_string(box->power_supply_2)
            << ", \"xcu_sync\": " << json_string(sync) << ", \"working_xcu\": " << working
            << ", \"active_map\": " << box->active_map << "}\n";
    } else {
        out << "host: " << box->host() << "\nsysName: " << box->sys_name
            << "\nmodel: " << box->model->name << "\nroot: " << root
            << "\ncontroller 1 serial: " << box->serial_1
            << "\ncontroller 2 serial: " << box->serial_2
            << "\nfirmware:" << box->controller_version
            << "\nfirmware before 2.15.01: " << yes_no(box->fw_lt_2_15_01)
            << "\nfirmware 2.15.01 or later: " << yes_no(box->fw_ge_2_15_01)
            << "\nfirmware 2.15.02 or later: " << yes_no(box->fw_ge_2_15_02)
            << "\npower supply 1: " << box->power_supply_1
            << "\npower supply 2: " << box->power_supply_2 << "\nXCU sync: " << sync
            << "\nworking XCU: " << working << "\nactive map: " << box->active_map << '\n';
    }
    return exit_ok;
}

int cards(Context& context, const std::vector<std::string>& words) {
    std::optional<Args> args;
    int exit_code = exit_ok;
    auto box = open_device_command(context, words, {}, {"--json"},
                                   "cards [DEVICE OPTIONS] [--json]", args, exit_code);
    if (!box) {
        return exit_code;
    }
    const bool built = build_device_model(context, box);
    const bool json = args->flag("--json");
    context.out << (json ? "[" : "");
    bool first = true;
    for (const auto& card : box->cards) {
        std::string state;
        card_state(*box, *card, state);
        if (card->slot == in_band_slot) {
            state = "";
        }
        if (json) {
            context.out << (first ? "" : ", ") << "{\"slot\": " << int(card->slot)
                        << ", \"name\": " << json_string(slot_name(*box, *card))
                        << ", \"type\": " << json_string(card->type_name)
                        << ", \"registered\": " << int(card->registered_model)
                        << ", \"installed\": " << int(card->installed_model)
                        << ", \"ports\": " << int(card->port_count)
                        << ", \"state\": " << json_string(state) << "}";
        } else {
            context.out << slot_name(*box, *card) << ' ' << card->type_name << " registered "
                        << int(card->registered_model) << " installed "
                        << int(card->installed_model) << " ports " << int(card->port_count)
                        << (state.empty() ? "" : " state " + state) << '\n';
        }
        first = false;
    }
    context.out << (json ? "]\n" : "");
    return built ? exit_ok : exit_failed;
}

// The cross-connect of a leaf as the tree shows it, read from the device first; nullopt
// when the leaf is not cross-connected. `failed` is set when the device could not be read.
struct CrossConnect {
    std::string peer; // the far end's path, or its address when it is not in the tree
    bool mutual;
    bool voice;
    bool a_mu;
    int table; // 257: none
};

std::optional<CrossConnect> cross_connect(Box& box, HsEntry& leaf, bool& failed) {
    HsEntry* peer = xc_read_leaf(box, leaf, failed);
    if (failed || !is_connected(leaf)) {
        return std::nullopt;
    }
    std::string path;
    if (peer != nullptr) {
        for (const std::string& name : endpoint_path(box, *peer)) {
            path += (path.empty() ? "" : ",") + name;
        }
    } else {
        path = address_text(leaf.peer);
    }
    return CrossConnect{path, is_bidirectional(leaf, peer), leaf.channel_type == channel_voice,
                        leaf.a_mu_mode == a_mu_on, leaf.sig_conv_table};
}

std::string table_text(int table) {
    return table == no_sig_conv_table ? "none" : std::to_string(table);
}

// Prints the nodes below `list`; returns false when a cross-connect could not be read
// (the reason has been shown), which ends the listing.
bool print_tree(Box& box, std::ostream& out, const EndpointList& list, int depth, bool json) {
    bool first = true;
    for (const auto& node : list) {
        bool failed = false;
        const auto xc = node->is_leaf() ? cross_connect(box, *node, failed) : std::nullopt;
        if (failed) {
            return false;
        }
        if (json) {
            out << (first ? "" : ", ") << "{\"name\": " << json_string(node->name)
                << ", \"short_name\": " << json_string(node->short_name) << ", \"address\": ["
                << json_address(node->address) << "], \"kind\": " << int(node->kind)
                << ", \"identifier\": "
                << (node->identifier ? json_string(*node->identifier) : "null");
            if (node->is_leaf()) {
                out << ", \"xc\": ";
                if (xc) {
                    out << "{\"peer\": " << json_string(xc->peer) << ", \"direction\": \""
                        << (xc->mutual ? "mutual" : "one-way") << "\", \"channel\": \""
                        << (xc->voice ? "voice" : "data") << "\", \"a_mu\": " << json_bool(xc->a_mu)
                        << ", \"table\": "
                        << (xc->table == no_sig_conv_table ? "null" : std::to_string(xc->table))
                        << "}";
                } else {
                    out << "null";
                }
            }
            out << ", \"children\": [";
            if (!print_tree(box, out, node->children, depth + 1, true)) {
                return false;
            }
            out << "]}";
        } else {
            out << std::string(2 * depth, ' ') << node->name << ' ' << node->short_name << ' '
                << address_text(node->address) << " kind " << int(node->kind);
            if (node->identifier) {
                out << " \"" << *node->identifier << '"';
            }
            if (xc) {
                out << " xc " << xc->peer << (xc->mutual ? " mutual " : " one-way ")
                    << (xc->voice ? "voice" : "data") << " a-mu " << (xc->a_mu ? "on" : "off")
                    << " table " << table_text(xc->table);
            }
            out << '\n';
            if (!print_tree(box, out, node->children, depth + 1, false)) {
                return false;
            }
        }
        first = false;
    }
    return true;
}

int tree(Context& context, const std::vector<std::string>& words) {
    std::optional<Args> args;
    int exit_code = exit_ok;
    auto box = open_device_command(context, words, {"--slot"}, {"--json"},
                                   "tree [DEVICE OPTIONS] [--map 1|2] [--slot N] [--json]", args,
                                   exit_code);
    if (!box) {
        return exit_code;
    }
    int only = 0;
    if (const auto slot = args->value("--slot")) {
        only = std::atoi(slot->c_str());
        if (only < 1 || only > in_band_slot) {
            context.err << "vornex-cli: --slot takes 1 to 9\n";
            return exit_usage;
        }
    }
    bool complete = build_device_model(context, box);
    const bool json = args->flag("--json");
    context.out << (json ? "[" : "");
    bool first = true;
    for (const auto& card : box->cards) {
        if (only != 0 && card->slot != only) {
            continue;
        }
        if (json) {
            context.out << (first ? "" : ", ") << "{\"slot\": " << int(card->slot)
                        << ", \"name\": " << json_string(slot_name(*box, *card))
                        << ", \"type\": " << json_string(card->type_name) << ", \"endpoints\": [";
            complete = print_tree(*box, context.out, card->endpoints, 0, true) && complete;
            context.out << "]}";
        } else {
            context.out << slot_name(*box, *card) << ' ' << card->type_name << '\n';
            complete = print_tree(*box, context.out, card->endpoints, 1, false) && complete;
        }
        first = false;
    }
    context.out << (json ? "]\n" : "");
    return complete ? exit_ok : exit_failed;
}

const char* const device_usage =
    "[--hostname HOST[:PORT]] [--snmp 1|3] [--get-community C] [--set-community C]\n"
    "      [--security-username U] [--context-name C] [--auth-protocol none|md5|sha]\n"
    "      [--priv-protocol none|des|aes] [--auth-key K] [--priv-key K]\n"
    "      | --config FILE.lcf [--password-file FILE]";

const CommandRegistration identify_registration{
    {"identify", device_usage,
     "open the device; print host, sysName, model, root and the controllers (--json too);\n"
     "      secrets may come from VORNEX_GET_COMMUNITY, VORNEX_SET_COMMUNITY, VORNEX_AUTH_KEY,\n"
     "      VORNEX_PRIV_KEY and VORNEX_PASSWORD",
     identify}};
const CommandRegistration cards_registration{
    {"cards", "DEVICE OPTIONS [--json]",
     "one line per card: slot, type, registered and installed codes, ports, state", cards}};
const CommandRegistration tree_registration{
    {"tree", "DEVICE OPTIONS [--map 1|2] [--slot N] [--json]",
     "the endpoint tree: long and short name, address, kind, identifier, and each leaf's\n"
     "      cross-connect on the displayed map (the active one unless --map)",
     tree}};

} // namespace
} // namespace vornex::cli
