#include "xc/map_export.h"

#include "base/file_replace.h"
#include "base/presenter.h"
#include "comments/comments.h"
#include "device/box.h"
#include "model/card.h"
#include "xc/xc_commands.h"
#include "xc/xc_probe.h"

#include <cerrno>
#include <cstdio>
#include <optional>

namespace vornex {

namespace {

// The group of leaves the walk is building; a row without a source is "unmapped".
struct PendingRow {
    HsEntry* first_destination = nullptr;
    HsEntry* first_source = nullptr;
    HsEntry* last_destination = nullptr;
    HsEntry* last_source = nullptr;
    std::string destination_identifier;
    std::string source_identifier;
    int count = 0;
    bool bidirectional = false;
};

long count_and_unmark(EndpointList& list) {
    long count = 0;
    for (auto& node : list) {
        node->export_mark = false;
        count += 1 + count_and_unmark(node->children);
    }
    return count;
}

long count_and_unmark(Box& box) {
    long count = 0;
    for (auto& card : box.cards) {
        count += count_and_unmark(card->endpoints);
    }
    return count;
}

bool same_attributes(const HsEntry& a, const HsEntry& b) {
    return a.channel_type == b.channel_type && a.a_mu_mode == b.a_mu_mode &&
           a.sig_conv_table == b.sig_conv_table;
}

class ExportWalk {
public:
    // `silent`: the device has stopped answering, so nothing more is asked of it.
    ExportWalk(Box& box, const ExportOptions& options, Progress& progress, std::string& out,
               bool silent)
        : box_(box), options_(options), progress_(progress), out_(out), silent_(silent) {}

    // One level of siblings; false when the operator cancelled (the pending row is dropped).
    bool walk(EndpointList& level);
    bool read_failed() const { return read_failed_; }

private:
    HsEntry* read(HsEntry& leaf, bool& failed);
    void flush(std::optional<PendingRow>& row) {
        if (row) {
            write(*row);
            row.reset();
        }
    }
    void write(const PendingRow& row);
    void path(const HsEntry* endpoint);
    // Whether `destination`, with its source, continues the pending row.
    bool joins(const PendingRow& row, const HsEntry& destination, const HsEntry* source,
               bool bidirectional, const std::string& destination_identifier) const;

