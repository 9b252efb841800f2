#include "gui/app/main_window.h"

#include "config/self_test.h"
#include "gui/app/map_dialogs.h"
#include "gui/app/progress_window.h"
#include "gui/app/select_map_dialog.h"
#include "gui/app/serial_console_dialog.h"
#include "gui/app/shell_resources.h"
#include "gui/app/simple_dialog.h"
#include "gui/app/wait_cursor.h"
#include "gui/maint/reset_dialogs.h"
#include "maint/card_reset.h"
#include "model/card.h"
#include "resources/strings.h"
#include "shell/serial_console.h"
#include "xc/map_import.h"
#include "xc/map_management.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeySequence>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>

namespace vornex {

namespace {

QString plain_text(const char* menu_text) {
    return QString::fromLatin1(menu_text).remove(QLatin1Char('&'));
}

} // namespace

MainWindow::MainWindow() : MainWindow(nullptr) {}

MainWindow::MainWindow(SettingsStore& store) : MainWindow(&store) {}

// The memory store is named only here, once this constructor runs: an argument of the
// delegating constructors may not refer to a member of the window not yet begun.
MainWindow::MainWindow(SettingsStore* store)
    : store_(store != nullptr ? *store : memory_store_), qt_presenter_(this), qt_prompt_(this),
      qt_chooser_(this), qt_comment_chooser_(this, chooser_, settings_), presenter_(&qt_presenter_),
      prompt_(&qt_prompt_), chooser_(&qt_chooser_), launcher_(&qt_launcher_),
      serial_devices_([] { return system_serial_devices(); }),
      comment_chooser_(&qt_comment_chooser_) {
    load_settings(store_, settings_);
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QString::fromLatin1(program_title));
    setFixedSize(width, height);
    setStyleSheet(QStringLiteral("QMainWindow { background: white; }"));

    // A stored corner near or past the screen's edges is left to the window manager.
    if (const QScreen* screen = QGuiApplication::primaryScreen();
        screen != nullptr &&
        stored_position_usable(settings_.win_x, settings_.win_y, screen->geometry().width(),
                               screen->geometry().height())) {
        move(settings_.win_x, settings_.win_y);
    }
    buildMenus();
    transfers_ = new TransferCommands(this);
    connect(transfers_, &TransferCommands::completed, this, &MainWindow::transferCompleted);
    // A new run of the program: nothing is unstored yet, and "Store" follows the flag
    // whoever changes it.
}

MainWindow::~MainWindow() {
    releaseDevice();
}

QAction* MainWindow::addCommand(QMenu* menu, const char* text, const char* name,
                                void (MainWindow::*slot)()) {
    QAction* action = menu->addAction(QString::fromLatin1(text));
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, slot);
    return action;
}

QAction* MainWindow::addPending(QMenu* menu, const char* text, const char* name) {
    QAction* action = menu->addAction(QString::fromLatin1(text));
    action->setObjectName(QString::fromLatin1(name));
    const std::string command = plain_text(text).toStdString();
    connect(action, &QAction::triggered, this,
            [this, command] { command_not_available(*presenter_, command.c_str()); });
    return action;
}

