#pragma once
// The one top-level window: fixed size, the program title, the menu bar with every command,
// and the current device. Opening a device runs as a chain of queued steps on the GUI
// thread (the session, the card table, then one card's endpoints per step), so the window
// paints between cards; a reload runs the same chain from the card table on.

#include "base/changes.h"
#include "base/file_chooser.h"
#include "config/device_config.h"
#include "device/box.h"
#include "device/opening.h"
#include "gui/app/comment_file_dialogs.h"
#include "gui/app/print_screen.h"
#include "gui/app/qt_platform.h"
#include "gui/app/qt_presenter.h"
#include "gui/config/device_dialogs.h"
#include "gui/transfer/transfer_window.h"
#include "gui/view/chassis_view.h"
#include "gui/view/map_window.h"
#include "shell/settings.h"
#include "shell/shell.h"
#include "xc/map_export.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

class QAction;

namespace vornex {

class MainWindow : public QMainWindow, private ChangeListener {
    Q_OBJECT
public:
    static constexpr int width = 722;
    static constexpr int height = 634;

    // A window over settings kept in memory (tests, and owners of the message dialogs).
    MainWindow();
    // The program's window: the settings are loaded from `store` before it is placed.
    explicit MainWindow(SettingsStore& store);
    ~MainWindow() override;

    // The rest of start-up: the file named on the command line, the shared drawing
    // resources, showing the window, the crypto self-test, and "Select Device" queued.
    // false when the program has to end (the self-test failed and said so).
    bool start(const std::optional<std::filesystem::path>& argument_file);

    // Seams the tests replace; the window's own Qt implementations otherwise.
    void setPresenter(Presenter& presenter) { presenter_ = &presenter; }
    void setPasswordPrompt(PasswordPrompt& prompt) { prompt_ = &prompt; }
    void setFileChooser(FileChooser& chooser) { chooser_ = &chooser; }
    void setProcessLauncher(ProcessLauncher& launcher) { launcher_ = &launcher; }
    // The serial devices to offer when free; the system's own list otherwise.
    void setSerialDevices(std::function<std::vector<std::string>()> devices) {
        serial_devices_ = std::move(devices);
    }
    // PrintScreen's printer, kept for the run.
    PrintScreen& screenPrinter() { return print_screen_; }
    void setSessionTimings(const session_timings& timings) { timings_ = timings; }
    void setCommentFileChooser(CommentFileChooser& chooser) { comment_chooser_ = &chooser; }

    Settings& settings() { return settings_; }
    TransferCommands& transfers() { return *transfers_; }
    device_config& deviceConfig() { return config_; }
    Box* box() const { return box_.get(); }
    bool simpleView() const { return simple_view_; }

    // The open device's changes-not-stored flag (kept while no device is open, as during a
    // rescan); "Store" follows it.
    bool changesNotStored() const;
    void setChangesNotStored(bool changed);

public slots:
    void selectDevice();
    void rescanDevice();
    void showAbout();
    // "Reset System" (also after mainboard firmware) and "Reset Card" of the Tools menu.
    void resetSystem();
    void resetCard();

signals:
    // An opening or reload sequence stopped: after its last step (complete) or at a step
    // that failed and said why.
    void sequenceEnded(bool complete);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Sequence { open, reload };
    // How often a step that waits for another command to end looks again.
    static constexpr int busy_retry_ms = 50;

    void buildMenus();
    QAction* addCommand(QMenu* menu, const char* text, const char* name,
                        void (MainWindow::*slot)());
    QAction* addPending(QMenu* menu, const char* text, const char* name);
    QAction* addCheck(QMenu* menu, const char* text, const char* name, bool checked);

    void changed(unsigned flags) override;
    void startSequence(Sequence sequence);
    // Queues the next step of the running sequence.
    void postStep(int delay_ms = 0);
    void runStep();

    void closeDevice();
    void releaseDevice();
    void endProgram();
    void updateStore();
    void setDeviceTitle();

    bool confirmLosingChanges();
    bool deviceSelected();
    void exitCommand();
    void exportMap();
    void importMap();
    void selectDisplayedMap();
    void activeMapChange();
    void readAllCrossConnects();
    void deleteMap();
    void copyMap();
    void storeConfig();
    void retrieveConfig();
    void telnetConsole();
    void sshConsole();
    void serialConsole(QWidget* owner);
    void printScreen();
    void sendConfiguration();
    void getConfiguration();
    void sendMainboardFirmware();
    void sendCardFirmware();
    void getFaeInfo();
    void transfer(TransferKind kind);
    void transferCompleted(Completion completion, int state, const Card* card);
    void toggleShowChassis();
    void openChassis();
    void toggleSimpleView();
    void toggleLargeFont();
    void openMap();
    void closeMap();

    // The store given, or memory_store_ when none.
    explicit MainWindow(SettingsStore* store);

    MemorySettingsStore memory_store_;
    SettingsStore& store_;
    Settings settings_;

    QtPresenter qt_presenter_;
    QtPasswordPrompt qt_prompt_;
    QtFileChooser qt_chooser_;
    QtProcessLauncher qt_launcher_;
    QtCommentFileChooser qt_comment_chooser_;
    Presenter* presenter_;
    PasswordPrompt* prompt_;
    FileChooser* chooser_;
    ProcessLauncher* launcher_;
    std::function<std::vector<std::string>()> serial_devices_;
    CommentFileChooser* comment_chooser_;
    session_timings timings_;

    device_config config_;
    std::unique_ptr<Box> box_;
    std::optional<OpeningServices> services_;
    std::optional<DeviceOpening> opening_;
    bool keep_not_stored_ = false;
    int sequence_id_ = 0; // a queued step of an older sequence is dropped
    bool simple_view_ = true;
    bool ending_ = false; // closing without the unstored-changes question

    QAction* store_action_ = nullptr;
    // Declared after the settings: it writes its corner there as it goes.
    std::unique_ptr<ChassisView> chassis_;
    // Holds pointers into the device's trees: it goes before they are freed or read anew.
    std::unique_ptr<MapWindow> map_;
    // The map commands' remembered choices and folder, for the rest of the run.
    MapCommandMemory map_memory_;
    // The File > Transfer commands: their dialogs, progress window and internal server.
    TransferCommands* transfers_;
    PrintScreen print_screen_;
};

} // namespace vornex
