#pragma once
// The chassis view: a small fixed window owned by the main window that draws the front of
// the chassis as the last card read found it. It is made from the device after each opening
// or reload and destroyed before the next one, so it keeps its own copy of what it draws
// and never follows the device. It shows; it never acts on a click.

#include "shell/settings.h"
#include "view/chassis_layout.h"

#include <QWidget>

namespace vornex {

class ChassisView : public QWidget {
    Q_OBJECT
public:
    // Shows the view of `box` over `owner`, at the corner stored in `settings` when that
    // lies well inside the screen; otherwise the window manager places it and the stored
    // corner is forgotten.
    ChassisView(QWidget* owner, const Box& box, Settings& settings);
    // Its corner is kept in `settings` for the next view.
    ~ChassisView() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    // The caption offers no close: the view goes with its device or with "Show Chassis".
    void closeEvent(QCloseEvent* event) override;

private:
    std::array<ChassisPosition, chassis_positions> positions_;
    Settings& settings_;
};

} // namespace vornex
