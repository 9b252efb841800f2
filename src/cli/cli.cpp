#include "cli/cli.h"

#include "base/message_text.h"

#include <algorithm>
#include <cstdio>

namespace vornex::cli {

namespace {

std::vector<Command>& registry() {
    static std::vector<Command> commands;
    return commands;
}

// The text as the program words it, kind mark and title on the first line and the body
// after it, without the carriage returns and the blank lines a dialog puts under its title.
std::string as_lines(const std::string& text) {
    std::string plain;
    for (char c : text) {
        if (c != '\r') {
            plain += c;
        }
    }
    const std::size_t line_feed = plain.find('\n');
    std::string out = plain.substr(0, line_feed) + '\n';
    if (line_feed != std::string::npos) {
        std::string body = plain.substr(line_feed);
        const std::size_t start = body.find_first_not_of('\n');
        if (start != std::string::npos) {
            const std::size_t end = body.find_last_not_of('\n');
            out += body.substr(start, end - start + 1) + '\n';
        }
    }
    return out;
}

} // namespace

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c > 0x7e) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

void StderrPresenter::print(const std::string& text) {
    err_ << as_lines(text);
    err_.flush();
}

int StderrPresenter::show_error(OwnerWindow, const std::string& text) {
    const MessageKind kind = parse_message(text).kind;
    failure_shown_ =
        failure_shown_ || kind == MessageKind::exclamation || kind == MessageKind::stop;
    print(text);
    return dialog_ok;
}

int StderrPresenter::show_confirm(OwnerWindow, const std::string& text) {
    print(text);
    err_ << (assume_yes_ ? "(answered OK: --yes)\n" : "(answered Cancel: give --yes to go on)\n");
    return assume_yes_ ? dialog_ok : dialog_cancel;
}

void StderrPresenter::show_internal_error(const std::string& text) {
    failure_shown_ = true;
    err_ << "Error\n" << text << '\n';
}

void StderrPresenter::show_note(const std::string& text) {
    failure_shown_ = true;
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
