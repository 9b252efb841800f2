#pragma once
// Merging a map CSV file into the displayed map: every row clears what is cross-connected at
// its destination (and, for a bidirectional row, at its source) and then makes the row's
// cross-connects. Rows name their endpoints by card, slot and level names, so a file moves
// between devices of the same configuration. Files of the older layout, one timeslot per
// line without type and count columns, are still read.
//
// A problem in a row never stops the import by itself: it is shown as a warning whose OK
// goes on and whose Cancel stops, and counted. A stopped or cancelled import leaves a
// partial map on the device and still runs its closing steps.

#include "base/progress.h"

#include <filesystem>
#include <functional>
#include <string>

namespace vornex {

struct Box;
class Presenter;

struct ImportOptions {
    // "Suppress warning messages during import": row problems are counted, not shown.
    bool suppress_warnings = false;
    // "Apply Endpoint Identifiers": clearing a run clears its identifiers, making a run sets
    // them from the file.
    bool apply_identifiers = false;
    // A dry run sends no SET: every row is located and checked, and each change the import
    // would make is handed here as one line ("clear ..." or "make ...").
    std::function<void(const std::string&)> dry_run;
};

struct ImportResult {
    long lines = 0;       // lines read
    long errors = 0;      // warnings counted
    long applied = 0;     // rows (runs in the older layout) made or, in a dry run, to be made
    bool stopped = false; // the operator stopped at a warning or cancelled
};

// A row's warning: with `suppressed` it goes on at once; otherwise the text (at most 253
// characters) is shown in "Import Error" with OK and Cancel. dialog_ok goes on,
// dialog_cancel stops the import.
int import_warning(Presenter& presenter, bool suppressed, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// The "Import Map" command after its dialogs. 0 after an import, whole or partial (the caller
// rebuilds the display); 1 when the file could not be opened (shown) and nothing started.
int map_import(Box& box, const std::filesystem::path& path, const ImportOptions& options,
               Progress& progress, ImportResult* result = nullptr);

} // namespace vornex
