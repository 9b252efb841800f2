#include "comments/comments.h"
#include "config/prng.h"
#include "fake_launcher.h"
#include "gui/app/main_window.h"
#include "gui/app/startup.h"
#include "modal_helper.h"
#include "model/card.h"
#include "recording_presenter.h"
#include "scratch_files.h"
#include "sim_process.h"
#include "snmp/snmp_library.h"
#include "test_device.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace vornex {
namespace {

using namespace test;

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        snmp_library_init();
        sim = SimProcess::start("demo");
    }
    static void TearDownTestSuite() { sim.reset(); }

    // A device file for the demo device; `host` replaces the simulator's address.
    std::filesystem::path device_file(const char* name, const std::string& host = {},
                                      const std::filesystem::path& comment_file = {}) {
        device_config config = test::sim_config(*sim);
        config.hostname = host.empty() ? config.hostname : host;
        config.comment_file = comment_file;
        EXPECT_EQ(device_config_write(presenter, {}, folder / name, config), 0);
        return folder / name;
    }

    std::unique_ptr<MainWindow> make_window() {
        auto window = std::make_unique<MainWindow>(store);
        window->setPresenter(presenter);
        window->setProcessLauncher(launcher);
        window->setSessionTimings(test::quick_timings);
        return window;
    }

    // Starts the window on `file`: the selection dialog's path field is kept and Exit pressed,
    // or Enter, which connects ("Connect to Device" is the default); the map choice that
    // follows offers no Cancel and is taken as offered, after `then` has run.
    void start(MainWindow& window, const std::optional<std::filesystem::path>& file, bool connect,
               std::optional<ModalAnswer>& map_answer, std::function<void()> then = {}) {
        ModalAnswer select(
            [&](QWidget* dialog) {
                shown_path = child<QLineEdit>(dialog, "deviceFile")->text();
                if (!connect) {
                    child<QPushButton>(dialog, "exit")->click();
                    return;
                }
                map_answer.emplace([then](QWidget* map) {
                    EXPECT_EQ(map->windowTitle(), QStringLiteral("Select Map"));
                    EXPECT_EQ(child<QRadioButton>(map, "map1")->text(),
                              QStringLiteral("Map1  (active)"));
                    EXPECT_EQ(child<QRadioButton>(map, "map2")->text(), QStringLiteral("Map2"));
                    EXPECT_FALSE(map->findChild<QDialogButtonBox*>()
                                     ->button(QDialogButtonBox::Cancel)
                                     ->isVisible());
                    save_screenshot(map, QStringLiteral("select_map_dialog"));
                    if (then)
                        then();
                    press(map, QDialogButtonBox::Ok);
                });
                QWidget* focus = dialog->focusWidget();
                QTest::keyClick(focus != nullptr ? focus : dialog, Qt::Key_Return);
            },
            30000);
        ASSERT_TRUE(window.start(file));
        ASSERT_TRUE(wait_for([&] { return select.ran(); }));
    }

    // The demo chassis has a card that differs from its slot's registration, which every
    // opening points out; nothing else may be said.
    void expect_only_card_warnings() {
        for (const test::Shown& shown : presenter.shown)
            EXPECT_EQ(shown.text.rfind("**Warning\r\n", 0), 0u) << shown.text;
        presenter.clear();
    }

    static std::unique_ptr<SimProcess> sim;
    test::ScratchDir folder;
    RecordingPresenter presenter;
    test::FakeLauncher launcher;
    MemorySettingsStore store;
    QString shown_path;
};

std::unique_ptr<SimProcess> MainWindowTest::sim;

