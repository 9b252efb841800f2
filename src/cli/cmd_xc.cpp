// map, unmap: make and clear cross-connects on the displayed map from a shell. The leaves
// are named as map export rows name them and go through the same selection rules as the
// map window, so the command line allows exactly what the window allows.
#include "cli/cli.h"
#include "cli/device_options.h"
#include "device/box.h"
#include "xc/endpoint_path.h"
#include "xc/map_controls.h"
#include "xc/xc_commands.h"
#include "xc/xc_probe.h"

#include <cstdlib>

namespace vornex::cli {
namespace {

std::vector<std::string> split_path(const std::string& text) {
    std::vector<std::string> names;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        names.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) {
            return names;
        }
        start = comma + 1;
    }
}

// Marks `count` leaves from `first` selected on `side`, reading their cross-connects as
// the window would have before showing them. False when the run is too short or a read
// failed.
bool select_run(Box& box, HsEntry& first, int count, int side, Context& context,
                const std::string& path) {
    HsEntry* leaf = &first;
    for (int i = 0; i < count; ++i, leaf = next_sibling(*leaf)) {
        if (leaf == nullptr) {
            context.err << "vornex-cli: " << path << " has fewer than " << count
                        << " leaves after it\n";
            return false;
        }
        bool failed = false;
        xc_read_leaf(box, *leaf, failed);
        if (failed) {
            return false;
        }
        leaf->view.open_or_selected[side] = 1;
    }
    return true;
}

// The leaf a PATH names; null (with the reason on stderr) when there is none.
HsEntry* locate(Box& box, Context& context, const std::string& path) {
    HsEntry* leaf = find_endpoint_by_path(box, split_path(path));
    if (leaf == nullptr) {
        context.err << "vornex-cli: no endpoint " << path << " on this device\n";
    }
    return leaf;
}

std::optional<int> count_of(const Args& args, Context& context) {
    const int count = std::atoi(args.value("--count").value_or("1").c_str());
    if (count < 1) {
        context.err << "vornex-cli: --count takes 1 or more\n";
        return std::nullopt;
    }
    return count;
}

int map(Context& context, const std::vector<std::string>& words) {
    const char* usage = "map DEVICE OPTIONS [--map 1|2] --dst PATH --src PATH [--count N] "
                        "[--one-way] [--voice] [--a-mu] [--sig-conv N]";
    std::optional<Args> args;
    int exit_code = exit_ok;
    auto box =
        open_device_command(context, words, {"--dst", "--src", "--count", "--sig-conv", "--table"},
                            {"--one-way", "--voice", "--a-mu"}, usage, args, exit_code);
    if (!box) {
        return exit_code;
    }
    const auto count = count_of(*args, context);
    if (!args->value("--dst") || !args->value("--src") || !count) {
        context.err << "usage: vornex-cli " << usage << '\n';
        return exit_usage;
    }
    if (!build_device_model(context, box)) {
        return exit_failed;
    }
    HsEntry* dst = locate(*box, context, *args->value("--dst"));
    HsEntry* src = locate(*box, context, *args->value("--src"));
    if (dst == nullptr || src == nullptr) {
        return exit_usage;
    }
    // The destination is the window's left side, the source its right.
    if (!select_run(*box, *dst, *count, 0, context, *args->value("--dst")) ||
        !select_run(*box, *src, *count, 1, context, *args->value("--src"))) {
        return exit_failed;
    }
    const bool one_way = args->flag("--one-way");
    const bool voice = args->flag("--voice");
    const MapControls allowed = update_map_controls(*box, voice);
    const bool button = one_way ? allowed.map_left : allowed.map_both;
    if (!button) {
        context.err << "vornex-cli: the map window does not allow this cross-connect: the runs "
                       "must have the same kind, every leaf must be free"
                    << (one_way ? " on the destination side, and neither side on the in-band "
                                  "card\n"
                                : " on both sides\n");
        return exit_failed;
    }
    if ((voice && !allowed.voice_checked) || (args->flag("--a-mu") && !allowed.a_mu_enabled)) {
        context.err << "vornex-cli: " << (voice ? "--voice" : "--a-mu")
                    << " is not allowed for these endpoints\n";
        return exit_failed;
    }
    MapOptions options;
    options.data_checked = allowed.data_checked;
    options.voice_checked = allowed.voice_checked;
    options.a_mu_checked = args->flag("--a-mu");
    options.sig_conv = args->value("--sig-conv").value_or(args->value("--table").value_or(""));
    return map_selection(*box, 0, one_way ? xc_unidirectional : xc_bidirectional, options) == 0
               ? exit_ok
               : exit_failed;
}

int unmap(Context& context, const std::vector<std::string>& words) {
    const char* usage = "unmap DEVICE OPTIONS [--map 1|2] --dst PATH [--count N] [--one-way]";
    std::optional<Args> args;
    int exit_code = exit_ok;
    auto box = open_device_command(context, words, {"--dst", "--count"}, {"--one-way"}, usage, args,
                                   exit_code);
    if (!box) {
        return exit_code;
    }
    const auto count = count_of(*args, context);
    if (!args->value("--dst") || !count) {
        context.err << "usage: vornex-cli " << usage << '\n';
        return exit_usage;
    }
    if (!build_device_model(context, box)) {
        return exit_failed;
    }
    HsEntry* dst = locate(*box, context, *args->value("--dst"));
    if (dst == nullptr) {
        return exit_usage;
    }
    if (!select_run(*box, *dst, *count, 0, context, *args->value("--dst"))) {
        return exit_failed;
    }
    const bool one_way = args->flag("--one-way");
    const MapControls allowed = update_map_controls(*box, false);
    if (!(one_way ? allowed.unmap_left : allowed.unmap_both_left)) {
        context.err << "vornex-cli: the map window does not allow a one-way unmap on the "
                       "in-band card\n";
        return exit_failed;
    }
    return unmap_selection(*box, 0, one_way ? xc_unidirectional : xc_bidirectional, {}) == 0
               ? exit_ok
               : exit_failed;
}

const CommandRegistration map_registration{
    {"map",
     "DEVICE OPTIONS [--map 1|2] --dst PATH --src PATH [--count N] [--one-way] [--voice]\n"
     "      [--a-mu] [--sig-conv N]",
     "cross-connect N leaves from PATH (named like an export row: E1-NP,Trib1,Port-01,TS-01)",
     map}};
const CommandRegistration unmap_registration{
    {"unmap", "DEVICE OPTIONS [--map 1|2] --dst PATH [--count N] [--one-way]",
     "clear the cross-connects of N leaves from PATH", unmap}};

} // namespace
} // namespace vornex::cli
