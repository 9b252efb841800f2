#include "xc/map_import.h"

#include "base/changes_not_stored.h"
#include "base/file_replace.h"
#include "base/message_text.h"
#include "base/presenter.h"
#include "comments/comments.h"
#include "comments/csv_fields.h"
#include "device/box.h"
#include "model/card.h"
#include "xc/endpoint_path.h"
#include "xc/map_export.h"
#include "xc/xc_commands.h"
#include "xc/xc_probe.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace vornex {

namespace {

constexpr std::size_t line_buffer_size = 1023; // reads of at most 1022 characters
constexpr int max_ts_count = 31;
constexpr std::size_t current_fields = 21;
constexpr std::size_t legacy_min_fields = 15;
constexpr std::size_t legacy_max_fields = 17;

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

bool starts_with_ci(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && iequals(text.substr(0, prefix.size()), prefix);
}

// The decimal value the way the program reads numbers: leading digits, 0 without any. Too
// large a number stays too large instead of wrapping into range.
int decimal(const std::string& text) {
    const long value = std::strtol(text.c_str(), nullptr, 10);
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

// The comment file holds identifiers between double quotes without escapes: a quote, a
// backslash or a control or 8-bit character would break the file for every reader.
bool valid_identifier(const std::string& text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c > 0x7E || c == '"' || c == '\\') {
            return false;
        }
    }
    return true;
}

// The import file read line by line, under one Progress phase.
class ImportFile {
public:
    ImportFile(Box& box, Progress& progress) : box_(box), progress_(progress) {}
    ~ImportFile() { close(); }

    // Opens the file, shows the progress and counts its lines; false after the message.
    bool open(const std::filesystem::path& path) {
        file_ = std::fopen(path.c_str(), "rb");
        if (file_ == nullptr) {
            const int error = errno;
            error_dialog(*box_.presenter, OwnerWindow::main_window(),
                         "!!Read Error\r\n\r\n\r\nUnable to open file %s\r\n\r\n%s",
                         display_path(path).c_str(), error_number_text(error).c_str());
            return false;
        }
        progress_.start("Importing...");
        started_ = true;
        long total = 0;
        std::string line;
        while (read(line)) {
            ++total;
        }
        progress_.total(total);
        std::rewind(file_);
        return true;
    }

    // The next line (a piece of at most 1022 characters of a longer one).
    bool read(std::string& line) {
        char buffer[line_buffer_size];
        if (std::fgets(buffer, sizeof buffer, file_) == nullptr) {
            return false;
        }
        line = buffer;
        return true;
    }

    // Reports the line and the errors, and asks the operator about a pending cancel: true
    // when the import is to end here.
    bool cancel_here(long line_number, long errors) {
        progress_.done(line_number);
        progress_.errors(errors);
        return progress_.cancelled() &&
               confirm_dialog(*box_.presenter, OwnerWindow::main_window(),
                              "Cancel Import\r\n\r\n\r\nCancelling the import will result in a "
                              "partial map.  Cancel?") == dialog_ok;
    }

    void close() {
        if (file_ != nullptr) {
            std::fclose(file_);
            file_ = nullptr;
        }
        if (started_) {
            progress_.finish();
            started_ = false;
        }
    }

private:
    Box& box_;
    Progress& progress_;
    std::FILE* file_ = nullptr;
    bool started_ = false;
};

// The closing steps of every import that started, whole, stopped or cancelled.
void finish_import(const std::filesystem::path& path, const ImportOptions& options) {
    last_export_folder() = path.parent_path();
    if (!options.dry_run) {
        changes_not_stored().set();
    }
}

// An endpoint as the dry run names it: "E1-NP Trib1 Port-01 TS-05".
std::string endpoint_text(Box& box, const HsEntry& endpoint) {
    std::string text;
    for (const std::string& name : endpoint_path(box, endpoint)) {
        text += (text.empty() ? "" : " ") + name;
    }
    return text;
}

// One row to apply: a run of `count` destinations from `destination`, and of sources.
struct ImportRow {
    HsEntry* destination = nullptr;
    HsEntry* source = nullptr;
    int count = 0;
    int xc_type = xc_unidirectional;
    int channel_type = channel_data;
    int a_mu_mode = a_mu_off;
    int sig_conv_table = no_sig_conv_table;
    std::string destination_identifier;
    std::string source_identifier;
};

class RowApplier {
public:
    RowApplier(Box& box, const ImportOptions& options) : box_(box), options_(options) {}

    // Whether the last row applied changed (or, in a dry run, would change) the device.
    bool changed() const { return changed_; }

