#include "gui/app/main_window.h"
#include "gui/app/print_screen.h"
#include "modal_helper.h"
#include "recording_presenter.h"
#include "run_command.h"
#include "scratch_files.h"

#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>
#include <pty.h>
#include <unistd.h>

namespace vornex {
namespace {

using namespace test;

class PrintConsoleTest : public ::testing::Test {
protected:
    PrintConsoleTest() {
        window.setPresenter(presenter);
        // A dark client area, so that the printed picture can be measured on the page.
        auto* area = new QWidget;
        area->setAutoFillBackground(true);
        area->setPalette(QPalette(QColor(32, 32, 32)));
        window.setCentralWidget(area);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    // A PDF printer, US Letter at 300 dpi, whose unprintable margins differ on every side:
    // half an inch left, an inch right, a quarter inch top, three quarters bottom.
    void pdf_printer(const QString& file) {
        QPrinter& printer = window.screenPrinter().printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        printer.setResolution(300);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        printer.setPageMargins(QMarginsF(36, 18, 72, 54), QPageLayout::Point);
    }

    // PrintScreen with the print dialog answered by `answer`, and the modal window that
    // follows it, if any must, by `then`; the job is over whichever way it ended.
    void print(std::function<void(QDialog*)> answer, std::function<void(QWidget*)> then = nullptr) {
        std::optional<ModalAnswer> after;
        ModalAnswer dialog([&](QWidget* shown) {
            if (then)
                after.emplace(then);
            answer(qobject_cast<QDialog*>(shown));
        });
        child<QAction>(&window, "actionPrintScreen")->trigger();
        EXPECT_TRUE(dialog.ran());
        EXPECT_EQ(then != nullptr, after && after->ran());
        EXPECT_TRUE(window.isEnabled());
        EXPECT_TRUE(window.findChildren<PrintingWindow*>().isEmpty());
    }

    QTemporaryDir folder;
    test::RecordingPresenter presenter;
    MainWindow window;
};

TEST_F(PrintConsoleTest, PrintsTheClientAreaSixInchesWide) {
    const QString pdf = folder.filePath(QStringLiteral("screen.pdf"));
    pdf_printer(pdf);
    print([](QDialog* dialog) {
        save_screenshot(dialog, QStringLiteral("print_dialog"));
        dialog->accept();
    });
    EXPECT_NE(test::run_command("pdfinfo " + pdf.toStdString()).find("Vornex_Print"),
              std::string::npos);

    // At 50 pixels an inch. Left: the half-inch margin + 1 inch - 1.5 / 2 inch = 0.75 inch;
    // top: the quarter-inch margin + 0.75 inch - 1 / 2 inch = 0.5 inch.
    const std::string page = folder.filePath(QStringLiteral("page")).toStdString();
    test::run_command("pdftoppm -r 50 -png -singlefile " + pdf.toStdString() + " " + page);
    const QImage image(QString::fromStdString(page + ".png"));
    ASSERT_EQ(image.size(), QSize(425, 550));
    image.save(qEnvironmentVariable("VORNEX_TEST_OUTPUT") + QStringLiteral("/printed_page.png"));
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            box |= qGray(image.pixel(x, y)) < 128 ? QRect(x, y, 1, 1) : QRect();
    const QSize client = window.centralWidget()->size();
    EXPECT_NEAR(box.left(), 37.5, 1.5);
    EXPECT_NEAR(box.top(), 25, 1.5);
    EXPECT_NEAR(box.width(), 300, 1.5);
    EXPECT_NEAR(box.height(), 300.0 * client.height() / client.width(), 1.5);
}

TEST_F(PrintConsoleTest, CancelLeavesNoPageAndAFailedStartSaysSo) {
    const QString pdf = folder.filePath(QStringLiteral("cancelled.pdf"));
    pdf_printer(pdf);
    print([](QDialog* dialog) { dialog->reject(); }); // says nothing

    // Cancel clicked in the "Printing" window: the click waits in the queue, as the
    // operator's would, until the job lets events through.
    bool owner_disabled = false;
    print([&](QDialog* dialog) {
        QMetaObject::invokeMethod(
            &window,
            [&] {
                auto* printing = window.findChild<PrintingWindow*>();
                ASSERT_NE(printing, nullptr);
                owner_disabled = !window.isEnabled();
                save_screenshot(printing, QStringLiteral("printing_window"));
                child<QPushButton>(printing, "cancel")->click();
            },
            Qt::QueuedConnection);
        dialog->accept();
    });
    EXPECT_TRUE(owner_disabled);
    EXPECT_FALSE(QFile::exists(pdf));

    // An output file that cannot be written (its folder is a plain file) fails at the start
    // of the document; the dialog is closed without its own checks, as a printer that fails
    // only then would be.
    QFile(folder.filePath(QStringLiteral("plain"))).open(QIODevice::WriteOnly);
    pdf_printer(folder.filePath(QStringLiteral("plain/screen.pdf")));
    print([](QDialog* dialog) { dialog->done(QDialog::Accepted); },
          [&](QWidget* box) {
              auto* message = qobject_cast<QMessageBox*>(box);
              ASSERT_NE(message, nullptr);
              EXPECT_EQ(message->windowTitle(), QStringLiteral("Printing error"));
              EXPECT_EQ(message->text(), QStringLiteral("Print request failed"));
              EXPECT_EQ(message->icon(), QMessageBox::Critical);
              EXPECT_TRUE(window.isEnabled()); // said once the job is over
              message->accept();
          });
    EXPECT_TRUE(presenter.shown.empty());
}

// The consoles through the program's own launcher, with a stand-in "putty" first on the
// search path that writes down its arguments, one bracket each (ssh: the main window test).
TEST_F(PrintConsoleTest, ConsolesHandPuttyEachNameAsOneArgument) {
    const std::filesystem::path bin = folder.path().toStdString();
    test::write_file(
        bin / "putty",
        "#!/bin/sh\n{ for w in \"$@\"; do printf '[%s]' \"$w\"; done; echo; } >>\"$0.log\"\n");
    std::filesystem::permissions(bin / "putty", std::filesystem::perms::owner_read |
                                                    std::filesystem::perms::owner_exec);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin.string() + ":") + path);
    QStringList calls;
    const auto called = [&](int count) {
        return test::wait_for([&] {
            calls = QString::fromStdString(test::read_text(bin / "putty.log"))
                        .split('\n', Qt::SkipEmptyParts);
            return calls.size() >= count;
        });
    };
    window.deviceConfig().hostname = "host one";
    child<QAction>(&window, "actionTelnet")->trigger();
    ASSERT_TRUE(called(1));

