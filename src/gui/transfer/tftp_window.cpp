#include "gui/transfer/tftp_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QThread>
#include <algorithm>
#include <mutex>

namespace vornex::tftp {

namespace {

constexpr int window_width = 600;
constexpr int window_height = 151;

TftpWindow* the_window = nullptr;

void show_error_box(QWidget* parent, const std::string& text) {
    auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Error"),
                                QString::fromStdString(text), QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Shown without a nested event loop: the server and the program go on meanwhile.
    box->show();
}

} // namespace

// Carries the server thread's reports to the GUI thread. Status updates are coalesced: a
// fast transfer changes the block number thousands of times a second, and the window only
// needs the newest one.
class TftpWindow::Bridge : public TftpListener {
public:
    explicit Bridge(TftpWindow* window) : window_(window) {}

    void status_changed(const TftpStatus& status) override {
        std::lock_guard lock(mutex_);
        pending_ = status;
        if (posted_) {
            return;
        }
        posted_ = true;
        QMetaObject::invokeMethod(
            window_,
            [this] {
                TftpStatus status;
                {
                    std::lock_guard lock(mutex_);
                    status = pending_;
                    posted_ = false;
                }
                window_->show_status(status);
            },
            Qt::QueuedConnection);
    }

    void error_box(const std::string& text) override {
        if (QThread::currentThread() == window_->thread()) {
            // A failure while starting: the window is about to go, the box stays.
            show_error_box(nullptr, text);
            return;
        }
        QMetaObject::invokeMethod(
            window_, [this, text] { show_error_box(window_, text); }, Qt::QueuedConnection);
    }

private:
    TftpWindow* window_;
    std::mutex mutex_;
    TftpStatus pending_;
    bool posted_ = false;
};

Point tftp_window_position(const Rect& main, int width, int height, const Rect& work) {
    int x = main.left + (main.width - width) / 2;
    int y = main.top + (main.height - height) / 8;
    x = std::max(work.left, std::min(x, work.left + work.width - width));
    y = std::max(work.top, std::min(y, work.top + work.height - height));
    return {x, y};
}

TftpWindow::TftpWindow() : bridge_(std::make_unique<Bridge>(this)) {
    setWindowTitle(QStringLiteral("Vornex TFTP Server"));
    setObjectName(QStringLiteral("tftp_transfer_win"));
    resize(window_width, window_height);
    setAutoFillBackground(true);
    the_window = this;
}

TftpWindow::~TftpWindow() {
    shut_down();
}

TftpWindow* TftpWindow::current() {
    return the_window;
}

bool TftpWindow::start(const tftp_server_params& params) {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect work = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const Point at = tftp_window_position(params.main_window, window_width, window_height,
                                          {work.x(), work.y(), work.width(), work.height()});
    move(at.x, at.y);
    runner_ = std::make_unique<TftpServerRunner>(*bridge_);
    if (!runner_->start(params)) {
        runner_.reset();
        return false;
    }
    show();
    return true;
}

std::uint16_t TftpWindow::port() const {
    return runner_ ? runner_->port() : 0;
}

void TftpWindow::show_status(const TftpStatus& status) {
    status_ = status;
    update();
}

void TftpWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics metrics = painter.fontMetrics();
    const auto lines = tftp_status_lines(status_);
    for (int k = 1; k <= 5; ++k) {
        painter.drawText(10, k * metrics.height() + metrics.ascent(),
                         QString::fromStdString(lines[k - 1]));
    }
}

void TftpWindow::closeEvent(QCloseEvent* event) {
    shut_down();
    event->accept();
}

void TftpWindow::shut_down() {
    if (the_window == this) {
        the_window = nullptr;
    }
    runner_.reset(); // joins the server thread
}

int QtTftpServerControl::start(const tftp_server_params& params) {
    if (TftpWindow::current() != nullptr) {
        return -1;
    }
    auto* window = new TftpWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!window->start(params)) {
        delete window;
        return 1;
    }
    return 0;
}

void QtTftpServerControl::stop() {
    if (TftpWindow* window = TftpWindow::current()) {
        window->close();
    }
}

} // namespace vornex::tftp
