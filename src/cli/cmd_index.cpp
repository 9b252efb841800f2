// index: the map window's endpoint index from a shell. It lists every name an endpoint has
// (the identifiers of the displayed map from the comment file, the identifiers the device
// stores for its ports) in the index's order with each endpoint's path; --find keeps the
// names the search box would find and, as choosing a name in the window does, reads each
// leaf's cross-connect and names its far end.
#include "cli/cli.h"
#include "cli/map_options.h"
#include "view/endpoint_index.h"
#include "xc/endpoint_path.h"
#include "xc/xc_probe.h"

namespace vornex::cli {
namespace {

std::string path_text(const Box& box, const HsEntry& node) {
    std::string text;
    for (const std::string& name : endpoint_path(box, node)) {
        text += (text.empty() ? "" : ",") + name;
    }
    return text;
}

int index(Context& context, const std::vector<std::string>& words) {
    const char* usage =
        "index DEVICE OPTIONS [--map 1|2] [--comments FILE.mec] [--find TEXT] [--substring]";
    MapCommand command;
    const int opened =
        open_map_command(context, words, usage, {"--substring"}, 0, true, command, {"--find"});
    if (opened != exit_ok) {
        return opened;
    }
    const auto find = command.args->value("--find");
    if (find && (find->empty() || find->size() > index_search_limit)) {
        context.err << "vornex-cli: --find takes 1 to " << index_search_limit << " characters\n";
        return exit_usage;
    }
    // Identifiers are read only; without a comment file only the device's are listed.
    if (!command.config.comment_file.empty()) {
        load_map_comments(context, command, false);
    }
    Box& box = *command.box;
    int listed = 0;
    for (const IndexRow& row : fill_endpoint_index(box.cards, &box)) {
        if (find && !index_row_matches(row.text, *find, command.args->flag("--substring"))) {
            continue;
        }
        std::string line = row.text + '\t' + path_text(box, *row.node);
        if (find && row.node->is_leaf()) {
            bool failed = false;
            const HsEntry* far = xc_read_leaf(box, *row.node, failed);
            if (failed) {
                // The read's failure has been shown; a row without its far end is not printed.
                save_map_comments(command);
                return exit_failed;
            }
            line += "\t-> " + (far != nullptr            ? path_text(box, *far)
                               : is_connected(*row.node) ? address_text(row.node->peer)
                                                         : std::string("not cross-connected"));
        }
        context.out << line << '\n';
        ++listed;
    }
    save_map_comments(command);
    if (find && listed == 0) {
        context.err << "vornex-cli: no name in the index matches \"" << *find << "\"\n";
        return exit_failed;
    }
    return exit_ok;
}

const CommandRegistration index_registration{
    {"index", "DEVICE OPTIONS [--map 1|2] [--comments FILE.mec] [--find TEXT] [--substring]",
     "the endpoint index: every identifier with its endpoint's path, sorted; --find keeps the\n"
     "      names starting with TEXT (containing it with --substring) and names each leaf's far "
     "end",
     index}};

} // namespace
} // namespace vornex::cli
