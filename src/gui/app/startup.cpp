#include "gui/app/startup.h"

#include "config/prng.h"
#include "gui/app/main_window.h"
#include "gui/app/qt_settings_store.h"
#include "snmp/snmp_library.h"

#include <QApplication>
#include <QStringList>

namespace vornex {

namespace {

class PrngStepper : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent*) override {
        prng_step_counter(config_prng.dt);
        return false;
    }
};

} // namespace

void install_prng_stepper(QApplication& app) {
    app.installEventFilter(new PrngStepper(&app));
}

int run_program(QApplication& app) {
    QApplication::setOrganizationName(QStringLiteral("Orlique"));
    QApplication::setApplicationName(QStringLiteral("Vornex"));
    const QStringList arguments = QApplication::arguments();
    std::optional<std::filesystem::path> argument_file;
    if (arguments.size() >= 2) {
        argument_file = to_path(arguments.at(1));
    }

    snmp_library_init();
    QtSettingsStore store;
    MainWindow window(store);
    if (!window.start(argument_file)) {
        return 0;
    }
    install_prng_stepper(app);
    return QApplication::exec();
}

} // namespace vornex
