#include "demo_window.h"
#include "gui/view/chassis_view.h"
#include "modal_helper.h"

#include <QAction>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <gtest/gtest.h>

namespace vornex {
namespace {

using namespace test;

TEST(ChassisViewTest, FollowsTheDeviceItsReloadsAndShowChassis) {
    // A corner left from a larger screen: the window manager places the view instead.
    auto demo = test::DemoWindow::open([](MainWindow& window) {
        window.settings().chassis_x = window.screen()->geometry().width() - 34;
        window.settings().chassis_y = 40;
    });
    ASSERT_NE(demo, nullptr);
    MainWindow& window = *demo->window;
    QPointer<ChassisView> view = child<ChassisView>(&window, "chassis_ctrl");
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->isVisible());
    EXPECT_TRUE(view->isWindow());
    EXPECT_EQ(view->parentWidget(), &window);
    EXPECT_EQ(view->windowTitle(),
              QStringLiteral("127.0.0.1:%1 - R4150-DEMO").arg(demo->sim->port()));
    EXPECT_EQ(view->size(), QSize(335, 131));
    const Qt::WindowFlags flags = view->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_FALSE(flags & (Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinMaxButtonsHint));
    EXPECT_EQ(window.settings().chassis_x, default_position);
    EXPECT_EQ(window.settings().chassis_y, default_position);
    test::save_screenshot(view, QStringLiteral("chassis_view_demo"));

    // A reload destroys the view before it reads the card table and makes a new one at the
    // corner the old one had.
    view->move(50, 60);
    ModalAnswer map([](QWidget* dialog) {
        // From the menu, unlike at the opening, the map choice can be cancelled.
        EXPECT_TRUE(
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->isVisible());
        child<QRadioButton>(dialog, "map2")->click();
        press(dialog, QDialogButtonBox::Ok);
    });
    child<QAction>(&window, "actionSelectMap")->trigger();
    ASSERT_TRUE(map.ran());
    EXPECT_EQ(view, nullptr);
    ASSERT_TRUE(demo->reloaded(1));
    view = child<ChassisView>(&window, "chassis_ctrl");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->pos(), QPoint(50, 60));

    // The view exists only while "Show Chassis" is on and the device is open.
    child<QAction>(&window, "actionShowChassis")->trigger();
    EXPECT_EQ(view, nullptr);
    child<QAction>(&window, "actionShowChassis")->trigger();
    view = child<ChassisView>(&window, "chassis_ctrl");
    ASSERT_NE(view, nullptr);
    view->close(); // the caption offers no close; nothing else may close it
    EXPECT_TRUE(view->isVisible());
    ASSERT_TRUE(window.close());
    EXPECT_EQ(view, nullptr);
}

} // namespace
} // namespace vornex
