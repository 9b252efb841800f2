#pragma once
// The seam through which the core shows every message and asks every question. The core
// words the text (kind mark, title line, "\r\n" line breaks) and formats it; a Presenter
// only renders it: the GUI with modal dialogs, the CLI on stderr, tests with a recorder.
// The routines below block until the presenter answers; the core never waits on its own.

#include <string>

namespace vornex {

// An owner window as the core sees it: an opaque handle that only the front end
// understands. The null handle stands for the main window.
struct OwnerWindow {
    const void* handle = nullptr;
    static OwnerWindow main_window() { return {}; }
    friend bool operator==(const OwnerWindow&, const OwnerWindow&) = default;
};

// End values of the message dialogs.
inline constexpr int dialog_ok = 1;
inline constexpr int dialog_cancel = 2;

class Presenter {
public:
    virtual ~Presenter() = default;

    // The one-button message dialog; answers dialog_ok, or dialog_cancel when the operator
    // pressed Escape or closed it.
    virtual int show_error(OwnerWindow owner, const std::string& text) = 0;
    // The OK/Cancel dialog; answers dialog_ok only when the operator chose to go on.
    virtual int show_confirm(OwnerWindow owner, const std::string& text) = 0;
    // The plain message box for internal and resource errors (caption "Error").
    virtual void show_internal_error(const std::string& text) = 0;
    // The plain message box for input notes (caption one blank, no icon).
    virtual void show_note(const std::string& text) = 0;
};

// The program's message routines. Each formats printf-style, cuts the text to its buffer
// (1023 characters for the dialogs, 253 for the boxes) and hands it to the presenter.
int error_dialog(Presenter& presenter, OwnerWindow owner, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
int error_dialog_main(Presenter& presenter, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
int confirm_dialog(Presenter& presenter, OwnerWindow owner, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
void internal_error_box(Presenter& presenter, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
void note_box(Presenter& presenter, const char* format, ...) __attribute__((format(printf, 2, 3)));

} // namespace vornex
