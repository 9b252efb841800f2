#pragma once
// The GUI's Presenter: the program's modal dialogs and message boxes.

#include "base/presenter.h"
#include "gui/app/message_dialog.h"

class QWidget;

namespace vornex {

class QtPresenter : public Presenter {
public:
    // `main_window` owns the message boxes and every dialog whose owner is the main window.
    explicit QtPresenter(QWidget* main_window, BeepFunction beep = system_beep);

    static OwnerWindow owner(const QWidget* window) { return {window}; }

    int show_error(OwnerWindow owner, const std::string& text) override;
    int show_confirm(OwnerWindow owner, const std::string& text) override;
    void show_internal_error(const std::string& text) override;
    void show_note(const std::string& text) override;

private:
    QWidget* widget_of(OwnerWindow owner) const;

    QWidget* main_window_;
    BeepFunction beep_;
};

} // namespace vornex