QAction* MainWindow::addCheck(QMenu* menu, const char* text, const char* name, bool checked) {
    QAction* action = menu->addAction(QString::fromLatin1(text));
    action->setObjectName(QString::fromLatin1(name));
    action->setCheckable(true);
    action->setChecked(checked);
    return action;
}

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    addCommand(file, "Select Device", "actionSelectDevice", &MainWindow::selectDevice);
    addCommand(file, "Export Map", "actionExportMap", &MainWindow::exportMap);
    addCommand(file, "Import Map", "actionImportMap", &MainWindow::importMap);
    addCommand(file, "PrintScreen", "actionPrintScreen", &MainWindow::printScreen);
    QMenu* transfer = file->addMenu(QStringLiteral("Transfer"));
    addCommand(transfer, "Send configuration to device", "actionSendConfig",
               &MainWindow::sendConfiguration);
    addCommand(transfer, "Get configuration from device", "actionGetConfig",
               &MainWindow::getConfiguration);
    addCommand(transfer, "Send mainboard firmware", "actionSendMainboardFirmware",
               &MainWindow::sendMainboardFirmware);
    addCommand(transfer, "Send card firmware", "actionSendCardFirmware",
               &MainWindow::sendCardFirmware);
    addCommand(transfer, "Get FAE Info", "actionGetFaeInfo", &MainWindow::getFaeInfo);
    file->addSeparator();
    addCommand(file, "E&xit", "actionExit", &MainWindow::exitCommand);

    QMenu* view = menuBar()->addMenu(QStringLiteral("View"));
    connect(addCheck(view, "Show Chassis", "actionShowChassis", settings_.show_chassis != 0),
            &QAction::triggered, this, &MainWindow::toggleShowChassis);
    connect(addCheck(view, "Simple View", "actionSimpleView", simple_view_), &QAction::triggered,
            this, &MainWindow::toggleSimpleView);
    connect(addCheck(view, "Large Font", "actionLargeFont", settings_.large_font != 0),
            &QAction::triggered, this, &MainWindow::toggleLargeFont);

    QMenu* tools = menuBar()->addMenu(QStringLiteral("Tools"));
    addCommand(tools, "Retrieve Backup Config", "actionRetrieveConfig",
               &MainWindow::retrieveConfig);
    addCommand(tools, "Store Config", "actionStoreConfig", &MainWindow::storeConfig);
    addCommand(tools, "Rescan device", "actionRescan", &MainWindow::rescanDevice);
    addCommand(tools, "Telnet Console", "actionTelnet", &MainWindow::telnetConsole);
    QAction* serial = tools->addAction(QStringLiteral("Serial Console"));
    serial->setObjectName(QStringLiteral("actionSerialConsole"));
    connect(serial, &QAction::triggered, this, [this] { serialConsole(this); });
    addCommand(tools, "SSH Console", "actionSsh", &MainWindow::sshConsole);
    addCommand(tools, "Reset System", "actionResetSystem", &MainWindow::resetSystem);
    addCommand(tools, "Reset Card", "actionResetCard", &MainWindow::resetCard);

    QMenu* map = menuBar()->addMenu(QStringLiteral("Map"));
    addCommand(map, "Select Displayed Map", "actionSelectMap", &MainWindow::selectDisplayedMap);
    addCommand(map, "Active Map Change", "actionActiveMap", &MainWindow::activeMapChange);
    addCommand(map, "Read All Cross-Connects", "actionReadAll", &MainWindow::readAllCrossConnects);
    addCommand(map, "Delete Map", "actionDeleteMap", &MainWindow::deleteMap);
    addCommand(map, "Copy Map", "actionCopyMap", &MainWindow::copyMap);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    addCommand(help, "&About ...", "actionAbout", &MainWindow::showAbout);
    // The accelerator table gives About to both Alt+? and Alt+/.
    for (const char* keys : {"Alt+?", "Alt+/"}) {
        auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(keys)), this);
        connect(shortcut, &QShortcut::activated, this, &MainWindow::showAbout);
    }

    // "Store" stands alone at the right end of the menu bar and is live only while the
    // device holds changes that it has not stored.
    store_action_ = new QAction(QStringLiteral("Store"), this);
    store_action_->setObjectName(QStringLiteral("actionStore"));
    store_action_->setEnabled(false);
    connect(store_action_, &QAction::triggered, this, &MainWindow::storeConfig);
    auto* store_button = new QToolButton(menuBar());
    store_button->setObjectName(QStringLiteral("storeButton"));
    store_button->setDefaultAction(store_action_);
    store_button->setAutoRaise(true);
    menuBar()->setCornerWidget(store_button, Qt::TopRightCorner);
}

bool MainWindow::start(const std::optional<std::filesystem::path>& argument_file) {
    shell_resources();
    if (argument_file) {
        settings_.current_device_file = *argument_file;
    }
    show();
    if (!crypto_self_test(*presenter_, settings_.prng_salt)) {
        return false;
    }
    QTimer::singleShot(0, this, &MainWindow::selectDevice);
    return true;
}

// --- The device and its sequences ---------------------------------------------------------

void MainWindow::setDeviceTitle() {
    setWindowTitle(QString::fromStdString(main_window_title(program_title, *box_)));
}

bool MainWindow::changesNotStored() const {
    return box_ ? box_->changes.not_stored() : keep_not_stored_;
}

void MainWindow::setChangesNotStored(bool changed) {
    if (box_) {
        box_->changes.set_not_stored(changed);
    } else {
        keep_not_stored_ = changed;
    }
    updateStore();
}

void MainWindow::updateStore() {
    store_action_->setEnabled(changesNotStored());
}

