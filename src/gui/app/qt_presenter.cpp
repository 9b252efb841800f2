#include "gui/app/qt_presenter.h"

#include <QMessageBox>
#include <QWidget>

namespace vornex {

QtPresenter::QtPresenter(QWidget* main_window, BeepFunction beep)
    : main_window_(main_window), beep_(std::move(beep)) {}

QWidget* QtPresenter::widget_of(OwnerWindow owner) const {
    if (owner.handle == nullptr) {
        return main_window_;
    }
    // Only this presenter makes non-null handles (see owner()), so the cast is safe.
    return const_cast<QWidget*>(static_cast<const QWidget*>(owner.handle));
}

int QtPresenter::show_error(OwnerWindow owner, const std::string& text) {
    return run_message_dialog(widget_of(owner), error_dialog_template, text.c_str(), beep_);
}

int QtPresenter::show_confirm(OwnerWindow owner, const std::string& text) {
    return run_message_dialog(widget_of(owner), confirm_dialog_template, text.c_str(), beep_);
}

void QtPresenter::show_internal_error(const std::string& text) {
    // Without a caption of its own the system box is titled "Error".
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Error"), QString::fromUtf8(text.c_str()),
                    QMessageBox::Ok, main_window_);
    box.setObjectName(QStringLiteral("internalErrorBox"));
    box.exec();
}

void QtPresenter::show_note(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral(" "), QString::fromUtf8(text.c_str()),
                    QMessageBox::Ok, main_window_);
    box.setObjectName(QStringLiteral("noteBox"));
    box.exec();
}

} // namespace vornex
