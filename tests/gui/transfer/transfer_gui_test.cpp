// The File > Transfer dialogs and progress window against vornex-sim (the transfers'
// outcomes on the device are device_transfer_test's).
#include "demo_window.h"
#include "gui/transfer/transfer_window.h"
#include "modal_helper.h"
#include "recording_presenter.h"
#include "scratch_files.h"
#include "scripted_file_chooser.h"
#include "shell/settings.h"
#include "sim_process.h"
#include "test_device.h"
#include "udp_port.h"

#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace vornex {
namespace {

struct Completed {
    Completion completion;
    int state;
    int slot; // of the card, -1 for none
    bool operator==(const Completed&) const = default;
};

TEST(TransferGui, CardFirmwareToDoneThenCancelTwice) {
    auto sim = test::SimProcess::start("transfer");
    ASSERT_TRUE(sim);
    const std::uint16_t port = test::free_udp_port();
    std::string error;
    ASSERT_TRUE(sim->command("transfer-port " + std::to_string(port), error)) << error;
    test::RecordingPresenter presenter;
    auto box = test::open_test_box(presenter, *sim);
    ASSERT_TRUE(box);
    ASSERT_EQ(get_controllers(*box), 0);
    ASSERT_EQ(read_cards(*box), 0);

    test::ScratchDir dir;
    test::write_file(dir / "e1.run", "R4150 FIRMWARE E1T1 V1.08.00\n" + std::string(5000, 'e'));
    test::write_file(dir / "a.cfg", "! R4150 configuration\r\n");
    test::ScriptedFileChooser chooser;
    chooser.answers = {dir / "e1.run", dir / "a.cfg"};
    presenter.answers = {dialog_ok, dialog_ok}; // the bank confirmation, the TFTP notice
    Settings settings;

    QWidget main;
    main.resize(722, 634);
    main.show();
    TransferCommands commands(&main);
    commands.tftp_port = port;
    commands.poll_interval = Delay{50};
    std::vector<Completed> completed;
    QObject::connect(&commands, &TransferCommands::completed,
                     [&](Completion c, int state, const Card* card) {
                         completed.push_back({c, state, card != nullptr ? card->slot : -1});
                     });

    std::unique_ptr<test::ModalAnswer> ftc;
    test::ModalAnswer choose([&](QWidget* dialog) {
        auto* cards = test::child<QListWidget>(dialog, "cards");
        EXPECT_EQ(cards->count(), 3);
        EXPECT_EQ(cards->item(0)->text(), "Trib1: E1-PRTD - V1.00.00");
        test::save_screenshot(dialog, "transfer_choose_card");
        ftc = std::make_unique<test::ModalAnswer>([](QWidget* dialog) {
            EXPECT_TRUE(test::child<QRadioButton>(dialog, "mode0")->isChecked());
            EXPECT_TRUE(test::child<QRadioButton>(dialog, "mode4")->isEnabled());
            EXPECT_FALSE(test::child<QWidget>(dialog, "rootFolder")->isEnabled());
            test::save_screenshot(dialog, "transfer_configuration");
            test::press(dialog, QDialogButtonBox::Ok);
        });
        test::press(dialog, QDialogButtonBox::Ok);
    });
    commands.run(TransferKind::card_firmware, *box, presenter, chooser, settings, {});
    ASSERT_TRUE(choose.ran() && ftc && ftc->ran());
    EXPECT_EQ(presenter.shown.front().text.rfind("Current Card Firmware\r\n\r\nBank1 Version: "
                                                 "V1.00.00\nBank2 Version: V1.00.00",
                                                 0),
              0u);
    TransferWindow* window = commands.window();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(test::wait_for([&] { return window->button()->text() == "Done"; }));
    EXPECT_EQ(window->windowTitle(), "Sending card firmware");
    test::save_screenshot(window, "transfer_progress_done");
    QTest::mouseClick(window->button(), Qt::LeftButton);
    ASSERT_TRUE(test::wait_for([&] { return !completed.empty(); }));
    EXPECT_EQ(completed[0], (Completed{Completion::card_firmware_sent, transfer_finished, 1}));
    commands.stop_server();

    // A transfer that stays in progress: the first Cancel only warns.
    std::string answer;
    sim->command("transfer-hold 40", answer);
    test::ModalAnswer ftc2([](QWidget* dialog) { test::press(dialog, QDialogButtonBox::Ok); });
    commands.run(TransferKind::send_config, *box, presenter, chooser, settings, {});
    window = commands.window();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(test::wait_for([&] { return window->progress().percent() == 40; }));
    QTest::mouseClick(window->button(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->progress().warning_shown());
    test::save_screenshot(window, "transfer_progress_cancel_once");
    EXPECT_NE(tftp::TftpWindow::current(), nullptr);
    QTest::keyClick(window, Qt::Key_Escape);
    ASSERT_TRUE(test::wait_for([&] { return completed.size() == 2; }));
    EXPECT_EQ(completed[1], (Completed{Completion::config_sent, transfer_in_progress, -1}));
    commands.stop_server();
    ASSERT_TRUE(test::wait_for([] { return tftp::TftpWindow::current() == nullptr; }));
}

// The main window's completions: a sent configuration reloads the device and marks
// "Store"; mainboard firmware shows the upgrade notice and then "Reset System".
TEST(TransferGui, MainWindowCompletions) {
    const std::uint16_t port = test::free_udp_port();
    auto demo = test::DemoWindow::open([&](MainWindow& window) {
        window.transfers().tftp_port = port;
        window.transfers().poll_interval = Delay{50};
    });
    ASSERT_TRUE(demo);
    std::string error;
    ASSERT_TRUE(demo->sim->command("transfer-port " + std::to_string(port), error)) << error;
    test::write_file(demo->dir() / "a.cfg", "! R4150 configuration\r\nhostname demo\r\n");
    test::write_file(demo->dir() / "m.run", "R4150 FIRMWARE XCU V2.16.00\n");
    demo->chooser.answers = {demo->dir() / "a.cfg", demo->dir() / "m.run"};
    demo->presenter.answers = {dialog_ok}; // the TFTP notice
    MainWindow& window = *demo->window;
    // Waits for "Done" and presses it; `then` starts once the press is being handled, so
    // that what the completion shows is not taken for the progress window.
    auto finish = [&](std::function<void()> then = {}) {
        TransferWindow* progress = window.transfers().window();
        ASSERT_NE(progress, nullptr);
        ASSERT_TRUE(test::wait_for([&] { return progress->button()->text() == "Done"; }));
        if (then)
            QTimer::singleShot(0, then);
        QTest::mouseClick(progress->button(), Qt::LeftButton);
    };

    {
        test::ModalAnswer ftc([](QWidget* dialog) { test::press(dialog, QDialogButtonBox::Ok); });
        demo->trigger("actionSendConfig");
        finish();
    }
    EXPECT_TRUE(demo->reloaded(1));
    EXPECT_TRUE(window.changesNotStored());

    demo->presenter.answers = {dialog_ok}; // the bank confirmation
    {
        test::ModalAnswer ftc([](QWidget* dialog) { test::press(dialog, QDialogButtonBox::Ok); });
        demo->trigger("actionSendMainboardFirmware");
    }
    // Done leads to the notice, and the notice to Reset System.
    std::unique_ptr<test::ModalAnswer> notice, reset;
    finish([&] {
        notice = std::make_unique<test::ModalAnswer>([&](QWidget* dialog) {
            EXPECT_EQ(dialog->windowTitle(), "   Controller Firmware Upgrade Notice   ");
            test::save_screenshot(dialog, "transfer_upgrade_notice");
            reset = std::make_unique<test::ModalAnswer>([](QWidget* dialog) {
                EXPECT_EQ(dialog->objectName(), "systemResetDialog");
                static_cast<QDialog*>(dialog)->reject();
            });
            test::press(dialog, QDialogButtonBox::Ok);
        });
    });
    ASSERT_TRUE(test::wait_for([&] { return reset && reset->ran(); }));
}

} // namespace
} // namespace vornex
