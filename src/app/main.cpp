#include "app/main_window.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Orlique"));
    QApplication::setApplicationName(QStringLiteral("Vornex"));
    vornex::MainWindow window;
    window.show();
    return QApplication::exec();
}
