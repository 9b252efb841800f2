#pragma once
// Reading every cross-connect of the displayed map, and writing the map to a CSV file: one
// row for each run of neighbouring timeslots cross-connected alike, bidirectional
// cross-connects once. The file is the one the import reads back, byte for byte the same on
// every platform (CRLF line ends).
//
// Both walks report to a Progress and poll it between endpoints. A cancel while reading
// only stops the reading (the export reads what is missing as it goes); a cancel while
// exporting ends the file after the rows already written.

#include "base/progress.h"

#include <filesystem>
#include <string>

namespace vornex {

struct Box;
class Presenter;
struct OwnerWindow;

// The "Export Options" dialog's two check boxes; both on at program start.
struct ExportOptions {
    bool include_assigned = true;   // "include assigned time-slots"
    bool include_unassigned = true; // "include unassigned time-slots"
};

// What the map commands' dialogs keep for the rest of the program's run, owned by the front
// end that shows them: the export options and the import's "Suppress warning messages
// during import" as the operator last left them, and the folder of the last export or
// import, where the next file dialog starts (empty at program start).
struct MapCommandMemory {
    ExportOptions export_options;
    bool suppress_import_warnings = false;
    std::filesystem::path last_folder;
};

// The file name the save dialog proposes: the device file's name part with ".csv", or
// "export.csv" when the path has none.
std::string export_file_name(const std::filesystem::path& device_file);

// The header line of every export file, without its line end.
extern const char* const export_header;

// Without a device: shows "Please select a device." and answers false.
bool export_has_device(Presenter& presenter, OwnerWindow owner, const Box* box);

// Reads the cross-connect of every leaf not read yet, under the title "Reading Map...". A
// device that does not answer ends the reading at its one message; a leaf whose read failed
// otherwise is read again later. 0, or 1 without a device (after the message).
int map_read_all(Presenter& presenter, OwnerWindow owner, Box* box, Progress& progress);

// The rows of the displayed map with the given options, as the file holds them (header,
// rows, last empty line; "\r\n" line ends), read through one Progress phase "Exporting...".
// `cancelled` tells whether the walk stopped on a cancel, `read_failed` whether a leaf's
// cross-connect could not be read (shown; the leaf is then in no row).
std::string map_export_text(Box& box, const ExportOptions& options, Progress& progress,
                            bool& cancelled, bool* read_failed = nullptr);

// What a cancel makes of the export: the window's operator keeps the rows written so far; an
// interrupted command line has no complete file.
enum class ExportCancel { keeps_rows, incomplete };

// The whole "Export Map" command after its dialogs: reads the map and writes the file, under
// a temporary name beside `path` until the export is complete. 0 when `path` was written (a
// cancelled export too, with ExportCancel::keeps_rows); 1 after a reported failure or
// without a device. An export that is not complete (a failed read, or a cancel with
// ExportCancel::incomplete) stays under its temporary name, and the message names both.
// Once the device has not answered, it is asked nothing more: the leaves not read by then
// are in no row.
int map_export(Presenter& presenter, OwnerWindow owner, Box* box, const std::filesystem::path& path,
               const ExportOptions& options, Progress& progress,
               ExportCancel cancel = ExportCancel::keeps_rows);

} // namespace vornex
