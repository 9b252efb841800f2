#include "cli/cli.h"

#include "app/message_text.h"

#include <algorithm>

namespace vornex::cli {

namespace {

std::vector<Command>& registry() {
    static std::vector<Command> commands;
    return commands;
}

// The dialog's title line, then its body with the program's "\r\n" breaks as plain lines;
// the blank lines a dialog puts between title and message are dropped.
std::string as_lines(const ParsedMessage& m) {
    std::string out = m.title;
    if (!out.empty() && out.back() == '\r') {
        out.pop_back();
    }
    std::string body;
    for (char c : m.body) {
        if (c != '\r') {
            body += c;
        }
    }
    const std::size_t start = body.find_first_not_of('\n');
    if (start != std::string::npos) {
        body.erase(0, start);
        while (!body.empty() && body.back() == '\n') {
            body.pop_back();
        }
        out += out.empty() ? body : "\n" + body;
    }
    return out;
}

} // namespace

void StderrPresenter::print(const std::string& text) {
    err_ << "vornex: " << as_lines(parse_message(text)) << '\n';
    err_.flush();
}

int StderrPresenter::show_error(OwnerWindow, const std::string& text) {
    print(text);
    return dialog_ok;
}

int StderrPresenter::show_confirm(OwnerWindow, const std::string& text) {
    print(text);
    err_ << (assume_yes_ ? "vornex: answered OK (--yes)\n"
                         : "vornex: answered Cancel (give --yes to go on)\n");
    return assume_yes_ ? dialog_ok : dialog_cancel;
}

void StderrPresenter::show_internal_error(const std::string& text) {
    err_ << "vornex: Error: " << text << '\n';
}

void StderrPresenter::show_note(const std::string& text) {
    err_ << "vornex: " << text << '\n';
}

std::optional<Args> Args::parse(const std::vector<std::string>& words,
                                const std::vector<std::string_view>& options,
                                const std::vector<std::string_view>& flags, std::ostream& err) {
    Args args;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.rfind("--", 0) != 0) {
            args.positional_.push_back(word);
            continue;
        }
        if (std::find(flags.begin(), flags.end(), word) != flags.end()) {
            args.flags_.push_back(word);
        } else if (std::find(options.begin(), options.end(), word) != options.end()) {
            if (i + 1 >= words.size()) {
                err << "vornex-cli: " << word << " needs a value\n";
                return std::nullopt;
            }
            args.values_[word] = words[++i];
        } else {
            err << "vornex-cli: unknown option " << word << '\n';
            return std::nullopt;
        }
    }
    return args;
}

std::optional<std::string> Args::value(std::string_view option) const {
    const auto it = values_.find(option);
    if (it == values_.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool Args::flag(std::string_view flag) const {
    return std::find(flags_.begin(), flags_.end(), flag) != flags_.end();
}

CommandRegistration::CommandRegistration(const Command& command) {
    registry().push_back(command);
}

const std::vector<Command>& registered_commands() {
    return registry();
}

} // namespace vornex::cli
