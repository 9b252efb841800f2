// The server's status window on the GUI thread, fed from the server thread while a real
// client fetches a file; started and stopped the way a device transfer does it.
#include "gui/transfer/tftp_window.h"
#include "modal_helper.h"
#include "scratch_files.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace vornex::tftp {
namespace {

class TftpWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::write_file(root / "app.run", std::string(3000, 'f'));
        ASSERT_TRUE(set_local_address(params, "127.0.0.1"));
        params.root_folder = root.string();
        params.port = 0;
        params.main_window = {100, 50, 800, 600};
    }
    void TearDown() override {
        control.stop();
        QApplication::processEvents();
    }

    test::ScratchDir scratch;
    const fs::path root = scratch.path();
    tftp_server_params params;
    QtTftpServerControl control;
};

TEST_F(TftpWindowTest, ShowsTheTransferAndStopsWithTheWindow) {
    ASSERT_EQ(control.start(params), 0);
    TftpWindow* window = TftpWindow::current();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(control.start(params), -1); // one server at a time
    EXPECT_EQ(window->windowTitle(), "Vornex TFTP Server");
    EXPECT_EQ(window->size(), QSize(600, 151));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->pos(), QPoint(100 + 100, 50 + 56));

    const std::string fetch = "curl -sS -o " + (root / "got").string() +
                              " tftp://127.0.0.1:" + std::to_string(window->port()) + "/app.run";
    ASSERT_EQ(std::system(fetch.c_str()), 0);
    QTRY_COMPARE(QString::fromStdString(window->status().status), QString("Transfer Complete!"));
    EXPECT_EQ(window->status().client, "127.0.0.1");
    EXPECT_EQ(window->status().filename, "app.run");
    EXPECT_EQ(fs::file_size(root / "got"), 3000u);
    QTest::qWait(50);
    test::save_screenshot(window, "tftp_status_window");

    // Stopping closes the window and frees the port for the next server.
    const std::uint16_t port = window->port();
    QPointer<TftpWindow> watch(window);
    control.stop();
    EXPECT_EQ(TftpWindow::current(), nullptr);
    QTRY_VERIFY(watch.isNull());
    params.port = port;
    ASSERT_EQ(control.start(params), 0);
    EXPECT_EQ(TftpWindow::current()->port(), port);

    // The operator closing the window ends the server just the same.
    TftpWindow::current()->close();
    EXPECT_EQ(TftpWindow::current(), nullptr);
    ASSERT_EQ(control.start(params), 0);
}

TEST_F(TftpWindowTest, BindFailureShowsTheErrorAndLeavesNoWindow) {
    // A plain server holding the port.
    struct Silent : TftpListener {
        void status_changed(const TftpStatus&) override {}
        void error_box(const std::string&) override {}
    } silent;
    TftpServerRunner holder(silent);
    ASSERT_TRUE(holder.start(params));
    params.port = holder.port();
    EXPECT_EQ(control.start(params), 1);
    EXPECT_EQ(TftpWindow::current(), nullptr);
    QMessageBox* box = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* b = qobject_cast<QMessageBox*>(w); b != nullptr && b->isVisible())
            box = b;
    }
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QString("TFTP Server bind failed. (Another TFTP Server may be active. "
                                   "(socket error code %1)")
                               .arg(EADDRINUSE));
    EXPECT_EQ(box->windowTitle(), "Error");
    test::save_screenshot(box, "tftp_bind_error");
    box->close();
}

// The window test checks the centred position; here the two edges it is kept inside.
TEST(TftpWindowPlacement, KeptInsideTheWorkArea) {
    const Rect work{0, 0, 1280, 1000};
    EXPECT_EQ(tftp_window_position({900, 900, 800, 600}, 600, 151, work), (Point{680, 849}));
    EXPECT_EQ(tftp_window_position({-400, -50, 300, 100}, 600, 151, work), (Point{0, 0}));
}

} // namespace
} // namespace vornex::tftp
