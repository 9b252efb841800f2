#include "gui/transfer/transfer_window.h"

#include "device/box.h"
#include "gui/app/message_dialog.h"
#include "gui/app/qt_platform.h"
#include "gui/app/simple_dialog.h"
#include "shell/settings.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

namespace vornex {

// --- The progress window --------------------------------------------------------------------

TransferWindow::TransferWindow(QWidget* owner, Chassis& box, const Clock& clock,
                               const transfer_kind_info& kind, long prior_status, const Card* card,
                               Delay poll_interval)
    : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint),
      owner_(owner), progress_(box, clock, kind, prior_status, card),
      poll_interval_(poll_interval) {
    setObjectName(QStringLiteral("file_transfer_win"));
    setWindowTitle(QString::fromLatin1(kind.title));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(width, height);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    // The owner takes no input while the transfer window is open.
    setWindowModality(Qt::WindowModal);

    button_ = new QPushButton(QStringLiteral("Cancel"), this);
    button_->setObjectName(QStringLiteral("transferButton"));
    button_->setGeometry(182, 125, 80, 22);
    connect(button_, &QPushButton::clicked, this, &TransferWindow::press);

    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &TransferWindow::poll);

    center_on_owner(this, owner);
    show();
    QTimer::singleShot(0, this, &TransferWindow::poll);
}

TransferWindow::~TransferWindow() = default;

void TransferWindow::poll() {
    if (closing_) {
        return;
    }
    const StepResult step = progress_.poll();
    update();
    if (!step.done) {
        if (!timer_->isActive()) {
            timer_->start(poll_interval_.count() != 0 ? poll_interval_ : step.next);
        }
        return;
    }
    button_->setText(QString::fromLatin1(progress_.button_text()));
}

void TransferWindow::press() {
    if (closing_) {
        return;
    }
    if (!progress_.press()) {
        update(); // the warning lines
        return;
    }
    closing_ = true;
    timer_->stop();
    emit completed(progress_.state(), progress_.card());
    close();
}

void TransferWindow::closeEvent(QCloseEvent* event) {
    // The close box acts as the button, so the completion always reaches the main window.
    if (!closing_) {
        event->ignore();
        press();
        return;
    }
    QWidget::closeEvent(event);
}

void TransferWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        press();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TransferWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int h = painter.fontMetrics().height();
    const int ascent = painter.fontMetrics().ascent();
    auto text_at = [&](int x, int y, const std::string& text) {
        painter.drawText(x, y + ascent, QString::fromStdString(text));
    };
    text_at(10, h, progress_.status_text());
    text_at(380, h, progress_.percent_text());
    text_at(30, 3 * h, progress_.note_text());
    if (progress_.warning_shown()) {
        text_at(10, 5 * h, TransferProgress::warning_1);
        text_at(10, 6 * h, TransferProgress::warning_2);
    }
}

// --- The commands ---------------------------------------------------------------------------

TransferCommands::TransferCommands(QWidget* main_window)
    : QObject(main_window), main_(main_window) {}

void TransferCommands::run(TransferKind kind, Box& box, Presenter& presenter, FileChooser& chooser,
                           Settings& settings, const std::filesystem::path& device_file) {
    const OwnerWindow main = OwnerWindow::main_window();
    const Card* card = nullptr;
    int file_type = transfer_kind(kind).file_type;
    if (kind == TransferKind::card_firmware) {
        card = choose_firmware_card(main_, box);
        if (card == nullptr) {
            return;
        }
        file_type = card_firmware_type(*card);
    }
    const transfer_kind_info& info = transfer_kind(kind);
    if (info.firmware() && !confirm_firmware_banks(box, main, card)) {
        return;
    }

    ftc_settings ftc{settings.ftc_mode, settings.ftc_root_dir, settings.ftc_remote_host,
                     settings.ftc_sftp_username, settings.ftc_sftp_password};
    FtcDialog dialog(main_, presenter, ftc, box.fw_ge_2_15_01, picker);
    const int answer = dialog.exec();
    // What was typed stays for the run (and, but the password, in the settings).
    settings.ftc_mode = ftc.mode;
    settings.ftc_root_dir = ftc.root_dir;
    settings.ftc_remote_host = ftc.remote_host;
    settings.ftc_sftp_username = ftc.sftp_username;
    settings.ftc_sftp_password = ftc.sftp_password;
    if (answer != dialog_ok) {
        return;
    }

    std::filesystem::path* folder = remembered_folder(memory_, kind);
    const std::string proposed = proposed_file_name(box, kind, device_file);
    std::filesystem::path file;
    if (ftc_remote(ftc.mode)) {
        const std::filesystem::path start = folder != nullptr ? *folder : std::filesystem::path();
        const auto name = enter_remote_filename(
            main_, start.empty() ? proposed : (start / proposed).string(), info.dialog_title);
        if (!name) {
            return;
        }
        file = *name;
    } else {
        const FileRequest request{info.dialog_title,
                                  folder != nullptr ? *folder : std::filesystem::path(),
                                  proposed,
                                  {{info.filter_label, info.filter_pattern}, {"All", "*.*"}}};
        const auto chosen =
            info.save ? chooser.save_file(main, request) : chooser.open_file(main, request);
        if (!chosen) {
            return;
        }
        file = *chosen;
    }
    if (folder != nullptr && file.has_parent_path()) {
        *folder = file.parent_path();
    }

    const QRect frame = main_->frameGeometry();
    TransferServices services{presenter, main, server_,
                              Rect{frame.left(), frame.top(), frame.width(), frame.height()},
                              tftp_port};
    StartedTransfer started;
    if (file_transfer_start(box, services, memory_, ftc, file, file_type,
                            card != nullptr ? card->slot : 0, info.title, started) != 0) {
        return;
    }
    internal_server_ = started.internal_server;
    window_ =
        new TransferWindow(main_, box, clock_, info, started.prior_status, card, poll_interval);
    const Completion completion = info.completion;
    connect(
        window_, &TransferWindow::completed, this,
        [this, completion](int state, const Card* done) {
            emit completed(completion, state, done);
        },
        Qt::QueuedConnection);
}

void TransferCommands::stop_server() {
    if (internal_server_) {
        server_.stop();
        internal_server_ = false;
    }
}

void show_upgrade_notice(QWidget* owner) {
    static constexpr MessageDialogTemplate notice{"", 456, 274, false, true, false};
    run_message_dialog(owner, notice, controller_upgrade_notice);
}

} // namespace vornex
