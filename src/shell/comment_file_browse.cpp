#include "shell/comment_file_browse.h"

#include "config/device_config.h"
#include "shell/settings.h"

namespace vornex {

int comment_file_browse(OwnerWindow owner, FileChooser& chooser, Settings& settings,
                        device_config& config) {
    FileRequest request;
    request.start_folder = folder_of(settings.current_comment_file);
    request.proposed = config.comment_file;
    request.filters = comment_file_filters();
    const auto file = chooser.save_file(owner, request);
    if (!file) {
        return 1;
    }
    const std::filesystem::path path = with_extension(*file, ".mec");
    settings.current_comment_file = path;
    config.comment_file = path;
    return 0;
}

} // namespace vornex