    // 0 when the row was applied (or, in a dry run, reported); 1 on a mapping failure. A row
    // clears its destination run one way and, when bidirectional, its source run; a run of
    // the older layout clears only its destination run, with its own type.
    int apply(const ImportRow& row, long line_number, bool older_layout) {
        changed_ = true;
        if (options_.dry_run) {
            changed_ = report(row, line_number);
            return 0;
        }
        const bool apply = options_.apply_identifiers;
        const int clear_type = older_layout ? row.xc_type : xc_unidirectional;
        if (unmap_range(box_, *row.destination, row.count, clear_type, apply) != 0) {
            return 1;
        }
        if (!older_layout && row.xc_type == xc_bidirectional &&
            unmap_range(box_, *row.source, row.count, clear_type, apply) != 0) {
            return 1;
        }
        return map_range(box_, *row.destination, *row.source, row.count, row.channel_type,
                         row.xc_type, row.a_mu_mode, row.sig_conv_table, apply,
                         row.destination_identifier, row.source_identifier);
    }

private:
    // Whether the device already holds the row exactly (identifiers too when they are
    // applied); `connected` tells which of the two runs hold any cross-connect now.
    bool already_made(const ImportRow& row, bool& destination_connected, bool& source_connected);
    bool report(const ImportRow& row, long line_number);

    Box& box_;
    const ImportOptions& options_;
    bool changed_ = false;
};

bool RowApplier::already_made(const ImportRow& row, bool& destination_connected,
                              bool& source_connected) {
    destination_connected = source_connected = false;
    bool same = true;
    HsEntry* d = row.destination;
    HsEntry* s = row.source;
    const bool apply = options_.apply_identifiers;
    for (int i = 0; i < row.count; ++i, d = next_sibling(*d), s = next_sibling(*s)) {
        if (d == nullptr || s == nullptr) {
            return false; // the device will refuse the run; the import would try it
        }
        bool failed = false;
        HsEntry* far = xc_read_leaf(box_, *d, failed);
        xc_read_leaf(box_, *s, failed);
        destination_connected = destination_connected || (d->xc_valid && is_connected(*d));
        source_connected = source_connected || (s->xc_valid && is_connected(*s));
        const bool bidirectional = is_bidirectional(*d, far);
        same = same && far == s && d->channel_type == row.channel_type &&
               d->a_mu_mode == row.a_mu_mode && d->sig_conv_table == row.sig_conv_table &&
               bidirectional == (row.xc_type == xc_bidirectional) &&
               (!apply || endpoint_identifier(&box_, *d) == row.destination_identifier) &&
               (!apply || row.xc_type != xc_bidirectional ||
                endpoint_identifier(&box_, *s) == row.source_identifier);
    }
    return same;
}

bool RowApplier::report(const ImportRow& row, long line_number) {
    bool destination_connected = false;
    bool source_connected = false;
    if (already_made(row, destination_connected, source_connected)) {
        return false;
    }
    const std::string at = "line " + std::to_string(line_number) + ": ";
    const std::string count = " count " + std::to_string(row.count);
    if (destination_connected) {
        options_.dry_run(at + "clear " + endpoint_text(box_, *row.destination) + count);
    }
    if (row.xc_type == xc_bidirectional && source_connected) {
        options_.dry_run(at + "clear " + endpoint_text(box_, *row.source) + count);
    }
    options_.dry_run(
        at + "make " + (row.xc_type == xc_bidirectional ? "bidirectional " : "unidirectional ") +
        endpoint_text(box_, *row.destination) + " <- " + endpoint_text(box_, *row.source) + count);
    return true;
}

std::vector<std::string> slice(const std::vector<std::string>& fields, std::size_t first,
                               std::size_t count) {
    return {fields.begin() + static_cast<long>(first),
            fields.begin() + static_cast<long>(first + count)};
}

// Channel type: empty gives none (100), "data" 1, "voice" 2; nullopt for anything else.
std::optional<int> channel_type_field(const std::string& field) {
    if (field.empty()) {
        return not_applicable;
    }
    if (iequals(field, "data")) {
        return channel_data;
    }
    if (iequals(field, "voice")) {
        return channel_voice;
    }
    return std::nullopt;
}

// What one line of the current layout asks for.
enum class LineVerdict { skip, row, warned, legacy };

struct ImportRun {
    Box& box;
    const ImportOptions& options;
    ImportResult result;

    // A warning for `line`; false when the operator stopped the import.
    template <typename... Values>
    bool warn(const char* format, Values... values) {
        if (import_warning(*box.presenter, options.suppress_warnings, format, values...) !=
            dialog_ok) {
            result.stopped = true;
            return false;
        }
        ++result.errors;
        return true;
    }
};

