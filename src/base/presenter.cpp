#include "base/presenter.h"

#include "base/message_text.h"

#include <cstdarg>

namespace vornex {

// Each routine formats its own va_list; the formatting rule lives in format_message_v.
#define VORNEX_FORMAT(size, format, text)                                                          \
    std::va_list args;                                                                             \
    va_start(args, format);                                                                        \
    const std::string text = format_message_v(size, format, args);                                 \
    va_end(args)

int error_dialog(Presenter& presenter, OwnerWindow owner, const char* format, ...) {
    VORNEX_FORMAT(dialog_buffer_size, format, text);
    return presenter.show_error(owner, text);
}

int error_dialog_main(Presenter& presenter, const char* format, ...) {
    VORNEX_FORMAT(dialog_buffer_size, format, text);
    return presenter.show_error(OwnerWindow::main_window(), text);
}

int confirm_dialog(Presenter& presenter, OwnerWindow owner, const char* format, ...) {
    VORNEX_FORMAT(dialog_buffer_size, format, text);
    return presenter.show_confirm(owner, text);
}

void internal_error_box(Presenter& presenter, const char* format, ...) {
    VORNEX_FORMAT(box_buffer_size, format, text);
    presenter.show_internal_error(text);
}

void note_box(Presenter& presenter, const char* format, ...) {
    VORNEX_FORMAT(box_buffer_size, format, text);
    presenter.show_note(text);
}

#undef VORNEX_FORMAT

} // namespace vornex
