#pragma once
// The modal message dialogs: the message's title on the title bar with the icon of its
// kind, its body in a read-only multi-line text, and one or two buttons. The text arrives
// exactly as the core worded it; parsing is the core's (message_text.h).

#include "base/message_text.h"
#include "gui/app/simple_dialog.h"

#include <functional>

class QPlainTextEdit;
class QTextEdit;

namespace vornex {

// A dialog template: its caption before the message replaces it, its size in dialog
// units, its buttons and its text control's alignment.
struct MessageDialogTemplate {
    const char* caption;
    int width_units;
    int height_units;
    bool has_cancel;
    bool has_system_menu;
    bool centred_text;
};

inline constexpr MessageDialogTemplate error_dialog_template{"Error", 319, 114, false, true, true};
inline constexpr MessageDialogTemplate confirm_dialog_template{
    "Continue/Cancel", 319, 103, true, false, true};

// Sounds the beep of a doubled kind mark. Qt has a single system beep; tests replace it.
using BeepFunction = std::function<void(MessageKind)>;
void system_beep(MessageKind kind);

class MessageDialog : public SimpleDialog {
    Q_OBJECT
public:
    // A null text keeps the template's caption and leaves the body empty.
    MessageDialog(QWidget* owner, const MessageDialogTemplate& layout, const char* text,
                  const BeepFunction& beep = system_beep);

    QString bodyText() const;

private:
    QTextEdit* body_ = nullptr;
};

// Runs the dialog modally and answers its end value (1 OK, 2 Cancel/Escape/close box).
int run_message_dialog(QWidget* owner, const MessageDialogTemplate& layout, const char* text,
                       const BeepFunction& beep = system_beep);

} // namespace vornex
