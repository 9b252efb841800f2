// vornex-cli [--yes] [--json] COMMAND [ARGS...]: runs one registered subcommand. --yes and
// --json may stand anywhere on the line, as people type them.
#include "cli/cli.h"

#include <algorithm>
#include <iostream>

using namespace vornex::cli;

namespace {

void usage(std::ostream& out) {
    out << "usage: vornex-cli [--yes] COMMAND [ARGS...]\n\n"
           "  --yes   answer OK to every question the command asks (anywhere on the line)\n\n"
           "commands:\n";
    std::vector<Command> commands = registered_commands();
    std::sort(commands.begin(), commands.end(),
              [](const Command& a, const Command& b) { return a.name < b.name; });
    for (const Command& c : commands) {
        out << "  " << c.name << ' ' << c.usage << "\n      " << c.summary << '\n';
    }
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    const bool assume_yes = std::erase(words, "--yes") > 0;
    // --json is the subcommand's own: before the subcommand it is handed on to it.
    std::vector<std::string> leading;
    while (!words.empty() && words.front().rfind("--", 0) == 0) {
        if (words.front() == "--json") {
            leading.push_back(words.front());
        } else if (words.front() == "--help") {
            usage(std::cout);
            return exit_ok;
        } else {
            std::cerr << "vornex-cli: unknown option " << words.front() << '\n';
            return exit_usage;
        }
        words.erase(words.begin());
    }
    if (words.empty()) {
        usage(std::cerr);
        return exit_usage;
    }
    const auto& commands = registered_commands();
    const auto it = std::find_if(commands.begin(), commands.end(),
                                 [&](const Command& c) { return c.name == words.front(); });
    if (it == commands.end()) {
        std::cerr << "vornex-cli: unknown command " << words.front() << '\n';
        return exit_usage;
    }
    words.erase(words.begin());
    words.insert(words.begin(), leading.begin(), leading.end());
    StderrPresenter presenter(std::cerr, assume_yes);
    Context context{presenter, std::cout, std::cerr};
    const int code = it->run(context, words);
    // A command that showed a failure did not succeed, however far it went on.
    return code == exit_ok && presenter.failure_shown() ? exit_failed : code;
}
