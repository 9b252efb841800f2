#pragma once
// vornex-cli: the core's operations from a shell. Each group of subcommands lives in a file
// of its own (cmd_*.cpp) and registers itself with a static CommandRegistration; main.cpp
// only dispatches. Messages go through StderrPresenter in the program's own words, and
// questions are answered from the --yes flag, so scripts never hang on a prompt.

#include "base/presenter.h"

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace vornex::cli {

// Exit codes: 0 done; 1 failed (the reason was shown on stderr); 2 bad command line.
inline constexpr int exit_ok = 0;
inline constexpr int exit_failed = 1;
inline constexpr int exit_usage = 2;

class StderrPresenter : public Presenter {
public:
    StderrPresenter(std::ostream& err, bool assume_yes) : err_(err), assume_yes_(assume_yes) {}

    int show_error(OwnerWindow owner, const std::string& text) override;
    int show_confirm(OwnerWindow owner, const std::string& text) override;
    void show_internal_error(const std::string& text) override;
    void show_note(const std::string& text) override;

    // Whether a failure was shown: a message marked as an error (the exclamation or stop
    // mark), an internal error or a note; not a question, a warning or a notice.
    bool failure_shown() const { return failure_shown_; }

private:
    void print(const std::string& text);

    std::ostream& err_;
    bool assume_yes_;
    bool failure_shown_ = false;
};

// "--name value" options, "--flag" switches and positional words, checked against what a
// subcommand declares so that a mistyped option is an error, not silently ignored.
class Args {
public:
    // Returns nullopt (after writing the reason to `err`) when `words` uses an option that
    // is not in `options` or `flags`, or an option lacks its value.
    static std::optional<Args> parse(const std::vector<std::string>& words,
                                     const std::vector<std::string_view>& options,
                                     const std::vector<std::string_view>& flags, std::ostream& err);

    std::optional<std::string> value(std::string_view option) const;
    bool flag(std::string_view flag) const;
    const std::vector<std::string>& positional() const { return positional_; }

private:
    std::map<std::string, std::string, std::less<>> values_;
    std::vector<std::string> flags_;
    std::vector<std::string> positional_;
};

// TEXT as a JSON string. Every byte outside printable ASCII is escaped, so the output stays
// valid JSON whatever the device or the system sent.
std::string json_string(const std::string& text);

struct Context {
    Presenter& presenter;
    std::ostream& out;
    std::ostream& err;
};

struct Command {
    std::string_view name;
    std::string_view usage;   // the arguments after the name, e.g. "--root DIR [--port N]"
    std::string_view summary; // one line for --help
    int (*run)(Context& context, const std::vector<std::string>& words);
};

struct CommandRegistration {
    explicit CommandRegistration(const Command& command);
};

const std::vector<Command>& registered_commands();

} // namespace vornex::cli