// Checks one line of the current layout; on LineVerdict::warned the warning has been given
// (and `go_on` tells whether the import continues).
LineVerdict read_row(ImportRun& run, const std::string& line, long number, ImportRow& row,
                     bool& go_on) {
    go_on = true;
    if (line.empty() || line[0] == '#') {
        return LineVerdict::skip;
    }
    const std::vector<std::string> f = csv_split_fields(line, current_fields, true);
    if (f.empty() || (f.size() == 1 && f[0].empty()) || f[0][0] == '#') {
        return LineVerdict::skip;
    }
    if (f.size() >= legacy_min_fields && starts_with_ci(f[4], "Trib")) {
        return LineVerdict::legacy;
    }
    const auto warned = [&](bool answer) {
        go_on = answer;
        return LineVerdict::warned;
    };
    // Header lines; the older layout's is passed over too, before its first row tells.
    if (f[0] == "XC Type" || f[0] == "Channel Type") {
        return LineVerdict::skip;
    }
    if (f.size() < current_fields) {
        return warned(run.warn("Import file line %d, insufficient number of fields. (%d fields)",
                               static_cast<int>(number), static_cast<int>(f.size())));
    }
    if (iequals(f[0], "bidirectional")) {
        row.xc_type = xc_bidirectional;
    } else if (iequals(f[0], "unidirectional") || iequals(f[0], "unmapped") || f[0].empty()) {
        row.xc_type = xc_unidirectional;
    } else {
        return warned(run.warn("Import file line %d, unknown XC type. \"%s\"",
                               static_cast<int>(number), f[0].c_str()));
    }
    if (f[1].empty()) {
        return warned(run.warn("Import file line %d, missing TS_Count.", static_cast<int>(number)));
    }
    row.count = decimal(f[1]);
    if (row.count < 1 || row.count > max_ts_count) {
        return warned(run.warn("Import file line %d, invalid TS_Count %d.",
                               static_cast<int>(number), row.count));
    }
    row.destination = find_endpoint_by_path(run.box, slice(f, 6, 7));
    row.source = find_endpoint_by_path(run.box, slice(f, 14, 7));
    if (row.destination == nullptr) {
        return warned(
            run.warn("Import file line %d, invalid target. May be due to configuration mismatch.",
                     static_cast<int>(number)));
    }
    if (row.source == nullptr && !f[14].empty()) {
        return warned(run.warn("Import file line %d, invalid source. May be due to configuration "
                               "or granularity mismatch.",
                               static_cast<int>(number)));
    }
    const auto channel = channel_type_field(f[2]);
    if (!channel) {
        return warned(
            run.warn("Import file line %d, channel type is invalid.", static_cast<int>(number)));
    }
    row.channel_type = *channel;
    if (iequals(f[3], "a-mu-conv")) {
        row.a_mu_mode = a_mu_on;
    } else if (f[3].empty()) {
        row.a_mu_mode = a_mu_off;
    } else {
        return warned(
            run.warn("Import file line %d, A->Mu Mode is invalid.", static_cast<int>(number)));
    }
    if (f[4].empty()) {
        row.sig_conv_table = no_sig_conv_table;
    } else {
        row.sig_conv_table = decimal(f[4]);
        if (row.sig_conv_table < 1 || row.sig_conv_table > 256) {
            return warned(run.warn("Import file line %d, Signal Conversion Table value is invalid.",
                                   static_cast<int>(number)));
        }
    }
    const auto identifier = [](const std::string& field) {
        return field.find_first_not_of(' ') == std::string::npos ? std::string() : field;
    };
    row.destination_identifier = identifier(f[5]);
    row.source_identifier = identifier(f[13]);
    if (run.options.apply_identifiers && (!valid_identifier(row.destination_identifier) ||
                                          !valid_identifier(row.source_identifier))) {
        return warned(
            run.warn("Import file line %d, invalid identifier.", static_cast<int>(number)));
    }
    if (row.source == nullptr) {
        return LineVerdict::skip; // an unmapped row changes nothing
    }
    return LineVerdict::row;
}

} // namespace

bool& import_suppress_warnings() {
    static bool suppress = false;
    return suppress;
}

int import_warning(Presenter& presenter, bool suppressed, const char* format, ...) {
    if (suppressed) {
        return dialog_ok;
    }
    std::va_list args;
    va_start(args, format);
    const std::string text = format_message_v(box_buffer_size, format, args);
    va_end(args);
    return presenter.show_confirm(OwnerWindow::main_window(), "Import Error\r\n" + text) ==
                   dialog_ok
               ? dialog_ok
               : dialog_cancel;
}