TEST_F(MainWindowTest, FirstRunTakesTheDefaultsWritesTheSettingsAtCloseThenOffersTheRecentFile) {
    auto window = make_window();
    EXPECT_TRUE(child<QAction>(window.get(), "actionShowChassis")->isChecked());
    EXPECT_TRUE(child<QAction>(window.get(), "actionSimpleView")->isChecked());
    EXPECT_FALSE(child<QAction>(window.get(), "actionLargeFont")->isChecked());
    std::optional<ModalAnswer> unused;
    start(*window, std::filesystem::path("/given/other.lcf"), false, unused);
    EXPECT_EQ(shown_path, QStringLiteral("/given/other.lcf"));
    ASSERT_TRUE(wait_for([&] { return !window->isVisible(); })); // Exit ends the program
    // What is written is SaveSettings' (settings_test); here that the close writes it.
    EXPECT_TRUE(store.exists);
    EXPECT_EQ(store.values.at("WinX").number, window->frameGeometry().left());
    EXPECT_EQ(store.values.at("PrngSalt").bytes.size(), 16u);
    EXPECT_EQ(store.values.count("RecentDeviceFile"), 0u); // kept only after a connect

    // Without an argument (FirstRun gives one) the selection shows the recent file.
    store.values["RecentDeviceFile"] = {SettingKind::wide_text, 0, "/recent/site.lcf"};
    auto next = make_window();
    start(*next, std::nullopt, false, unused);
    EXPECT_EQ(shown_path, QStringLiteral("/recent/site.lcf"));
    EXPECT_TRUE(wait_for([&] { return !next->isVisible(); }));
}

// The position's edges are StoredPosition's (settings_test): one kept, one refused here.
TEST_F(MainWindowTest, StoredPositionAndViewOptionsAreTaken) {
    store.exists = true;
    store.values["WinX"] = {SettingKind::number, -1, {}};
    store.values["WinY"] = {SettingKind::number, 40, {}};
    EXPECT_NE(MainWindow(store).pos(), QPoint(-1, 40));
    store.values["WinX"] = {SettingKind::number, 60, {}};
    store.values["ShowChassis"] = {SettingKind::number, 0, {}};
    store.values["LargeFont"] = {SettingKind::number, 1, {}};
    MainWindow window(store);
    EXPECT_EQ(window.pos(), QPoint(60, 40));
    EXPECT_FALSE(child<QAction>(&window, "actionShowChassis")->isChecked());
    EXPECT_TRUE(child<QAction>(&window, "actionLargeFont")->isChecked());
    child<QAction>(&window, "actionShowChassis")->trigger();
    child<QAction>(&window, "actionLargeFont")->trigger();
    child<QAction>(&window, "actionSimpleView")->trigger();
    EXPECT_FALSE(window.simpleView());
    window.close();
    EXPECT_EQ(store.values.at("ShowChassis").number, 1);
    EXPECT_EQ(store.values.at("LargeFont").number, 0);
}

TEST_F(MainWindowTest, MenusStoreButtonAndCommandsWithoutADevice) {
    MainWindow window(store);
    window.setPresenter(presenter);
    QStringList menus;
    for (QAction* action : window.menuBar()->actions())
        menus << action->text();
    EXPECT_EQ(menus,
              (QStringList{QStringLiteral("&File"), QStringLiteral("View"), QStringLiteral("Tools"),
                           QStringLiteral("Map"), QStringLiteral("&Help")}));
    // "Store" stands at the right end of the menu bar, greyed.
    auto* store_button = qobject_cast<QToolButton*>(window.menuBar()->cornerWidget());
    ASSERT_NE(store_button, nullptr);
    EXPECT_EQ(store_button->defaultAction()->text(), QStringLiteral("Store"));
    EXPECT_FALSE(store_button->isEnabled());

    // The transfers, Rescan and the map files first ask for a device.
    for (const char* command : {"actionSendConfig", "actionGetFaeInfo", "actionRescan",
                                "actionExportMap", "actionImportMap"}) {
        child<QAction>(&window, command)->trigger();
        EXPECT_EQ(presenter.last().text, "!Error\r\n\r\n\r\n\r\nPlease select a device.")
            << command;
    }
    ASSERT_EQ(presenter.shown.size(), 5u);
    // Without a device the map-management commands do nothing.
    for (const char* command :
         {"actionSelectMap", "actionActiveMap", "actionDeleteMap", "actionCopyMap"}) {
        child<QAction>(&window, command)->trigger();
    }
    EXPECT_EQ(presenter.shown.size(), 5u);
}

