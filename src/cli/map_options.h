#pragma once
// What the map subcommands share: opening the device with the displayed map chosen
// (--map 1|2, else the active one) and, where a command needs them, the endpoint trees; the
// comment file (--comments FILE.mec, else the one the device file names) loaded and saved
// with the same lock as the program; and a Progress that an interrupt (Ctrl-C) cancels.

#include "base/progress.h"
#include "cli/cli.h"
#include "comments/comment_file.h"
#include "config/device_config.h"
#include "device/box.h"

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace vornex::cli {

struct MapCommand {
    std::optional<Args> args;
    device_config config;
    std::unique_ptr<Box> box;
    bool comments_loaded = false;
};

// Parses the words (device options or --config, --map, --comments, `options`, `flags` and
// exactly `positional` words), opens the device and, with `build_model`, reads the card table
// and every endpoint tree. exit_ok, or the exit code after the usage line or a reported
// failure.
int open_map_command(Context& context, const std::vector<std::string>& words, const char* usage,
                     const std::vector<std::string_view>& flags, std::size_t positional,
                     bool build_model, MapCommand& command,
                     const std::vector<std::string_view>& options = {});

// Reads the comment file into the box, locking it. With `must_edit`, a file that this
// command may not write (none configured, locked by another copy, unreadable) ends the
// command before anything changes: exit_failed after the reason; otherwise exit_ok.
int load_map_comments(Context& context, MapCommand& command, bool must_edit);
// Writes changed comments back and releases the lock; nothing without a loaded file.
void save_map_comments(MapCommand& command);

// A Progress that shows nothing and, after SIGINT, answers every poll with a cancel: an
// interrupt stops the whole command, not only the phase it came in.
class InterruptProgress : public NoProgress {
public:
    InterruptProgress();
    ~InterruptProgress() override;
    bool cancelled() override;
};

} // namespace vornex::cli
