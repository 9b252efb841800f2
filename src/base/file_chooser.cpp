#include "base/file_chooser.h"

namespace vornex {

std::vector<FileFilter> config_file_filters() {
    return {{"Vornex Config File", "*.lcf"}, {"All", "*.*"}};
}

std::vector<FileFilter> comment_file_filters() {
    return {{"Vornex Endpoint Comment File", "*.mec"}, {"All", "*.*"}};
}

std::filesystem::path folder_of(const std::filesystem::path& path) {
    return path.has_filename() ? path.parent_path() : path;
}

std::filesystem::path with_extension(const std::filesystem::path& path,
                                     const std::string& extension) {
    if (path.extension() == extension) {
        return path;
    }
    std::filesystem::path result = path;
    result.replace_extension(extension);
    return result;
}

} // namespace vornex