    // Tools menu: the stored port is offered while it is free; a stored 57600 shows 9600.
    int masters[2], lines[2];
    char names[2][64];
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(::openpty(&masters[i], &lines[i], names[i], nullptr, nullptr), 0);
        ::close(lines[i]);
    }
    window.setSerialDevices([&] {
        return std::vector<std::string>{names[0], "/dev/vornex-none", names[1]};
    });
    window.settings().com_name = names[1];
    window.settings().com_baud = 57600;
    ModalAnswer menu([&](QWidget* dialog) {
        auto* port = child<QComboBox>(dialog, "comPort");
        EXPECT_EQ(port->count(), 2);
        EXPECT_EQ(port->currentText(), QString::fromLatin1(names[1]));
        EXPECT_TRUE(child<QRadioButton>(dialog, "baud9600")->isChecked());
        save_screenshot(dialog, QStringLiteral("serial_console_dialog"));
        port->lineEdit()->clear();
        QTest::keyClicks(port->lineEdit(), QStringLiteral("my port"));
        child<QRadioButton>(dialog, "baud19200")->click();
        test::press(dialog, QDialogButtonBox::Ok);
    });
    child<QAction>(&window, "actionSerialConsole")->trigger();
    ASSERT_TRUE(called(2));
    EXPECT_EQ(window.settings().com_baud, 19200);

    // From the device selection, with no free port: OK with the empty text.
    window.setSerialDevices([] { return std::vector<std::string>{}; });
    window.settings().com_baud = 57600;
    std::optional<ModalAnswer> serial;
    ModalAnswer selection([&](QWidget* dialog) {
        serial.emplace([](QWidget* ports) {
            EXPECT_EQ(child<QComboBox>(ports, "comPort")->currentText(), QString());
            test::press(ports, QDialogButtonBox::Ok);
        });
        child<QPushButton>(dialog, "serialConsole")->click();
        qobject_cast<QDialog*>(dialog)->reject();
    });
    window.selectDevice();
    ASSERT_TRUE(called(3));
    qputenv("PATH", path);
    std::ranges::for_each(masters, ::close);
    EXPECT_EQ(calls, (QStringList{QStringLiteral("[-telnet][host one]"),
                                  QStringLiteral("[-serial][my port][-sercfg][19200,8,n,1,X]"),
                                  QStringLiteral("[-serial][][-sercfg][9600,8,n,1,X]")}));
    EXPECT_TRUE(presenter.shown.empty());
}

} // namespace
} // namespace vornex
