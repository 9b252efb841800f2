#include "xc/map_import.h"

#include "base/file_replace.h"
#include "base/message_text.h"
#include "base/presenter.h"
#include "base/text.h"
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
#include <utility>

namespace vornex {

namespace {

constexpr std::size_t line_buffer_size = 1023; // reads of at most 1022 characters
constexpr int max_ts_count = 31;
constexpr std::size_t current_fields = 21;
constexpr std::size_t legacy_min_fields = 15;
constexpr std::size_t legacy_max_fields = 17;

bool starts_with_ci(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           equal_ignoring_case(text.substr(0, prefix.size()), prefix);
}

// The decimal value the way the program reads numbers: leading digits, 0 without any. Too
// large a number stays too large instead of wrapping into range.
int decimal(const std::string& text) {
    const long value = std::strtol(text.c_str(), nullptr, 10);
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
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
void finish_import(Box& box, const ImportOptions& options) {
    if (!options.dry_run) {
        box.changes.set_not_stored(true);
        box.changes.notify(change_leaf_cross_connects |
                           (options.apply_identifiers ? change_comments : 0u));
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
    xc_attributes attributes;
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
            changed_ = report(row, line_number, older_layout);
            return 0;
        }
        const bool apply = options_.apply_identifiers;
        const xc_attributes clear{.xc_type =
                                      older_layout ? row.attributes.xc_type : xc_unidirectional};
        if (unmap_range(box_, *row.destination, row.count, clear, apply) != 0) {
            return 1;
        }
        if (!older_layout && row.attributes.xc_type == xc_bidirectional &&
            unmap_range(box_, *row.source, row.count, clear, apply) != 0) {
            return 1;
        }
        return map_range(box_, *row.destination, *row.source, row.count, row.attributes, apply,
                         row.destination_identifier, row.source_identifier);
    }

private:
    // Whether the device already holds the row exactly (identifiers too when they are
    // applied); `connected` tells which of the two runs hold any cross-connect now.
    bool already_made(const ImportRow& row, bool& destination_connected, bool& source_connected);
    bool report(const ImportRow& row, long line_number, bool older_layout);
    // The one-way rows that clearing the run from `first` one way leaves at the far ends of
    // its bidirectional cross-connects outside the row, in runs of neighbours.
    void report_left_one_way(const ImportRow& row, HsEntry& first, const std::string& at);

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
        same = same && far == s && d->channel_type == row.attributes.channel_type &&
               d->a_mu_mode == row.attributes.a_mu_mode &&
               d->sig_conv_table == row.attributes.sig_conv_table &&
               bidirectional == (row.attributes.xc_type == xc_bidirectional) &&
               (!apply || endpoint_identifier(&box_, *d) == row.destination_identifier) &&
               (!apply || row.attributes.xc_type != xc_bidirectional ||
                endpoint_identifier(&box_, *s) == row.source_identifier);
    }
    return same;
}

void RowApplier::report_left_one_way(const ImportRow& row, HsEntry& first, const std::string& at) {
    const auto in_row = [&](const HsEntry* leaf) {
        const HsEntry* d = row.destination;
        const HsEntry* s = row.source;
        for (int i = 0; i < row.count && (d != nullptr || s != nullptr); ++i) {
            if (leaf == d || leaf == s) {
                return true;
            }
            d = d != nullptr ? next_sibling(*d) : nullptr;
            s = s != nullptr ? next_sibling(*s) : nullptr;
        }
        return false;
    };
    HsEntry* near = nullptr; // the run's first cleared leaf, its far end and the last far end
    HsEntry* far_first = nullptr;
    HsEntry* far_last = nullptr;
    int count = 0;
    const auto flush = [&] {
        if (count > 0) {
            options_.dry_run(at + "leave unidirectional " + endpoint_text(box_, *far_first) +
                             " <- " + endpoint_text(box_, *near) + " count " +
                             std::to_string(count));
        }
        count = 0;
    };
    HsEntry* leaf = &first;
    for (int i = 0; i < row.count && leaf != nullptr; ++i, leaf = next_sibling(*leaf)) {
        bool failed = false;
        HsEntry* far = xc_read_leaf(box_, *leaf, failed);
        if (far == nullptr || !is_bidirectional(*leaf, far) || in_row(far)) {
            flush();
        } else if (count > 0 && far == next_sibling(*far_last)) {
            ++count;
            far_last = far;
        } else {
            flush();
            near = leaf;
            far_first = far_last = far;
            count = 1;
        }
    }
    flush();
}

bool RowApplier::report(const ImportRow& row, long line_number, bool older_layout) {
    bool destination_connected = false;
    bool source_connected = false;
    if (already_made(row, destination_connected, source_connected)) {
        return false;
    }
    const std::string at = "line " + std::to_string(line_number) + ": ";
    const std::string count = " count " + std::to_string(row.count);
    const bool bidirectional = row.attributes.xc_type == xc_bidirectional;
    if (destination_connected) {
        options_.dry_run(at + "clear " + endpoint_text(box_, *row.destination) + count);
    }
    if (bidirectional && source_connected) {
        options_.dry_run(at + "clear " + endpoint_text(box_, *row.source) + count);
    }
    // The runs apply() clears one way (the older layout clears only the destination run, a
    // bidirectional one with the far ends that point back).
    if (!older_layout || !bidirectional) {
        report_left_one_way(row, *row.destination, at);
    }
    if (!older_layout && bidirectional) {
        report_left_one_way(row, *row.source, at);
    }
    options_.dry_run(at + "make " + (bidirectional ? "bidirectional " : "unidirectional ") +
                     endpoint_text(box_, *row.destination) + " <- " +
                     endpoint_text(box_, *row.source) + count);
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
    if (equal_ignoring_case(field, "data")) {
        return channel_data;
    }
    if (equal_ignoring_case(field, "voice")) {
        return channel_voice;
    }
    return std::nullopt;
}

// What one line asks for: nothing, a row to apply now, nothing after a warning, or (in the
// current layout) reading the file again as the older layout.
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
    if (equal_ignoring_case(f[0], "bidirectional")) {
        row.attributes.xc_type = xc_bidirectional;
    } else if (equal_ignoring_case(f[0], "unidirectional") ||
               equal_ignoring_case(f[0], "unmapped") || f[0].empty()) {
        row.attributes.xc_type = xc_unidirectional;
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
    row.attributes.channel_type = *channel;
    if (equal_ignoring_case(f[3], "a-mu-conv")) {
        row.attributes.a_mu_mode = a_mu_on;
    } else if (f[3].empty()) {
        row.attributes.a_mu_mode = a_mu_off;
    } else {
        return warned(
            run.warn("Import file line %d, A->Mu Mode is invalid.", static_cast<int>(number)));
    }
    if (f[4].empty()) {
        row.attributes.sig_conv_table = no_sig_conv_table;
    } else {
        row.attributes.sig_conv_table = decimal(f[4]);
        if (row.attributes.sig_conv_table < 1 || row.attributes.sig_conv_table > 256) {
            return warned(run.warn("Import file line %d, Signal Conversion Table value is invalid.",
                                   static_cast<int>(number)));
        }
    }
    const auto identifier = [](const std::string& field) {
        return field.find_first_not_of(' ') == std::string::npos ? std::string() : field;
    };
    row.destination_identifier = identifier(f[5]);
    row.source_identifier = identifier(f[13]);
    if (run.options.apply_identifiers && (!comment_text_acceptable(row.destination_identifier) ||
                                          !comment_text_acceptable(row.source_identifier))) {
        return warned(
            run.warn("Import file line %d, invalid identifier.", static_cast<int>(number)));
    }
    if (row.source == nullptr) {
        return LineVerdict::skip; // an unmapped row changes nothing
    }
    return LineVerdict::row;
}

// How a file layout turns its lines into rows; the import loop does everything else.
class Layout {
public:
    virtual ~Layout() = default;
    // Whether rows are of the older layout, which clears differently.
    virtual bool older() const = 0;
    // One line; on LineVerdict::row the row to apply now is in `row`, on LineVerdict::warned
    // the warning has been given and `go_on` tells whether the import continues.
    virtual LineVerdict read(ImportRun& run, const std::string& line, long number, ImportRow& row,
                             bool& go_on) = 0;
    // A row still gathered when the file ends.
    virtual std::optional<ImportRow> last() { return std::nullopt; }
};

class CurrentLayout : public Layout {
public:
    bool older() const override { return false; }
    LineVerdict read(ImportRun& run, const std::string& line, long number, ImportRow& row,
                     bool& go_on) override {
        return read_row(run, line, number, row, go_on);
    }
};

// One timeslot a line: lines of neighbouring timeslots with the same attributes are
// gathered into one row of at most 31, applied when a line does not join it.
class OlderLayout : public Layout {
public:
    bool older() const override { return true; }
    LineVerdict read(ImportRun& run, const std::string& line, long number, ImportRow& row,
                     bool& go_on) override;
    std::optional<ImportRow> last() override { return std::exchange(pending_, std::nullopt); }

private:
    std::optional<ImportRow> pending_;
    // The names of one endpoint, 6 or 7 of them: the n of the last line that told.
    std::size_t n_ = 6;
    HsEntry* last_destination_ = nullptr;
    HsEntry* last_source_ = nullptr;
};

LineVerdict OlderLayout::read(ImportRun& run, const std::string& line, long number, ImportRow& row,
                              bool& go_on) {
    go_on = true;
    if (line.empty() || line[0] == '#') {
        return LineVerdict::skip;
    }
    const std::vector<std::string> f = csv_split_fields(line, legacy_max_fields, false);
    if (f.size() < legacy_min_fields || f[0] == "Channel Type") {
        return LineVerdict::skip;
    }
    if (starts_with_ci(f[10], "Trib")) {
        n_ = 6;
    } else if (f.size() >= legacy_max_fields && starts_with_ci(f[11], "Trib")) {
        n_ = 7;
    }
    if (f.size() < 3 + 2 * n_) {
        return LineVerdict::skip;
    }
    const auto warned = [&](bool answer) {
        go_on = answer;
        return LineVerdict::warned;
    };
    HsEntry* destination = find_endpoint_by_path(run.box, slice(f, 3, n_));
    HsEntry* source = find_endpoint_by_path(run.box, slice(f, 3 + n_, n_));
    if (destination == nullptr) {
        return warned(
            run.warn("Import file line %d, invalid target. May be due to configuration mismatch.",
                     static_cast<int>(number)));
    }
    if (source == nullptr) {
        if (!f[3 + n_].empty()) {
            return warned(run.warn("Import file line %d, invalid source. May be due to "
                                   "configuration or granularity mismatch.",
                                   static_cast<int>(number)));
        }
        return LineVerdict::skip;
    }
    const auto channel = channel_type_field(f[0]);
    if (!channel) {
        return warned(
            run.warn("Import file line %d, channel type is invalid.", static_cast<int>(number)));
    }
    xc_attributes attributes;
    attributes.channel_type = *channel;
    attributes.a_mu_mode = equal_ignoring_case(f[1], "a-mu-conv") ? a_mu_on : a_mu_off;
    const int table = decimal(f[2]);
    attributes.sig_conv_table = table < 1 || table > 256 ? no_sig_conv_table : table;
    // The in-band channel takes only bidirectional cross-connects.
    attributes.xc_type =
        destination->address[0] == in_band_slot || source->address[0] == in_band_slot
            ? xc_bidirectional
            : xc_unidirectional;
    const bool joins = pending_ && pending_->attributes.channel_type == attributes.channel_type &&
                       pending_->attributes.a_mu_mode == attributes.a_mu_mode &&
                       pending_->attributes.sig_conv_table == attributes.sig_conv_table &&
                       next_sibling(*last_destination_) == destination &&
                       next_sibling(*last_source_) == source && pending_->count < max_ts_count;
    last_destination_ = destination;
    last_source_ = source;
    if (joins) {
        ++pending_->count;
        return LineVerdict::skip;
    }
    ImportRow next;
    next.destination = destination;
    next.source = source;
    next.count = 1;
    next.attributes = attributes;
    std::optional<ImportRow> finished = std::exchange(pending_, std::move(next));
    if (!finished) {
        return LineVerdict::skip;
    }
    row = std::move(*finished);
    return LineVerdict::row;
}

enum class Pass { not_opened, done, older_layout };

// One reading of the file in one layout, under one Progress phase: every line counted and
// handed to the layout, a pending cancel asked about before each, every row applied with
// its line number, and the warnings' count shown at the end. A stopped or cancelled import
// applies nothing more.
Pass import_pass(ImportRun& run, const std::filesystem::path& path, Progress& progress,
                 Layout& layout) {
    ImportFile file(run.box, progress);
    if (!file.open(path)) {
        return Pass::not_opened;
    }
    RowApplier applier(run.box, run.options);
    // False when the operator stopped at the row's warning.
    const auto apply = [&](const ImportRow& row, long number) {
        if (applier.apply(row, number, layout.older()) != 0) {
            return run.warn("Import file line %d, mapping error.", static_cast<int>(number));
        }
        if (applier.changed()) {
            ++run.result.applied;
        }
        return true;
    };
    std::string line;
    long number = 0;
    bool go_on = true;
    while (go_on && file.read(line)) {
        ++number;
        run.result.lines = number;
        if (file.cancel_here(number, run.result.errors)) {
            run.result.stopped = true;
            break;
        }
        ImportRow row;
        switch (layout.read(run, line, number, row, go_on)) {
        case LineVerdict::legacy:
            return Pass::older_layout;
        case LineVerdict::skip:
        case LineVerdict::warned:
            break;
        case LineVerdict::row:
            go_on = apply(row, number);
            break;
        }
    }
    if (!run.result.stopped) {
        if (const std::optional<ImportRow> row = layout.last()) {
            apply(*row, number);
        }
    }
    progress.errors(run.result.errors);
    return Pass::done;
}

} // namespace

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
    CurrentLayout current;
    Pass pass = import_pass(run, path, progress, current);
    if (pass == Pass::older_layout) {
        // Read again from the start; nothing of the first reading is kept.
        run.result = {};
        OlderLayout older;
        pass = import_pass(run, path, progress, older);
    }
    if (pass == Pass::not_opened) {
        return 1;
    }
    finish_import(box, options);
    if (result != nullptr) {
        *result = run.result;
    }
    return 0;
}

} // namespace vornex
