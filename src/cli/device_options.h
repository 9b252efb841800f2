#pragma once
// How device subcommands name the device: options after the keywords of the device
// configuration file ("_" written as "-"), defaults as a new configuration's, and the four
// secrets optionally from the environment so they need not show in a process list.

#include "cli/cli.h"
#include "comments/comment_file.h"
#include "config/device_config.h"
#include "device/box.h"

#include <memory>
#include <optional>
#include <ostream>
#include <string_view>
#include <vector>

namespace vornex::cli {

// The options device_config_from_args understands, for Args::parse.
std::vector<std::string_view> device_option_names();

// Fills `config` from the defaults, the environment and `args`; false (after writing the
// reason to `err`) when a value is not one the option takes.
bool device_config_from_args(const Args& args, device_config& config, std::ostream& err);

// A device subcommand's start: parses `words` (the device options or --config, --map,
// `extra_options`, `flags` and exactly `positional` other words), opens the device, reads
// the controllers and chooses the displayed map (--map 1|2, else the active one); the
// configuration it opened goes to `config_used` when given. Null with `exit_code` set after
// a usage error (the usage line printed) or a reported failure.
std::unique_ptr<Box> open_device_command(Context& context, const std::vector<std::string>& words,
                                         const std::vector<std::string_view>& extra_options,
                                         const std::vector<std::string_view>& flags,
                                         const char* usage, std::optional<Args>& args,
                                         int& exit_code, std::size_t positional = 0,
                                         device_config* config_used = nullptr);

// Reads the card table and every card's endpoints of a device that open_device_command
// opened, as the window's opening goes on after the displayed map; false after a read
// failure that was reported (the device stays as far as it was built).
bool build_device_model(Context& context, std::unique_ptr<Box>& box);

// The comment file's dialogs on the command line: they go to the Presenter, and "Specify
// Comment File" skips, since a command line cannot browse.
CommentFileChooser& cli_comment_chooser();

// The session retries and time-outs: the program's own, unless the test suite shortens
// them through VORNEX_TEST_SHORT_TIMEOUTS.
session_timings cli_session_timings();

} // namespace vornex::cli
