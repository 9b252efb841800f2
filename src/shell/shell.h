#pragma once
// The main window's rules that need no window: its title, the console command lines, and
// the words for commands whose part of the program is not there yet.

#include "base/presenter.h"

#include <string>
#include <vector>

namespace vornex {

struct Box;

// "Vornex v2.02: host - sysName - Map1 (active)"; "(inactive)" when the displayed map is
// not the active one. Cut to 119 characters.
std::string main_window_title(const char* program_title, const Box& box);

enum class ConsoleKind { telnet, ssh };

// The longest command line a console may have: the consoles' own limit, which operators'
// scripts and documented host names were written for.
inline constexpr std::size_t command_line_limit = 259;

// A program and its arguments, each handed over as one argument: nothing splits them
// again, so a blank or a quote in a host or port name stays inside its own argument and an
// empty name still arrives as an (empty) argument.
struct CommandLine {
    std::vector<std::string> words; // the program first

    // The words joined with blanks, as the operator would type them.
    std::string text() const;
};

// "putty -telnet HOST", "putty -ssh HOST", or "putty2014 -ssh HOST" for controllers whose
// firmware predates V2.15.01; the host is cut so that the text stays within 259 characters.
CommandLine console_command_line(ConsoleKind kind, const std::string& host, bool legacy_ssh);

// Starts programs that the program does not wait for (the consoles).
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // 0 when started, else the system's error code.
    virtual int start_detached(const CommandLine& command) = 0;
};

// Starts the console; a failure shows "CreateProcess failed (N)" in the internal-error
// box. 0 when started, else 1.
int start_console(Presenter& presenter, ProcessLauncher& launcher, const CommandLine& command);

// Tells the operator that `command` cannot be used in this version.
void command_not_available(Presenter& presenter, const char* command);

} // namespace vornex
