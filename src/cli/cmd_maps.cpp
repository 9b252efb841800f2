// export, import, store, retrieve, activate, delete-map, copy-map: the map commands of the
// main window from a shell, on the same core and with the same messages. Identifiers and
// comments go through the comment file under the program's lock.
#include "cli/cli.h"
#include "cli/map_options.h"
#include "device/box.h"
#include "xc/map_export.h"
#include "xc/map_import.h"
#include "xc/map_management.h"

namespace vornex::cli {
namespace {

// The import's questions: a warning goes on unless --stop-on-warning; the cancel question
// after an interrupt is answered Yes. Every text is still shown on stderr.
class ImportPresenter : public Presenter {
public:
    ImportPresenter(Presenter& shown, bool stop_on_warning)
        : shown_(shown), stop_on_warning_(stop_on_warning) {}

    int show_error(OwnerWindow owner, const std::string& text) override {
        return shown_.show_error(owner, text);
    }
    int show_confirm(OwnerWindow owner, const std::string& text) override {
        shown_.show_error(owner, text);
        if (text.rfind("Import Error", 0) == 0) {
            return stop_on_warning_ ? dialog_cancel : dialog_ok;
        }
        return dialog_ok; // "Cancel Import": the operator interrupted on purpose
    }
    void show_internal_error(const std::string& text) override { shown_.show_internal_error(text); }
    void show_note(const std::string& text) override { shown_.show_note(text); }

private:
    Presenter& shown_;
    bool stop_on_warning_;
};

int export_map(Context& context, const std::vector<std::string>& words) {
    MapCommand command;
    const int opened =
        open_map_command(context, words,
                         "export FILE.csv [DEVICE OPTIONS] [--map 1|2] [--comments FILE.mec] "
                         "[--no-assigned] [--no-unassigned]",
                         {"--no-assigned", "--no-unassigned"}, 1, true, command);
    if (opened != exit_ok) {
        return opened;
    }
    // Identifiers are read only; without a comment file there are none.
    if (!command.config.comment_file.empty()) {
        load_map_comments(context, command, false);
    }
    const ExportOptions options{!command.args->flag("--no-assigned"),
                                !command.args->flag("--no-unassigned")};
    InterruptProgress progress;
    const int result =
        map_export(context.presenter, OwnerWindow::main_window(), command.box.get(),
                   command.args->positional()[0], options, progress, ExportCancel::incomplete);
    save_map_comments(command);
    return result == 0 ? exit_ok : exit_failed;
}

int import_map(Context& context, const std::vector<std::string>& words) {
    MapCommand command;
    const int opened = open_map_command(
        context, words,
        "import FILE.csv [DEVICE OPTIONS] [--map 1|2] [--comments FILE.mec] "
        "[--apply-identifiers] [--dry-run] [--stop-on-warning]",
        {"--apply-identifiers", "--dry-run", "--stop-on-warning"}, 1, true, command);
    if (opened != exit_ok) {
        return opened;
    }
    ImportOptions options;
    options.suppress_warnings = false;
    options.apply_identifiers = command.args->flag("--apply-identifiers");
    const bool dry_run = command.args->flag("--dry-run");
    long changes = 0;
    if (dry_run) {
        options.dry_run = [&](const std::string& line) {
            context.out << line << '\n';
            ++changes;
        };
    }
    if (options.apply_identifiers) {
        const int loaded = load_map_comments(context, command, !dry_run);
        if (loaded != exit_ok) {
            return loaded;
        }
    }
    ImportPresenter presenter(context.presenter, command.args->flag("--stop-on-warning"));
    command.box->presenter = &presenter;
    InterruptProgress progress;
    ImportResult result;
    const int started =
        map_import(*command.box, command.args->positional()[0], options, progress, &result);
    command.box->presenter = &context.presenter;
    if (dry_run && started == 0 && changes == 0) {
        context.out << "nothing to change\n";
    }
    if (!dry_run) {
        save_map_comments(command);
    }
    if (started != 0) {
        return exit_failed;
    }
    context.err << "import: " << result.lines << " lines, " << result.applied
                << (dry_run ? " rows to change, " : " rows applied, ") << result.errors
                << " warnings" << (result.stopped ? ", stopped" : "") << '\n';
    return result.errors == 0 && !result.stopped ? exit_ok : exit_failed;
}

// store and retrieve: one command of the device's configuration, nothing else to say.
int configuration_command(Context& context, const std::vector<std::string>& words,
                          const char* usage, int (*run)(Box&)) {
    MapCommand command;
    const int opened = open_map_command(context, words, usage, {}, 0, false, command);
    if (opened != exit_ok) {
        return opened;
    }
    return run(*command.box) == 0 ? exit_ok : exit_failed;
}

int store(Context& context, const std::vector<std::string>& words) {
    return configuration_command(context, words, "store [DEVICE OPTIONS]", store_config);
}

int retrieve(Context& context, const std::vector<std::string>& words) {
    return configuration_command(context, words, "retrieve [DEVICE OPTIONS]", retrieve_config);
}

// "1" or "2", else 0.
int map_number(const std::string& word) {
    return word == "1" ? 1 : word == "2" ? 2 : 0;
}

int activate(Context& context, const std::vector<std::string>& words) {
    MapCommand command;
    const char* usage = "activate 1|2 [DEVICE OPTIONS]";
    const int opened = open_map_command(context, words, usage, {}, 1, false, command);
    if (opened != exit_ok) {
        return opened;
    }
    const int map = map_number(command.args->positional()[0]);
    if (map == 0) {
        context.err << "usage: vornex-cli " << usage << '\n';
        return exit_usage;
    }
    if (active_map_choice(*command.box, map) != map_dialog_reload) {
        context.out << "Map" << map << " is already active\n";
        return exit_ok;
    }
    return activate_map(*command.box) == 0 ? exit_ok : exit_failed;
}

int delete_map(Context& context, const std::vector<std::string>& words) {
    MapCommand command;
    const char* usage = "delete-map 1|2 [DEVICE OPTIONS] [--comments FILE.mec] "
                        "[--clear-identifiers] [--clear-comments]";
    const int opened = open_map_command(
        context, words, usage, {"--clear-identifiers", "--clear-comments"}, 1, false, command);
    if (opened != exit_ok) {
        return opened;
    }
    const int map = map_number(command.args->positional()[0]);
    if (map == 0) {
        context.err << "usage: vornex-cli " << usage << '\n';
        return exit_usage;
    }
    // Comments go only with the identifiers, so --clear-comments asks for both.
    const bool clear_comments = command.args->flag("--clear-comments");
    const bool clear_identifiers = clear_comments || command.args->flag("--clear-identifiers");
    if (clear_identifiers) {
        const int loaded = load_map_comments(context, command, true);
        if (loaded != exit_ok) {
            return loaded;
        }
    }
    bool done = false;
    map_delete(*command.box, map, clear_identifiers, clear_comments, &done);
    save_map_comments(command);
    return done ? exit_ok : exit_failed;
}

int copy_map(Context& context, const std::vector<std::string>& words) {
    MapCommand command;
    const int opened = open_map_command(
        context, words, "copy-map [DEVICE OPTIONS] [--comments FILE.mec] [--copy-comments]",
        {"--copy-comments"}, 0, false, command);
    if (opened != exit_ok) {
        return opened;
    }
    const bool identifiers = command.args->flag("--copy-comments");
    if (identifiers) {
        const int loaded = load_map_comments(context, command, true);
        if (loaded != exit_ok) {
            return loaded;
        }
    }
    bool done = false;
    map_copy(*command.box, identifiers, &done);
    save_map_comments(command);
    return done ? exit_ok : exit_failed;
}

const CommandRegistration export_registration{
    {"export", "FILE.csv [DEVICE OPTIONS] [--map 1|2] [--no-assigned] [--no-unassigned]",
     "write the displayed map to a CSV file, as the program's Export Map does", export_map}};
const CommandRegistration import_registration{
    {"import",
     "FILE.csv [DEVICE OPTIONS] [--map 1|2] [--apply-identifiers] [--dry-run] "
     "[--stop-on-warning]",
     "merge a map CSV file into the displayed map; --dry-run only tells what it would change",
     import_map}};
const CommandRegistration store_registration{
    {"store", "[DEVICE OPTIONS]", "store the running configuration on the device (asks: --yes)",
     store}};
const CommandRegistration retrieve_registration{
    {"retrieve", "[DEVICE OPTIONS]", "go back to the device's stored configuration (asks: --yes)",
     retrieve}};
const CommandRegistration activate_registration{
    {"activate", "1|2 [DEVICE OPTIONS]", "make a map the active one", activate}};
const CommandRegistration delete_map_registration{
    {"delete-map", "1|2 [DEVICE OPTIONS] [--clear-identifiers] [--clear-comments]",
     "delete every cross-connect of a map (asks: --yes); --clear-comments clears identifiers "
     "and comments",
     delete_map}};
const CommandRegistration copy_map_registration{
    {"copy-map", "[DEVICE OPTIONS] [--copy-comments]",
     "copy the active map onto the inactive one, with its identifiers on --copy-comments",
     copy_map}};

} // namespace
} // namespace vornex::cli