void MainWindow::changed(unsigned flags) {
    if ((flags & change_not_stored) != 0) {
        updateStore();
    }
    if ((flags & (change_displayed_map | change_active_map)) != 0 && box_) {
        setDeviceTitle();
    }
    if ((flags & change_card_table) != 0) {
        openChassis();
    }
}

void MainWindow::startSequence(Sequence sequence) {
    // A newer start replaces any sequence still queued (say, Rescan chosen twice).
    ++sequence_id_;
    opening_.reset();
    closeMap();
    chassis_.reset();
    services_.emplace(OpeningServices{*presenter_, *comment_chooser_, timings_, {}, {}});
    services_->opened = [this](Box& box) {
        // A new device: the window follows its changes, and a rescanned device still holds
        // what was not stored.
        box.changes.listen(*this);
        box.changes.set_not_stored(keep_not_stored_);
        keep_not_stored_ = false;
    };
    services_->choose_displayed_map = [this](Box& box) { select_map_dialog(this, box, false); };
    if (sequence == Sequence::open) {
        opening_.emplace(DeviceOpening::open(box_, config_, *services_));
    } else {
        opening_.emplace(DeviceOpening::reload(box_, config_, *services_));
    }
    postStep();
}

void MainWindow::postStep(int delay_ms) {
    QTimer::singleShot(delay_ms, this, [this, id = sequence_id_] {
        if (id != sequence_id_) {
            return;
        }
        // A command chosen between two steps may still be running its dialog, transfer or
        // progress window, whose event loop would run the next step: a step that reads the
        // cards anew would free the card or trees that command holds. The step waits for it.
        if (QApplication::activeModalWidget() != nullptr || !isEnabled()) {
            postStep(busy_retry_ms);
            return;
        }
        runStep();
    });
}

void MainWindow::runStep() {
    DeviceOpening::Outcome outcome;
    if (opening_->asks()) {
        outcome = opening_->step();
    } else {
        WaitCursor wait;
        outcome = opening_->step();
    }
    if (box_) {
        setDeviceTitle();
    }
    if (outcome == DeviceOpening::Outcome::more) {
        postStep();
        return;
    }
    opening_.reset();
    if (outcome == DeviceOpening::Outcome::failed && !box_) {
        // The session has said why; the operator chooses again.
        setWindowTitle(QString::fromLatin1(program_title));
        QTimer::singleShot(0, this, &MainWindow::selectDevice);
    }
    if (outcome == DeviceOpening::Outcome::done) {
        openMap();
    }
    emit sequenceEnded(outcome == DeviceOpening::Outcome::done);
}

void MainWindow::closeDevice() {
    ++sequence_id_;
    opening_.reset();
    closeMap();
    chassis_.reset();
    if (box_) {
        close_device(box_, config_, *comment_chooser_);
        setWindowTitle(QString::fromLatin1(program_title));
    }
}

void MainWindow::releaseDevice() {
    ++sequence_id_;
    opening_.reset();
    closeMap();
    chassis_.reset();
    if (box_) {
        free_box(box_);
        setWindowTitle(QString::fromLatin1(program_title));
    }
}

// --- Commands -----------------------------------------------------------------------------

bool MainWindow::confirmLosingChanges() {
    return confirm_dialog(*presenter_, OwnerWindow::main_window(),
                          "Confirm Exit\r\n\r\nChanges have not been stored.\r\n\r\nConfirm "
                          "Exit?") == dialog_ok;
}

void MainWindow::selectDevice() {
    if (box_) {
        if (changesNotStored() && !confirmLosingChanges()) {
            return;
        }
        closeDevice();
        setChangesNotStored(false);
    }
    DeviceDialogServices services{this, *presenter_, *prompt_, *chooser_, store_, settings_};
    services.serial_console = [this](QWidget* owner) { serialConsole(owner); };
    switch (select_device_dialog(this, services, config_)) {
    case select_device_connect:
        startSequence(Sequence::open);
        break;
    case select_device_exit:
        endProgram();
        break;
    default:
        break;
    }
}

void MainWindow::rescanDevice() {
    // Only a device that is open, or being opened, can be opened again: without one there
    // may not even be a host to ask.
    if (!opening_ && !deviceSelected()) {
        return;
    }
    // The flag and "Store" keep their state: the device still holds what was not stored.
    keep_not_stored_ = changesNotStored();
    closeDevice();
    startSequence(Sequence::open);
}