int map_import(Box& box, const std::filesystem::path& path, const ImportOptions& options,
               Progress& progress, ImportResult* result) {
    ImportRun run{box, options, {}};
    {
        ImportFile file(box, progress);
        if (!file.open(path)) {
            return 1;
        }
        RowApplier applier(box, options);
        std::string line;
        long number = 0;
        while (file.read(line)) {
            ++number;
            run.result.lines = number;
            if (file.cancel_here(number, run.result.errors)) {
                run.result.stopped = true;
                break;
            }
            ImportRow row;
            bool go_on = true;
            switch (read_row(run, line, number, row, go_on)) {
            case LineVerdict::legacy:
                file.close();
                return map_import_legacy(box, path, options, progress, result);
            case LineVerdict::skip:
                continue;
            case LineVerdict::warned:
                break;
            case LineVerdict::row:
                if (applier.apply(row, number, false) != 0) {
                    go_on =
                        run.warn("Import file line %d, mapping error.", static_cast<int>(number));
                } else if (applier.changed()) {
                    ++run.result.applied;
                }
                break;
            }
            if (!go_on) {
                break;
            }
        }
        progress.errors(run.result.errors);
    }
    finish_import(path, options);
    if (result != nullptr) {
        *result = run.result;
    }
    return 0;
}

int map_import_legacy(Box& box, const std::filesystem::path& path, const ImportOptions& options,
                      Progress& progress, ImportResult* result) {
    ImportRun run{box, options, {}};
    {
        ImportFile file(box, progress);
        if (!file.open(path)) {
            return 1;
        }
        RowApplier applier(box, options);
        std::optional<ImportRow> pending;
        long number = 0;
        // Applies the run gathered so far; false when the operator stopped at its warning.
        const auto apply_pending = [&]() {
            if (!pending) {
                return true;
            }
            const ImportRow row = *pending;
            pending.reset();
            if (applier.apply(row, number, true) != 0) {
                return run.warn("Import file line %d, mapping error.", static_cast<int>(number));
            }
            if (applier.changed()) {
                ++run.result.applied;
            }
            return true;
        };
        // The names of one endpoint, 6 or 7 of them: the n of the last line that told.
        std::size_t n = 6;
        HsEntry* last_destination = nullptr;
        HsEntry* last_source = nullptr;
        std::string line;
        bool go_on = true;
        while (go_on && file.read(line)) {
            ++number;
            run.result.lines = number;
            if (file.cancel_here(number, run.result.errors)) {
                run.result.stopped = true;
                break;
            }
            if (line.empty() || line[0] == '#') {
                continue;
            }
            const std::vector<std::string> f = csv_split_fields(line, legacy_max_fields, false);
            if (f.size() < legacy_min_fields || f[0] == "Channel Type") {
                continue;
            }
            if (starts_with_ci(f[10], "Trib")) {
                n = 6;
            } else if (f.size() >= legacy_max_fields && starts_with_ci(f[11], "Trib")) {
                n = 7;
            }
            if (f.size() < 3 + 2 * n) {
                continue;
            }
            HsEntry* destination = find_endpoint_by_path(box, slice(f, 3, n));
            HsEntry* source = find_endpoint_by_path(box, slice(f, 3 + n, n));
            if (destination == nullptr) {
                go_on = run.warn(
                    "Import file line %d, invalid target. May be due to configuration mismatch.",
                    static_cast<int>(number));
                continue;
            }
            if (source == nullptr) {
                if (!f[3 + n].empty()) {
                    go_on = run.warn("Import file line %d, invalid source. May be due to "
                                     "configuration or granularity mismatch.",
                                     static_cast<int>(number));
                }
                continue;
            }
            const auto channel = channel_type_field(f[0]);
            if (!channel) {
                go_on = run.warn("Import file line %d, channel type is invalid.",
                                 static_cast<int>(number));
                continue;
            }
            const int a_mu = iequals(f[1], "a-mu-conv") ? a_mu_on : a_mu_off;
            int table = decimal(f[2]);
            if (table < 1 || table > 256) {
                table = no_sig_conv_table;
            }
            const bool joins = pending && pending->channel_type == *channel &&
                               pending->a_mu_mode == a_mu && pending->sig_conv_table == table &&
                               next_sibling(*last_destination) == destination &&
                               next_sibling(*last_source) == source &&
                               pending->count < max_ts_count;
            if (joins) {
                ++pending->count;
            } else {
                if (!apply_pending()) {
                    go_on = false;
                    break;
                }
                ImportRow row;
                row.destination = destination;
                row.source = source;
                row.count = 1;
                row.channel_type = *channel;
                row.a_mu_mode = a_mu;
                row.sig_conv_table = table;
                // The in-band channel takes only bidirectional cross-connects.
                row.xc_type =
                    destination->address[0] == in_band_slot || source->address[0] == in_band_slot
                        ? xc_bidirectional
                        : xc_unidirectional;
                pending = row;
            }
            last_destination = destination;
            last_source = source;
        }
        if (go_on && !run.result.stopped) {
            apply_pending();
        }
        progress.errors(run.result.errors);
    }
    finish_import(path, options);
    if (result != nullptr) {
        *result = run.result;
    }
    return 0;
}

} // namespace vornex
