#pragma once
// A main window with the demo device open, as an operator has it after "Connect to Device"
// and the map choice: where the tests of what the window does with an open device start.

#include "gui/app/main_window.h"
#include "recording_presenter.h"
#include "scripted_file_chooser.h"
#include "sim_process.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <filesystem>
#include <functional>
#include <memory>

namespace vornex::test {

struct DemoWindow {
    // Starts the simulator and opens its device in a new window; `prepare` runs before the
    // opening, for the settings a test needs from the start. Null after a failure it reported.
    static std::unique_ptr<DemoWindow> open(const std::function<void(MainWindow&)>& prepare = {});

    std::filesystem::path dir() const { return folder.path().toStdString(); }
    // Triggers the window's action of this object name.
    void trigger(const char* action);
    // Whether `count` reload sequences have run to their end after the opening.
    bool reloaded(int count);

    // Destroyed in reverse: the window before the simulator it talks to.
    std::unique_ptr<SimProcess> sim;
    QTemporaryDir folder;
    RecordingPresenter presenter;
    ScriptedFileChooser chooser;
    std::filesystem::path device_file;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<QSignalSpy> ended;
};

} // namespace vornex::test
