#include "gui/app/print_screen.h"

#include "gui/app/simple_dialog.h"
#include "shell/print_layout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QVBoxLayout>

namespace vornex {

namespace {

// The main window stays disabled while a job runs and comes back whichever way it ends.
class DisabledWhileRunning {
public:
    explicit DisabledWhileRunning(QWidget& window) : window_(&window) { window.setEnabled(false); }
    ~DisabledWhileRunning() {
        if (window_) {
            window_->setEnabled(true);
        }
    }
    DisabledWhileRunning(const DisabledWhileRunning&) = delete;
    DisabledWhileRunning& operator=(const DisabledWhileRunning&) = delete;

private:
    QPointer<QWidget> window_;
};

void print_request_failed(QWidget& window) {
    QWidget* focus = QApplication::focusWidget();
    QMessageBox::critical(focus != nullptr ? focus->window() : &window,
                          QStringLiteral("Printing error"), QStringLiteral("Print request failed"));
}

// The main window's client area: everything below the menu bar, children included.
QPixmap client_area(QMainWindow& window) {
    QRect area = window.rect();
    if (QMenuBar* bar = window.menuBar(); bar != nullptr && bar->isVisible()) {
        area.setTop(bar->geometry().bottom() + 1);
    }
    return window.grab(area);
}

// Lets the "Printing" window's Cancel, painting and timers work between the job's steps;
// true when the operator asked to stop.
bool cancel_requested(const QPointer<PrintingWindow>& printing) {
    QApplication::processEvents();
    return printing.isNull() || printing->cancelled();
}

PrintPage page_of(QPrinter& printer) {
    const QRect printable = printer.pageRect(QPrinter::DevicePixel).toRect();
    const QRect paper = printer.paperRect(QPrinter::DevicePixel).toRect();
    return PrintPage{printable.width(), printable.height(),    paper.width(),
                     paper.height(),    printer.logicalDpiX(), printer.logicalDpiY()};
}

} // namespace

PrintingWindow::PrintingWindow(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("printingWindow"));
    setWindowTitle(QStringLiteral("Printing"));
    setModal(false);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setDefault(true);
    connect(cancel, &QPushButton::clicked, this, &PrintingWindow::reject);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(cancel);
    row->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addLayout(row);
    layout->addStretch(1);
    setFixedSize(dialog_units_to_pixels(this, 117, 57));
}

void PrintingWindow::closeEvent(QCloseEvent* event) {
    cancelled_ = true;
    event->ignore();
}

PrintScreen::PrintScreen() = default;
PrintScreen::~PrintScreen() = default;

QPrinter& PrintScreen::printer() {
    if (!printer_) {
        // Without a default printer (no print queue, common on Linux) the dialog is shown
        // all the same: it offers printing to a PDF file.
        printer_ =
            std::make_unique<QPrinter>(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
    }
    return *printer_;
}

void PrintScreen::print(QMainWindow& window) {
    const QPixmap picture = client_area(window);
    if (picture.isNull()) {
        return; // nothing could be copied: nothing to say
    }
    QPrinter& chosen = printer();
    chosen.setDocName(QStringLiteral("Vornex_Print"));
    {
        QPrintDialog dialog(&chosen, &window);
        if (dialog.exec() != QDialog::Accepted) {
            return; // the operator cancelled: nothing to say
        }
    }
    // Said once the "Printing" window is gone and the main window works again.
    if (run_job(window, chosen, picture) == JobEnd::failed) {
        print_request_failed(window);
    }
}

PrintScreen::JobEnd PrintScreen::run_job(QMainWindow& window, QPrinter& chosen,
                                         const QPixmap& picture) {
    // Deleted at the end unless its owner went first and took it along.
    const QPointer<PrintingWindow> printing(new PrintingWindow(&window));
    const struct Close {
        const QPointer<PrintingWindow>& window;
        ~Close() { delete window.data(); }
    } close{printing};
    center_on_owner(printing, &window);
    printing->show();
    const DisabledWhileRunning disabled(window);
    // Disabling the main window disables the windows it owns too; Cancel must stay live.
    printing->setEnabled(true);

    // The document is only started once nothing can cancel it any more: printers cannot
    // take back a page once the document is under way, and a cancelled job must leave no
    // page and no file behind.
    if (cancel_requested(printing)) {
        return JobEnd::cancelled;
    }
    const PrintRect place = print_picture_rect(page_of(chosen), picture.width(), picture.height());
    if (cancel_requested(printing)) {
        return JobEnd::cancelled;
    }
    QPainter painter;
    if (!painter.begin(&chosen)) {
        return JobEnd::failed; // say, an output file that cannot be written
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QRect(place.x, place.y, place.width, place.height), picture);
    return painter.end() && chosen.printerState() != QPrinter::Error ? JobEnd::printed
                                                                     : JobEnd::failed;
}

} // namespace vornex
