// map, unmap: make and clear cross-connects on the displayed map from a shell. The leaves
// are named as map export rows name them and go through the same selection rules as the
// map window, so the command line allows exactly what the window allows; --identifier is
// the window's "apply" with its identifier field, kept in the comment file.
#include "cli/cli.h"
#include "cli/device_options.h"
#include "cli/map_options.h"
#include "comments/comments.h"
#include "device/box.h"
#include "xc/endpoint_path.h"
#include "xc/map_controls.h"
#include "xc/xc_commands.h"
#include "xc/xc_probe.h"

#include <cstdlib>

namespace vornex::cli {
namespace {

// The names of a path, as an export row spells it too: blanks around a name do not count.
std::vector<std::string> split_path(const std::string& text) {
    std::vector<std::string> names;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string name = text.substr(start, comma - start);
        const std::size_t first = name.find_first_not_of(" \t");
        const std::size_t last = name.find_last_not_of(" \t");
        names.push_back(first == std::string::npos ? "" : name.substr(first, last - first + 1));
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

// --identifier TEXT: "apply" checked with TEXT in the identifier field, which holds 18
// characters; the identifiers then change in the comment file, which this command must be
// able to write. Returns exit_ok, or the exit code after the reason.
int take_identifier(Context& context, MapCommand& command, MapOptions& options) {
    const auto text = command.args->value("--identifier");
    if (!text) {
        return exit_ok;
    }
    if (text->size() > identifier_max_length) {
        context.err << "vornex-cli: --identifier takes at most " << identifier_max_length
                    << " characters\n";
        return exit_usage;
    }
    options.apply = true;
    options.identifier = *text;
    return load_map_comments(context, command, true);
}

int map(Context& context, const std::vector<std::string>& words) {
    const char* usage = "map DEVICE OPTIONS [--map 1|2] --dst PATH --src PATH [--count N] "
                        "[--one-way] [--voice] [--a-mu] [--sig-conv N] [--identifier TEXT "
                        "[--comments FILE.mec]]";
    MapCommand command;
    const int opened = open_map_command(
        context, words, usage, {"--one-way", "--voice", "--a-mu"}, 0, false, command,
        {"--dst", "--src", "--count", "--sig-conv", "--table", "--identifier"});
    if (opened != exit_ok) {
        return opened;
    }
    std::unique_ptr<Box>& box = command.box;
    const std::optional<Args>& args = command.args;
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
    if (const int taken = take_identifier(context, command, options); taken != exit_ok) {
        return taken;
    }
    const int mapped =
        map_selection(*box, 0, one_way ? xc_unidirectional : xc_bidirectional, options);
    save_map_comments(command);
    return mapped == 0 ? exit_ok : exit_failed;
}

int unmap(Context& context, const std::vector<std::string>& words) {
    const char* usage = "unmap DEVICE OPTIONS [--map 1|2] --dst PATH [--count N] [--one-way] "
                        "[--identifier TEXT [--comments FILE.mec]]";
    MapCommand command;
    const int opened = open_map_command(context, words, usage, {"--one-way"}, 0, false, command,
                                        {"--dst", "--count", "--identifier"});
    if (opened != exit_ok) {
        return opened;
    }
    std::unique_ptr<Box>& box = command.box;
    const std::optional<Args>& args = command.args;
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
    MapOptions options;
    if (const int taken = take_identifier(context, command, options); taken != exit_ok) {
        return taken;
    }
    const int cleared =
        unmap_selection(*box, 0, one_way ? xc_unidirectional : xc_bidirectional, options);
    save_map_comments(command);
    return cleared == 0 ? exit_ok : exit_failed;
}

const CommandRegistration map_registration{
    {"map",
     "DEVICE OPTIONS [--map 1|2] --dst PATH --src PATH [--count N] [--one-way] [--voice]\n"
     "      [--a-mu] [--sig-conv N] [--identifier TEXT [--comments FILE.mec]]",
     "cross-connect N leaves from PATH (named like an export row: E1-NP, Trib1, Port-01, "
     "TS-01),\n      with --identifier giving the mapped leaves that identifier on this map",
     map}};
const CommandRegistration unmap_registration{
    {"unmap",
     "DEVICE OPTIONS [--map 1|2] --dst PATH [--count N] [--one-way]\n"
     "      [--identifier TEXT [--comments FILE.mec]]",
     "clear the cross-connects of N leaves from PATH, with --identifier their identifiers on\n"
     "      this map too",
     unmap}};

} // namespace
} // namespace vornex::cli
