// show-message: runs a message text through the program's presentation rules, so that
// scripts and people can see how a text the program words will be shown.
#include "base/message_text.h"
#include "cli/cli.h"

namespace vornex::cli {
namespace {

const char* kind_name(MessageKind kind) {
    switch (kind) {
    case MessageKind::exclamation:
        return "exclamation";
    case MessageKind::information:
        return "information";
    case MessageKind::question:
        return "question";
    case MessageKind::stop:
        return "stop";
    case MessageKind::none:
        break;
    }
    return "none";
}

int show_message(Context& context, const std::vector<std::string>& words) {
    const auto args = Args::parse(words, {}, {}, context.err);
    if (!args || args->positional().size() != 1) {
        context.err << "usage: vornex-cli show-message TEXT\n";
        return exit_usage;
    }
    // Shells do not pass "\r\n" easily; the escapes \r and \n are taken literally here.
    std::string text;
    const std::string& raw = args->positional().front();
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size() && (raw[i + 1] == 'n' || raw[i + 1] == 'r')) {
            text += raw[++i] == 'n' ? '\n' : '\r';
        } else {
            text += raw[i];
        }
    }
    const ParsedMessage m = parse_message(format_message(dialog_buffer_size, "%s", text.c_str()));
    std::string title = m.title;
    if (!title.empty() && title.back() == '\r') {
        title.pop_back();
    }
    context.out << "kind: " << kind_name(m.kind) << "\nbeep: " << (m.beep ? "yes" : "no")
                << "\ntitle: " << title << "\n";
    // The text is what was asked for, not a failure of the command.
    StderrPresenter shown(context.err, false);
    error_dialog_main(shown, "%s", text.c_str());
    return exit_ok;
}

const CommandRegistration registration{
    {"show-message", "TEXT", "show a message text as the program would (\\r and \\n escapes)",
     show_message}};

} // namespace
} // namespace vornex::cli
