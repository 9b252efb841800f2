#pragma once
// The one top-level window: fixed size, the program title, the menu bar.

#include <QMainWindow>

namespace vornex {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int width = 722;
    static constexpr int height = 634;

    MainWindow();

public slots:
    void showAbout();
};

} // namespace vornex
