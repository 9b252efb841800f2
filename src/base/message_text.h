#pragma once
// How a message text carries its own presentation: an optional kind mark (icon, and a
// beep when doubled), a title taken from the first line and a body from the rest.
// Every text the program shows is formatted printf-style into a fixed-size buffer first.

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

namespace vornex {

enum class MessageKind { none, exclamation, information, question, stop };

struct ParsedMessage {
    MessageKind kind = MessageKind::none;
    bool beep = false;
    std::string title; // at most max_title_length characters, a CR before the LF kept
    std::string body;  // from the first line feed on, that line feed included
};

// Buffer sizes of the message routines; text is cut at the buffer size minus one.
inline constexpr std::size_t dialog_buffer_size = 1024;
inline constexpr std::size_t box_buffer_size = 254;
inline constexpr std::size_t max_title_length = 79;

ParsedMessage parse_message(std::string_view text);

// vsnprintf into a buffer of buffer_size bytes: the result holds at most buffer_size - 1.
std::string format_message_v(std::size_t buffer_size, const char* format, std::va_list args);
std::string format_message(std::size_t buffer_size, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

} // namespace vornex
