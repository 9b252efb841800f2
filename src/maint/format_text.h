#pragma once
// The reset sequences word their texts printf-style, as the dialogs show them.

#include <cstdarg>
#include <cstdio>
#include <string>

namespace vornex {

inline std::string format_text(const char* format, ...) __attribute__((format(printf, 1, 2)));
inline std::string format_text(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

} // namespace vornex