TEST_F(MainWindowTest, ADeviceThatDoesNotAnswerLeadsBackToTheSelection) {
    // A port where nothing listens: the session fails, says so, and the selection returns.
    const auto file = device_file("silent.lcf", "127.0.0.1:9");
    auto window = make_window();
    std::optional<ModalAnswer> again;
    QSignalSpy ended(window.get(), &MainWindow::sequenceEnded);
    ModalAnswer select(
        [&](QWidget* dialog) {
            again.emplace([](QWidget* d) { child<QPushButton>(d, "exit")->click(); }, 30000);
            child<QPushButton>(dialog, "connectDevice")->click();
        },
        30000);
    ASSERT_TRUE(window->start(file));
    ASSERT_TRUE(wait_for([&] { return again && again->ran(); }));
    ASSERT_EQ(ended.count(), 1);
    EXPECT_FALSE(ended.at(0).at(0).toBool());
    EXPECT_EQ(window->box(), nullptr);
    ASSERT_FALSE(presenter.shown.empty());
    EXPECT_EQ(presenter.shown.front().routine, test::Routine::error);
    // The file is kept as the recent one once Connect has read it, answer or not.
    EXPECT_EQ(store.values.at("RecentDeviceFile").bytes, file.string());
}

TEST_F(MainWindowTest, OpensTheDemoDeviceAndGuardsUnstoredChanges) {
    const auto file = device_file("demo.lcf");
    auto window = make_window();
    QSignalSpy ended(window.get(), &MainWindow::sequenceEnded);
    std::optional<ModalAnswer> map_answer;
    start(*window, file, true, map_answer);
    ASSERT_TRUE(wait_for([&] { return ended.count() == 1; }));
    EXPECT_TRUE(ended.at(0).at(0).toBool());
    ASSERT_TRUE(map_answer && map_answer->ran());

    const QString port = QString::number(sim->port());
    EXPECT_EQ(window->windowTitle(),
              QStringLiteral("Vornex v2.02: 127.0.0.1:%1 - R4150-DEMO - Map1 (active)").arg(port));
    ASSERT_NE(window->box(), nullptr);
    EXPECT_FALSE(child<QAction>(window.get(), "actionStore")->isEnabled());
    expect_only_card_warnings();
    save_screenshot(window.get(), QStringLiteral("main_window_device_open"));

    // Consoles name the configuration's host; old controller firmware gets the old client.
    child<QAction>(window.get(), "actionTelnet")->trigger();
    window->box()->fw_lt_2_15_01 = false;
    child<QAction>(window.get(), "actionSsh")->trigger();
    window->box()->fw_lt_2_15_01 = true;
    child<QAction>(window.get(), "actionSsh")->trigger();
    const std::string host = sim->peer();
    EXPECT_EQ(launcher.started,
              (std::vector<std::string>{"putty -telnet " + host, "putty -ssh " + host,
                                        "putty2014 -ssh " + host}));

    // Unstored changes: "Store" comes alive; Rescan asks nothing and keeps it so.
    window->setChangesNotStored(true);
    EXPECT_TRUE(child<QAction>(window.get(), "actionStore")->isEnabled());
    // Chosen twice before the queue runs, Rescan opens the device once.
    std::optional<ModalAnswer> second_map;
    map_answer.emplace([&](QWidget* dialog) {
        second_map.emplace([](QWidget* d) { press(d, QDialogButtonBox::Ok); }, 1500);
        press(dialog, QDialogButtonBox::Ok);
    });
    child<QAction>(window.get(), "actionRescan")->trigger();
    child<QAction>(window.get(), "actionRescan")->trigger();
    ASSERT_TRUE(wait_for([&] { return ended.count() == 2; }));
    QTest::qWait(1600);
    EXPECT_FALSE(second_map->ran());
    EXPECT_EQ(ended.count(), 2);
    EXPECT_TRUE(ended.at(1).at(0).toBool());
    expect_only_card_warnings(); // and no question
    EXPECT_TRUE(window->changesNotStored());
    EXPECT_TRUE(child<QAction>(window.get(), "actionStore")->isEnabled());

    // Store and Retrieve ask first and clear the flag; Retrieve reloads the device.
    presenter.answers = {dialog_ok};
    child<QAction>(window.get(), "actionStore")->trigger();
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.last().text, "Confirm Store\r\n\r\n\r\nStore configuration?");
    EXPECT_FALSE(window->changesNotStored());
    EXPECT_FALSE(child<QAction>(window.get(), "actionStore")->isEnabled());
    presenter.clear();
    window->setChangesNotStored(true);
    presenter.answers = {dialog_ok};
    child<QAction>(window.get(), "actionRetrieveConfig")->trigger();
    // A command chosen before the reload's steps ran keeps the cards it offers until it ends.
    ModalAnswer choose([&](QWidget* dialog) {
        EXPECT_FALSE(wait_for([&] { return ended.count() == 3; }, 2000));
        dialog->close();
    });
    child<QAction>(window.get(), "actionResetCard")->trigger();
    ASSERT_TRUE(choose.ran());
    ASSERT_TRUE(wait_for([&] { return ended.count() == 3; }));
    EXPECT_TRUE(ended.at(2).at(0).toBool());
    ASSERT_FALSE(presenter.shown.empty());
    EXPECT_EQ(presenter.shown.front().routine, test::Routine::confirm);
    EXPECT_FALSE(window->changesNotStored());
    EXPECT_FALSE(child<QAction>(window.get(), "actionStore")->isEnabled());

    // Closing with unstored changes asks; Cancel keeps the program running.
    window->setChangesNotStored(true);
    presenter.clear();
    presenter.answers = {dialog_cancel};
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.last().routine, test::Routine::confirm);
    EXPECT_EQ(presenter.last().text,
              "Confirm Exit\r\n\r\nChanges have not been stored.\r\n\r\nConfirm Exit?");
    EXPECT_EQ(store.values.count("WinX"), 0u);

    // Select Device asks too; refused, the device stays open.
    presenter.answers = {dialog_cancel};
    child<QAction>(window.get(), "actionSelectDevice")->trigger();
    EXPECT_NE(window->box(), nullptr);
    EXPECT_TRUE(window->changesNotStored());
    presenter.answers = {dialog_ok};
    ModalAnswer select([](QWidget* dialog) { dialog->close(); });
    child<QAction>(window.get(), "actionSelectDevice")->trigger();
    ASSERT_TRUE(select.ran());
    EXPECT_EQ(window->box(), nullptr);
    EXPECT_FALSE(window->changesNotStored());
    EXPECT_FALSE(child<QAction>(window.get(), "actionStore")->isEnabled());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vornex v2.02"));
    EXPECT_TRUE(window->isVisible()); // closing the dialog is not Exit

    EXPECT_TRUE(window->close());
    EXPECT_EQ(store.values.count("WinX"), 1u);
}

