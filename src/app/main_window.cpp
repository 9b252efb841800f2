#include "app/main_window.h"

#include "app/simple_dialog.h"
#include "resources/strings.h"

#include <QKeySequence>
#include <QMenuBar>
#include <QShortcut>

namespace vornex {

MainWindow::MainWindow() {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QString::fromLatin1(program_title));
    setFixedSize(width, height);
    setStyleSheet(QStringLiteral("QMainWindow { background: white; }"));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* about = help->addAction(QStringLiteral("&About ..."));
    about->setObjectName(QStringLiteral("actionAbout"));
    connect(about, &QAction::triggered, this, &MainWindow::showAbout);
    // The accelerator table gives About to both Alt+? and Alt+/.
    for (const char* keys : {"Alt+?", "Alt+/"}) {
        auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(keys)), this);
        connect(shortcut, &QShortcut::activated, this, &MainWindow::showAbout);
    }
}

void MainWindow::showAbout() {
    AboutDialog dialog(this);
    dialog.exec();
}

} // namespace vornex
