#include "gui/app/progress_window.h"

#include "gui/app/simple_dialog.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace vornex {

ProgressWindow::~ProgressWindow() {
    finish();
}

void ProgressWindow::start(std::string_view title) {
    finish();
    const QString caption = QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
    importing_ = caption == QLatin1String("Importing...");
    total_ = 1;
    done_ = 0;
    cancel_requested_ = false;

    // A captioned window of its own, owned by the main window, without close or size boxes:
    // "Cancel" is the only way out.
    window_ = new QWidget(owner_, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    window_->setObjectName(importing_ ? QStringLiteral("import_status_win")
                                      : QStringLiteral("export_status_win"));
    window_->setWindowTitle(caption);
    window_->setStyleSheet(QStringLiteral("background: white;"));
    window_->setFixedSize(250, 125);
    done_label_ = new QLabel(window_);
    done_label_->setObjectName(QStringLiteral("doneText"));
    done_label_->setGeometry(10, 10, 230, 16);
    if (importing_) {
        errors_label_ = new QLabel(window_);
        errors_label_->setObjectName(QStringLiteral("errorsText"));
        errors_label_->setGeometry(10, 26, 230, 16);
    } else {
        errors_label_ = nullptr;
    }
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), window_);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setGeometry(85, 70, 80, 24);
    QObject::connect(cancel, &QPushButton::clicked, [this] { cancel_requested_ = true; });

    if (owner_ != nullptr) {
        owner_->setEnabled(false);
    }
    // A window stays enabled under a disabled owner only when told so.
    window_->setEnabled(true);
    center_on_owner(window_, owner_);
    window_->show();
    QApplication::processEvents();
}

void ProgressWindow::finish() {
    if (owner_ != nullptr) {
        owner_->setEnabled(true);
    }
    if (window_) {
        // Deleted at once: a queued delete would leave it on the screen until the
        // command's caller returns to the event loop.
        delete window_;
    }
    done_label_ = nullptr;
    errors_label_ = nullptr;
}

void ProgressWindow::total(long count) {
    total_ = count == 0 ? 1 : count;
}

void ProgressWindow::done(long count) {
    done_ = count;
    showDone();
    QApplication::processEvents();
}

void ProgressWindow::errors(long count) {
    if (errors_label_ != nullptr) {
        errors_label_->setText(QString::asprintf("Errors: %5ld", count));
    }
    QApplication::processEvents();
}

bool ProgressWindow::cancelled() {
    QApplication::processEvents();
    const bool requested = cancel_requested_;
    cancel_requested_ = false;
    return requested;
}

void ProgressWindow::showDone() {
    if (done_label_ == nullptr) {
        return;
    }
    const long percent = done_ * 100 / total_;
    done_label_->setText(importing_ ? QString::asprintf("Importing: %5ld%% complete.", percent)
                                    : QString::asprintf("%5ld%% complete.", percent));
}

} // namespace vornex