TEST_F(MainWindowTest, TheCommentFileIsLoadedLockedAndSavedAtClose) {
    const std::filesystem::path comments = folder / "demo.mec", lock = folder / "demo.mec.lock";
    const auto file = device_file("commented.lcf", {}, comments);
    auto window = make_window();
    QSignalSpy ended(window.get(), &MainWindow::sequenceEnded);
    std::optional<ModalAnswer> map_answer;
    std::optional<ModalAnswer> missing_file;
    // The comment file's own dialog follows the map choice.
    start(*window, file, true, map_answer, [&] {
        missing_file.emplace([&](QWidget* notice) {
            EXPECT_EQ(notice->windowTitle(), QStringLiteral("Comment File Read Error"));
            notice->findChild<QDialogButtonBox*>()->buttons().front()->click();
        });
    });
    ASSERT_TRUE(wait_for([&] { return ended.count() == 1; }));
    ASSERT_TRUE(missing_file && missing_file->ran());
    ASSERT_NE(window->box(), nullptr);
    EXPECT_TRUE(window->box()->comment_lock_held);
    EXPECT_TRUE(std::filesystem::exists(lock));

    // An identifier given while the device is open reaches the file when the program ends.
    const Card& card = *window->box()->cards.front();
    ASSERT_FALSE(card.endpoints.empty());
    endpoint_info info;
    info.identifiers[0] = "CKT-SAVED";
    ASSERT_EQ(comment_store(*window->box(), endpoint_key(*card.endpoints.front()), info), 0);
    expect_only_card_warnings();
    EXPECT_TRUE(window->close()); // no unstored device changes: no question
    EXPECT_TRUE(presenter.shown.empty());
    EXPECT_FALSE(std::filesystem::exists(lock));
    EXPECT_NE(test::read_text(comments).find("CKT-SAVED"), std::string::npos);
}

TEST_F(MainWindowTest, EveryEventStepsTheGeneratorCounter) {
    prng_seed(config_prng, std::nullopt);
    install_prng_stepper(*qApp);
    const PrngBlock before = config_prng.dt;
    QWidget widget;
    widget.show();
    QTest::qWait(20);
    EXPECT_NE(config_prng.dt, before);
    EXPECT_EQ(config_prng.dt[0], before[0]); // byte 0 never changes
}

} // namespace
} // namespace vornex
