#pragma once
// Choosing a device's endpoint comment file: a save-file chooser (the file need not exist
// yet) that starts beside the comment file last used and always ends in ".mec".

#include "base/file_chooser.h"

namespace vornex {

struct Settings;
struct device_config;

// 0 when a file was chosen (it becomes both the record's comment file and the settings'
// current comment file), 1 when the operator cancelled.
int comment_file_browse(OwnerWindow owner, FileChooser& chooser, Settings& settings,
                        device_config& config);

} // namespace vornex