    Box& box_;
    const ExportOptions& options_;
    Progress& progress_;
    std::string& out_;
    long done_ = 0;
    bool read_failed_ = false;
    bool silent_;
};

// The far end as xc_read_leaf finds it. Once the device has not answered, a leaf or far end
// not read yet fails without a request: a silent device is not asked again for every leaf.
HsEntry* ExportWalk::read(HsEntry& leaf, bool& failed) {
    if (!silent_) {
        HsEntry* far = xc_read_leaf(box_, leaf, failed, &silent_);
        return failed ? nullptr : far;
    }
    HsEntry* far = leaf.xc_valid && is_connected(leaf) ? find_peer_in_device(box_, leaf) : nullptr;
    failed = !leaf.xc_valid || (far != nullptr && !far->xc_valid);
    return failed ? nullptr : far;
}

bool ExportWalk::walk(EndpointList& level) {
    std::optional<PendingRow> row;
    for (auto& node : level) {
        progress_.done(++done_);
        if (progress_.cancelled()) {
            return false;
        }
        if (!node->is_leaf()) {
            // Rows never span two levels or two parents.
            flush(row);
            if (!walk(node->children)) {
                return false;
            }
            continue;
        }
        HsEntry& destination = *node;
        bool failed = false;
        HsEntry* source = read(destination, failed);
        if (failed) {
            // Not known, so in no row: neither unmapped nor one-way.
            read_failed_ = true;
            continue;
        }
        const bool bidirectional = source != nullptr && is_bidirectional(destination, source);
        if (bidirectional) {
            if (destination.export_mark && source->export_mark) {
                continue; // written from the other side already
            }
            if (destination.export_mark || source->export_mark) {
                const auto& a = destination.address;
                error_dialog(*box_.presenter, OwnerWindow::main_window(),
                             "Error\r\n\r\n\r\nExport mark error for dst %d %d %d %d %d %d.", a[0],
                             a[1], a[2], a[3], a[4], a[5]);
            }
            source->export_mark = true;
        }
        destination.export_mark = true;
        const std::string identifier = endpoint_identifier(&box_, destination);
        if (row && joins(*row, destination, source, bidirectional, identifier)) {
            ++row->count;
            row->last_destination = &destination;
            row->last_source = source;
            continue;
        }
        flush(row);
        row = PendingRow{&destination,
                         source,
                         &destination,
                         source,
                         identifier,
                         source != nullptr ? endpoint_identifier(&box_, *source) : std::string(),
                         1,
                         bidirectional};
    }
    flush(row);
    return true;
}

bool ExportWalk::joins(const PendingRow& row, const HsEntry& destination, const HsEntry* source,
                       bool bidirectional, const std::string& destination_identifier) const {
    if (next_sibling(*row.last_destination) != &destination ||
        destination_identifier != row.destination_identifier) {
        return false;
    }
    if (row.first_source == nullptr) {
        return source == nullptr;
    }
    return source != nullptr && next_sibling(*row.last_source) == source &&
           bidirectional == row.bidirectional &&
           same_attributes(destination, *row.first_destination) &&
           (!bidirectional || endpoint_identifier(&box_, *source) == row.source_identifier);
}

void ExportWalk::path(const HsEntry* endpoint) {
    if (endpoint == nullptr) {
        out_ += ", , , , , , , ";
        return;
    }
    const Card& card = *endpoint->card;
    out_ += card.type_name;
    out_ += ", ";
    out_ += slot_name(box_, card);
    std::vector<const HsEntry*> levels;
    for (const HsEntry* node = endpoint; node != nullptr; node = node->parent) {
        levels.push_back(node);
    }
    for (auto it = levels.rbegin(); it != levels.rend(); ++it) {
        out_ += ", ";
        out_ += (*it)->name;
    }
    // Seven fields in all, each ended by its comma.
    for (std::size_t filled = levels.size(); filled < 6; ++filled) {
        out_ += ", ";
    }
}

void ExportWalk::write(const PendingRow& row) {
    const bool assigned = row.first_source != nullptr;
    if (assigned ? !options_.include_assigned : !options_.include_unassigned) {
        return;
    }
    const HsEntry& first = *row.first_destination;
    out_ += !assigned ? "unmapped" : row.bidirectional ? "bidirectional" : "unidirectional";
    out_ += ", " + std::to_string(row.count) + ", ";
    out_ += first.channel_type == channel_data    ? "data"
            : first.channel_type == channel_voice ? "voice"
                                                  : "";
    out_ += ", ";
    out_ += first.a_mu_mode == a_mu_on ? "a-mu-conv" : "";
    out_ += ", ";
    if (first.sig_conv_table >= 1 && first.sig_conv_table <= 256) {
        char table[8];
        std::snprintf(table, sizeof table, "%03d", static_cast<int>(first.sig_conv_table));
        out_ += table;
    }
    out_ += ", \"" + row.destination_identifier + "\", ";
    path(row.first_destination);
    out_ += "\"" + row.source_identifier + "\", ";
    path(row.first_source);
    out_ += "# \r\n";
}

} // namespace

const char* const export_header =
    "# XC Type, TS Count, Channel Type, A->Mu Mode, Signal Conv. Table, Destination_ID, "
    "Destination_Card, Destination_Slot, Destination, , , , , Source_ID, Source_Card, "
    "Source_Slot, Source, , , , , #";

std::string export_file_name(const std::filesystem::path& device_file) {
    const std::string stem = device_file.stem().string();
    return (stem.empty() ? std::string("export") : stem) + ".csv";
}

bool export_has_device(Presenter& presenter, OwnerWindow owner, const Box* box) {
    if (box == nullptr) {
        error_dialog(presenter, owner, "!Error\r\n\r\n\r\n\r\nPlease select a device.");
        return false;
    }
    return true;
}

namespace {

// Depth first; false on a cancel, and when the device did not answer (`silent` is then set).
bool read_level(Box& box, EndpointList& list, Progress& progress, long& done, bool& silent) {
    for (auto& node : list) {
        progress.done(++done);
        if (progress.cancelled()) {
            return false;
        }
        if (!node->is_leaf()) {
            if (!read_level(box, node->children, progress, done, silent)) {
                return false;
            }
        } else if (!node->xc_valid && xc_probe(box, *node) == xc_no_answer) {
            // Shown; any other failure leaves the leaf to be read again later.
            silent = true;
            return false;
        }
    }
    return true;
}

// map_read_all; true when the device answered every request.
bool read_all(Box& box, Progress& progress) {
    progress.start("Reading Map...");
    progress.total(count_and_unmark(box));
    long done = 0;
    bool silent = false;
    for (auto& card : box.cards) {
        if (!read_level(box, card->endpoints, progress, done, silent)) {
            break;
        }
    }
    progress.finish();
    return !silent;
}

std::string export_text(Box& box, const ExportOptions& options, Progress& progress, bool& cancelled,
                        bool* read_failed, bool silent) {
    std::string out = std::string(export_header) + "\r\n";
    progress.start("Exporting...");
    progress.total(count_and_unmark(box));
    ExportWalk walk(box, options, progress, out, silent);
    cancelled = false;
    for (auto& card : box.cards) {
        if (!walk.walk(card->endpoints)) {
            cancelled = true;
            break;
        }
    }
    progress.finish();
    out += "\r\n";
    if (read_failed != nullptr) {
        *read_failed = walk.read_failed();
    }
    return out;
}

} // namespace

int map_read_all(Presenter& presenter, OwnerWindow owner, Box* box, Progress& progress) {
    if (!export_has_device(presenter, owner, box)) {
        return 1;
    }
    read_all(*box, progress);
    return 0;
}

std::string map_export_text(Box& box, const ExportOptions& options, Progress& progress,
                            bool& cancelled, bool* read_failed) {
    return export_text(box, options, progress, cancelled, read_failed, false);
}

int map_export(Presenter& presenter, OwnerWindow owner, Box* box, const std::filesystem::path& path,
               const ExportOptions& options, Progress& progress, ExportCancel cancel) {
    if (!export_has_device(presenter, owner, box)) {
        return 1;
    }
    const std::string shown_path = display_path(path);
    // The chosen name is taken only by a complete export.
    std::filesystem::path temporary;
    std::FILE* file = create_beside(path, temporary);
    if (file == nullptr) {
        const int error = errno;
        error_dialog(presenter, owner,
                     "!!Write Error\r\n\r\n\r\nUnable to create export file %s\r\n\r\n%s",
                     shown_path.c_str(), error_number_text(error).c_str());
        return 1;
    }
    const bool answered = read_all(*box, progress);
    bool cancelled = false;
    bool read_failed = false;
    const std::string text =
        export_text(*box, options, progress, cancelled, &read_failed, !answered);
    // A file that could not be finished is not left behind.
    const auto write_error = [&](const char* step, const std::string& error) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        error_dialog(presenter, owner, "!!Write Error\r\n\r\n\r\nError %s file %s\r\n\r\n%s", step,
                     shown_path.c_str(), error.c_str());
        return 1;
    };
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size() || !flush_to_disk(file)) {
        const int error = errno;
        std::fclose(file);
        return write_error("writing", error_number_text(error));
    }
    if (std::fclose(file) != 0) {
        return write_error("closing", error_number_text(errno));
    }
    if (read_failed || (cancelled && cancel == ExportCancel::incomplete)) {
        error_dialog(presenter, owner,
                     "!!Export Incomplete\r\n\r\n\r\n%s, so the export was not saved as "
                     "%s.\r\n\r\nThe rows written are in %s.",
                     read_failed ? "Some cross-connects could not be read"
                                 : "The export was interrupted",
                     shown_path.c_str(), display_path(temporary).c_str());
        return 1;
    }
    if (const auto error = rename_over(temporary, path)) {
        return write_error("writing", *error);
    }
    return 0;
}

} // namespace vornex
