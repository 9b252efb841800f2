// vornex-cli [--yes] COMMAND [ARGS...]: runs one registered subcommand.
#include "cli/cli.h"

#include <algorithm>
#include <iostream>

using namespace vornex::cli;

namespace {

void usage(std::ostream& out) {
    out << "usage: vornex-cli [--yes] COMMAND [ARGS...]\n\n"
           "  --yes   answer OK to every question the command asks\n\n"
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
    bool assume_yes = false;
    while (!words.empty() && words.front().rfind("--", 0) == 0) {
        if (words.front() == "--yes") {
            assume_yes = true;
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
    StderrPresenter presenter(std::cerr, assume_yes);
    Context context{presenter, std::cout, std::cerr};
    const int code = it->run(context, words);
    // A command that showed a failure did not succeed, however far it went on.
    return code == exit_ok && presenter.failure_shown() ? exit_failed : code;
}
