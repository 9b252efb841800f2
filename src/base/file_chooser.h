#pragma once
// The seam through which the core and the dialogs ask the operator for a file: the GUI
// answers with the platform's file dialogs, tests with a script. Also the two path rules
// every chooser caller applies: the folder a dialog starts in, and a required extension.

#include "base/presenter.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vornex {

struct FileFilter {
    std::string label;   // "Vornex Config File"
    std::string pattern; // "*.lcf"
};

struct FileRequest {
    std::string title;                  // empty: the platform's own title
    std::filesystem::path start_folder; // empty: the platform's choice
    std::filesystem::path proposed;     // the name (or path) offered first
    std::vector<FileFilter> filters;
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // An existing file to read; nullopt when the operator cancels.
    virtual std::optional<std::filesystem::path> open_file(OwnerWindow owner,
                                                           const FileRequest& request) = 0;
    // A file to write; an existing file is chosen without a question. nullopt on cancel.
    virtual std::optional<std::filesystem::path> save_file(OwnerWindow owner,
                                                           const FileRequest& request) = 0;
};

std::vector<FileFilter> config_file_filters();  // "*.lcf", then "All"
std::vector<FileFilter> comment_file_filters(); // "*.mec", then "All"

// The folder part of `path`, or empty when the path names no folder.
std::filesystem::path folder_of(const std::filesystem::path& path);

// `path` with its extension replaced by `extension` (".lcf") unless it already is exactly
// that, letter case included.
std::filesystem::path with_extension(const std::filesystem::path& path,
                                     const std::string& extension);

} // namespace vornex
