#include "base/message_text.h"

#include <cstdio>
#include <vector>

namespace vornex {

namespace {

MessageKind kind_of_mark(char c) {
    switch (c) {
    case '!':
        return MessageKind::exclamation;
    case '*':
        return MessageKind::information;
    case '?':
        return MessageKind::question;
    case '|':
        return MessageKind::stop;
    default:
        return MessageKind::none;
    }
}

} // namespace

ParsedMessage parse_message(std::string_view text) {
    ParsedMessage parsed;
    if (!text.empty()) {
        parsed.kind = kind_of_mark(text.front());
        if (parsed.kind != MessageKind::none) {
            // Only a repeat of the same mark means "beep"; "!*" is an exclamation whose
            // title starts with "*".
            parsed.beep = text.size() > 1 && text[1] == text[0];
            text.remove_prefix(parsed.beep ? 2 : 1);
        }
    }
    const std::size_t line_feed = text.find('\n');
    const std::string_view first_line = text.substr(0, line_feed);
    parsed.title.assign(first_line.substr(0, max_title_length));
    if (line_feed != std::string_view::npos) {
        parsed.body.assign(text.substr(line_feed));
    }
    return parsed;
}

std::string format_message_v(std::size_t buffer_size, const char* format, std::va_list args) {
    if (buffer_size == 0 || format == nullptr) {
        return {};
    }
    std::vector<char> buffer(buffer_size);
    const int written = std::vsnprintf(buffer.data(), buffer.size(), format, args);
    if (written < 0) {
        return {};
    }
    return std::string(buffer.data());
}

std::string format_message(std::size_t buffer_size, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::string text = format_message_v(buffer_size, format, args);
    va_end(args);
    return text;
}

} // namespace vornex