void MainWindow::showAbout() {
    AboutDialog dialog(this);
    dialog.exec();
}

void MainWindow::exitCommand() {
    close();
}

void MainWindow::endProgram() {
    ending_ = true;
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!ending_ && box_ && changesNotStored() && !confirmLosingChanges()) {
        ending_ = false;
        event->ignore();
        return;
    }
    ending_ = false;
    closeDevice();
    const QPoint corner = frameGeometry().topLeft();
    save_settings(store_, settings_, WindowCorner{corner.x(), corner.y()}, config_prng);
    event->accept();
}

void MainWindow::selectDisplayedMap() {
    if (box_ && select_map_dialog(this, *box_, true) == dialog_ok) {
        startSequence(Sequence::reload);
    }
    updateStore();
}

namespace {

std::vector<FileFilter> map_file_filters() {
    return {{"CSV File", "*.csv"}, {"All", "*.*"}};
}

} // namespace

void MainWindow::exportMap() {
    if (!export_has_device(*presenter_, OwnerWindow::main_window(), box_.get())) {
        return;
    }
    ExportOptionsDialog options(this, map_memory_.export_options);
    if (options.exec() != dialog_ok) {
        return;
    }
    const auto path = chooser_->save_file(OwnerWindow::main_window(),
                                          {{},
                                           map_memory_.last_folder,
                                           export_file_name(settings_.current_device_file),
                                           map_file_filters()});
    if (!path) {
        return;
    }
    ProgressWindow progress(this);
    if (map_export(*presenter_, OwnerWindow::main_window(), box_.get(), *path,
                   map_memory_.export_options, progress) == 0) {
        map_memory_.last_folder = folder_of(*path);
    }
}

void MainWindow::importMap() {
    if (!export_has_device(*presenter_, OwnerWindow::main_window(), box_.get())) {
        return;
    }
    const auto path = chooser_->open_file(OwnerWindow::main_window(),
                                          {{}, map_memory_.last_folder, {}, map_file_filters()});
    if (!path) {
        return;
    }
    ImportOptions options;
    ImportDialog dialog(this, map_memory_.suppress_import_warnings, settings_.map_endpoint_id != 0,
                        options);
    if (dialog.exec() != dialog_ok) {
        return;
    }
    ProgressWindow progress(this);
    // A stopped or cancelled import has changed the device all the same: it is marked and
    // shown afresh like a whole one.
    if (map_import(*box_, *path, options, progress) == 0) {
        map_memory_.last_folder = folder_of(*path);
        updateStore();
        startSequence(Sequence::reload);
    }
}

void MainWindow::activeMapChange() {
    if (box_) {
        ActiveMapDialog dialog(this, *box_);
        if (dialog.exec() == map_dialog_reload) {
            WaitCursor wait;
            activate_map(*box_);
        }
        // The title names the chosen map even when the device refused it.
        setDeviceTitle();
    }
    updateStore();
}

void MainWindow::readAllCrossConnects() {
    ProgressWindow progress(this);
    map_read_all(*presenter_, OwnerWindow::main_window(), box_.get(), progress);
    if (map_) {
        map_->refresh();
    }
}

void MainWindow::deleteMap() {
    if (box_) {
        MapDeleteDialog dialog(this, *box_, settings_.map_endpoint_id != 0);
        if (dialog.exec() == map_dialog_reload) {
            startSequence(Sequence::reload);
        }
    }
    updateStore();
}

void MainWindow::copyMap() {
    if (box_) {
        MapCopyDialog dialog(this, *box_, settings_.map_endpoint_id != 0);
        if (dialog.exec() == map_dialog_reload) {
            startSequence(Sequence::reload);
        }
    }
    updateStore();
}

void MainWindow::storeConfig() {
    if (box_) {
        store_config(*box_);
    }
    updateStore();
}

void MainWindow::retrieveConfig() {
    if (box_ && retrieve_config(*box_) == 0) {
        startSequence(Sequence::reload);
    }
    updateStore();
}

void MainWindow::resetSystem() {
    // A reset the device took restarted it from its stored configuration: what was not
    // stored is gone, and everything is read afresh.
    if (box_ && system_reset_dialog(this, *box_) == 1) {
        setChangesNotStored(false);
        QTimer::singleShot(0, this, &MainWindow::rescanDevice);
    }
}

void MainWindow::resetCard() {
    if (!box_) {
        return;
    }
    if (const Card* card = choose_reset_card(this, *box_)) {
        card_reset_dialog(this, *box_, *card, reset_card_prompt(*box_, *card), false);
    }
}

