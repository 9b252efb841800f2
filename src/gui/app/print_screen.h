#pragma once
// PrintScreen: a picture of the main window's client area on one page, six inches wide,
// with a small "Printing" window that offers Cancel while the job is prepared.

#include <QDialog>
#include <memory>

class QMainWindow;
class QPixmap;
class QPrinter;

namespace vornex {

// The modeless "Printing" window. OK, Cancel, Escape and the close box all ask for the
// job to stop; the window itself stays until the job has ended.
class PrintingWindow : public QDialog {
    Q_OBJECT
public:
    explicit PrintingWindow(QWidget* owner);

    bool cancelled() const { return cancelled_; }

    void accept() override { cancelled_ = true; }
    void reject() override { cancelled_ = true; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool cancelled_ = false;
};

// Kept for the whole run, so that every print dialog after the first opens on the printer
// and the settings chosen last.
class PrintScreen {
public:
    PrintScreen();
    ~PrintScreen();
    PrintScreen(const PrintScreen&) = delete;
    PrintScreen& operator=(const PrintScreen&) = delete;

    // Prints what `window` shows below its menu bar. Runs the print dialog (modal) and
    // returns when the page has been handed to the printer, the job was cancelled, or a
    // failure was shown.
    void print(QMainWindow& window);

    // The printer chosen last; before the first print, the system's default printer (or,
    // with none, the PDF file printer the print dialog also offers).
    QPrinter& printer();

private:
    enum class JobEnd { printed, cancelled, failed };

    // Shows the "Printing" window, disables the main window, and prints the page unless
    // the operator cancels first; both are undone whichever way it ends.
    JobEnd run_job(QMainWindow& window, QPrinter& chosen, const QPixmap& picture);

    std::unique_ptr<QPrinter> printer_;
};

} // namespace vornex
