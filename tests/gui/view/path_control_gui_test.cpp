// The path control as the operator uses it, on the demo device.
#include "gui/view/path_control.h"
#include "map_fixture.h"
#include "modal_helper.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace vornex {
namespace {

using test::child;

class PathControlTest : public test::MapFixture {
protected:
    void SetUp() override {
        start("demo");
        control = std::make_unique<PathControl>(*box, 0, false, nullptr);
        control->setCards();
        control->show();
        text = child<QWidget>(control.get(), "path_text");
    }

    // A pointer event at the middle of `row`, which must be visible.
    void mouse(QEvent::Type type, int row, Qt::MouseButton button = Qt::LeftButton) {
        const int h = control->rowHeight();
        const QPointF at(40, 1 + (row - control->firstRow()) * h + h / 2);
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
        QMouseEvent event(type, at, text->mapToGlobal(at),
                          type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
        QApplication::sendEvent(text, &event);
    }
    void click(int row, Qt::MouseButton button = Qt::LeftButton) {
        mouse(QEvent::MouseButtonPress, row, button);
        mouse(QEvent::MouseButtonRelease, row, button);
    }
    void drag(int from, int to) {
        mouse(QEvent::MouseButtonPress, from);
        mouse(QEvent::MouseMove, to);
        mouse(QEvent::MouseButtonRelease, to);
    }
    int row(std::initializer_list<const char*> path) { return node(1, path).view.row[0]; }

    std::unique_ptr<PathControl> control;
    QWidget* text = nullptr;
};

TEST_F(PathControlTest, ClicksDragsAndTheBottomOfTheScrollBar) {
    QSignalSpy toggled(control.get(), &PathControl::toggled);
    QSignalSpy done(control.get(), &PathControl::selectionDone);
    click(1);
    click(row({"Port-01"}));
    click(row({"Port-04"}));
    EXPECT_EQ(toggled.count(), 3);
    for (int i = 0; i < 2; ++i)
        control->findChild<QScrollBar*>()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(control->firstRow(), 3);

    // From Port-01's last timeslot straight onto Port-04's first: the hidden timeslots of
    // Port-02 and Port-03 are selected with them, and the map window hears of it when the
    // button goes up.
    const auto hidden = node(1, {"Port-02"}).child_count() + node(1, {"Port-03"}).child_count();
    drag(row({"Port-01", "TS-31"}), row({"Port-04", "TS-01"}));
    EXPECT_EQ(done.count(), 1);
    EXPECT_EQ(child<QLabel>(control.get(), "path_count")->text(),
              QString::asprintf("%02d", static_cast<int>(hidden) + 2));
    test::save_screenshot(control.get(), QStringLiteral("path_control_selection"));

    // A drag ending on a port or on the card row is no selection for the map window.
    for (int inner : {row({"Port-02"}), 1})
        drag(row({"Port-01", "TS-30"}), inner);
    EXPECT_EQ(done.count(), 1);
    EXPECT_EQ(toggled.count(), 5); // the scrolls only

    control->findChild<QScrollBar*>()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(control->firstRow(), control->rows().max_row());
    EXPECT_EQ(control->findChild<QScrollBar*>()->value(), control->firstRow());
}

TEST_F(PathControlTest, RightClickOnALeafOpensItsInformationTitledWithItsPath) {
    click(1);
    click(row({"Port-01"}));
    QSignalSpy changed(control.get(), &PathControl::changed);
    QString title;
    test::ModalAnswer answer([&](QWidget* dialog) {
        title = dialog->windowTitle();
        test::press(dialog, QDialogButtonBox::Cancel);
    });
    click(row({"Port-01", "TS-05"}), Qt::RightButton);
    ASSERT_TRUE(answer.ran());
    EXPECT_EQ(title, QStringLiteral("Set Endpoint Information - Trib1, Port-01, TS-05"));
    EXPECT_EQ(changed.count(), 0);

    // A port opens its popup, whose second entry opens the port's line setup; OK reports a
    // change.
    QTimer::singleShot(100, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        test::save_screenshot(menu, QStringLiteral("path_control_popup"));
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    test::ModalAnswer setup([&](QWidget* dialog) {
        title = dialog->windowTitle();
        test::press(dialog, QDialogButtonBox::Ok);
    });
    click(row({"Port-02"}), Qt::RightButton);
    ASSERT_TRUE(setup.ran());
    EXPECT_EQ(title, QStringLiteral("E1 Line Interface Setup - Trib1, Port-02"));
    EXPECT_EQ(changed.count(), 1);
}

} // namespace
} // namespace vornex
