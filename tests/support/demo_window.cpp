#include "demo_window.h"

#include "modal_helper.h"
#include "snmp/snmp_library.h"
#include "test_device.h"

#include <QAction>
#include <QTest>

namespace vornex::test {

std::unique_ptr<DemoWindow> DemoWindow::open(const std::function<void(MainWindow&)>& prepare) {
    snmp_library_init();
    auto demo = std::make_unique<DemoWindow>();
    demo->sim = SimProcess::start("demo");
    if (demo->sim == nullptr) {
        ADD_FAILURE() << "the simulator did not start";
        return nullptr;
    }
    demo->window = std::make_unique<MainWindow>();
    MainWindow& window = *demo->window;
    window.setPresenter(demo->presenter);
    window.setFileChooser(demo->chooser);
    window.setSessionTimings(quick_timings);
    demo->ended = std::make_unique<QSignalSpy>(&window, &MainWindow::sequenceEnded);
    demo->device_file = demo->dir() / "demo.lcf";
    if (device_config_write(demo->presenter, {}, demo->device_file, sim_config(*demo->sim)) != 0) {
        ADD_FAILURE() << "the device file was not written";
        return nullptr;
    }
    if (prepare)
        prepare(window);
    // "Select Device Configuration" opens with the file filled in; Enter connects, and the
    // map choice that follows is taken as offered.
    std::optional<ModalAnswer> map_answer;
    ModalAnswer select([&](QWidget* dialog) {
        map_answer.emplace([](QWidget* d) { press(d, QDialogButtonBox::Ok); }, 30000);
        QWidget* focus = dialog->focusWidget();
        QTest::keyClick(focus != nullptr ? focus : dialog, Qt::Key_Return);
    });
    if (!window.start(demo->device_file) || !wait_for([&] { return demo->ended->count() == 1; }) ||
        window.box() == nullptr) {
        ADD_FAILURE() << "the demo device did not open";
        return nullptr;
    }
    demo->presenter.clear();
    return demo;
}

void DemoWindow::trigger(const char* action) {
    child<QAction>(window.get(), action)->trigger();
}

bool DemoWindow::reloaded(int count) {
    return wait_for([&] { return ended->count() == 1 + count; });
}

} // namespace vornex::test