void MainWindow::telnetConsole() {
    start_console(*presenter_, *launcher_,
                  console_command_line(ConsoleKind::telnet, config_.hostname, false));
}

void MainWindow::sshConsole() {
    const bool legacy = box_ && box_->fw_lt_2_15_01;
    start_console(*presenter_, *launcher_,
                  console_command_line(ConsoleKind::ssh, config_.hostname, legacy));
}

void MainWindow::serialConsole(QWidget* owner) {
    const std::vector<std::string> ports = usable_serial_ports(serial_devices_());
    if (serial_console_dialog(owner, settings_, ports) == dialog_ok) {
        start_serial_console(*presenter_, *launcher_, settings_.com_name, settings_.com_baud);
    }
}

void MainWindow::printScreen() {
    print_screen_.print(*this);
}

bool MainWindow::deviceSelected() {
    if (!box_) {
        error_dialog_main(*presenter_, "!Error\r\n\r\n\r\n\r\nPlease select a device.");
    }
    return box_ != nullptr;
}

void MainWindow::sendConfiguration() {
    transfer(TransferKind::send_config);
}

void MainWindow::getConfiguration() {
    transfer(TransferKind::get_config);
}

void MainWindow::sendMainboardFirmware() {
    transfer(TransferKind::mainboard_firmware);
}

void MainWindow::sendCardFirmware() {
    transfer(TransferKind::card_firmware);
}

void MainWindow::getFaeInfo() {
    transfer(TransferKind::fae_info);
}

void MainWindow::transfer(TransferKind kind) {
    if (deviceSelected()) {
        transfers_->run(kind, *box_, *presenter_, *chooser_, settings_,
                        settings_.current_device_file);
    }
}

void MainWindow::transferCompleted(Completion completion, int state, const Card* card) {
    transfers_->stop_server();
    if (!box_) {
        return;
    }
    switch (completion) {
    case Completion::config_sent:
        // Whatever the outcome, the running configuration may have changed.
        setChangesNotStored(true);
        startSequence(Sequence::reload);
        break;
    case Completion::mainboard_firmware_sent:
        if (state == transfer_finished) {
            show_upgrade_notice(this);
            if (auto* reset = findChild<QAction*>(QStringLiteral("actionResetSystem"))) {
                QTimer::singleShot(0, reset, &QAction::trigger);
            }
        }
        break;
    case Completion::card_firmware_sent:
        if (state == transfer_finished && card != nullptr) {
            // The pair flag offers Working/Standby (and Both): a plain Cold or Warm press
            // resets the chosen card alone.
            const CardResetOffer offer = card_firmware_reset_offer(*card);
            card_reset_dialog(this, *box_, *card, offer.prompt, offer.protected_pair);
        }
        break;
    case Completion::done:
        break;
    }
}

void MainWindow::toggleShowChassis() {
    settings_.show_chassis = settings_.show_chassis != 0 ? 0 : 1;
    if (settings_.show_chassis == 0) {
        chassis_.reset();
    } else if (box_ && !box_->cards.empty()) {
        // Before the card table is read, the sequence's card-table step makes the view.
        openChassis();
    }
}

void MainWindow::openChassis() {
    // A view is never updated in place: the one of the last reading goes first.
    chassis_.reset();
    if (box_ && settings_.show_chassis != 0) {
        chassis_ = std::make_unique<ChassisView>(this, *box_, settings_);
    }
}

void MainWindow::toggleSimpleView() {
    simple_view_ = !simple_view_;
    if (map_) {
        map_->setSimpleView(simple_view_);
    }
}

void MainWindow::toggleLargeFont() {
    settings_.large_font = settings_.large_font != 0 ? 0 : 1;
    if (map_) {
        openMap();
    }
}

void MainWindow::openMap() {
    closeMap();
    map_ = std::make_unique<MapWindow>(*box_, settings_, simple_view_, this);
    setCentralWidget(map_.get());
    // The client area below the menu bar holds the map window exactly; the window keeps
    // its corner.
    setFixedSize(map_->width(), map_->height() + menuBar()->sizeHint().height());
}

void MainWindow::closeMap() {
    // Deleted at once, not later: no paint or queued call of it may reach trees that are
    // about to be freed.
    if (map_) {
        takeCentralWidget();
        map_.reset();
    }
}

} // namespace vornex
