// The map window in the main window against the demo device, used as an operator uses it.
#include "demo_window.h"
#include "gui/view/graph_widget.h"
#include "gui/view/map_window.h"
#include "gui/view/path_control.h"
#include "map_fixture.h"
#include "modal_helper.h"
#include "model/card.h"
#include "test_device.h"
#include "view/graph_lines.h"
#include "xc/xc_probe.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace vornex {
namespace {

using test::child;

class MapWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        demo = test::DemoWindow::open();
        ASSERT_NE(demo, nullptr);
        box = demo->window->box();
    }

    MapWindow* map() const { return demo->window->findChild<MapWindow*>("map_win"); }
    // Side 0 is the control on the left.
    PathControl* path(int side) const {
        auto controls = map()->findChildren<PathControl*>("path_ctrl");
        EXPECT_EQ(controls.size(), 2);
        std::sort(controls.begin(), controls.end(),
                  [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
        return controls[side];
    }
    QPushButton* button(const char* name) const { return child<QPushButton>(map(), name); }

    // Where the pointer goes for `row` of a side's text window, which must be in view.
    QPoint at_row(int side, int row) const {
        const PathControl* control = path(side);
        const int y = (row - control->firstRow()) * control->rowHeight();
        return {40, text(side)->contentsRect().top() + y + control->rowHeight() / 2};
    }
    QWidget* text(int side) const { return path(side)->findChild<QWidget*>("path_text"); }
    void click(int side, int row) {
        QTest::mouseClick(text(side), Qt::LeftButton, {}, at_row(side, row));
    }
    // Presses on `from`, moves straight onto `to` and releases there; the buttons follow a
    // selection only once the drag has ended.
    void drag(int side, int from, int to) {
        QSignalSpy done(path(side), &PathControl::selectionDone);
        const bool map_enabled = button("mapBoth")->isEnabled();
        QTest::mousePress(text(side), Qt::LeftButton, {}, at_row(side, from));
        QTest::mouseMove(text(side), at_row(side, to));
        EXPECT_EQ(button("mapBoth")->isEnabled(), map_enabled);
        QTest::mouseRelease(text(side), Qt::LeftButton, {}, at_row(side, to));
        EXPECT_EQ(done.count(), 1);
    }
    // Expands card 2's ports `first` and `third` on `side` and selects from the last leaf of
    // `first` across the collapsed port between them to the first leaf of `third`.
    void select_across(int side, const char* first, const char* third) {
        click(side, card(2).row[side]);
        click(side, node(first).view.row[side]);
        click(side, node(third).view.row[side]);
        drag(side, node(first).children.back()->view.row[side],
             node(third).children.front()->view.row[side]);
    }

    Card& card(int slot) const {
        return **std::find_if(box->cards.begin(), box->cards.end(),
                              [=](const auto& c) { return c->slot == slot; });
    }
    HsEntry& node(const char* port) const { return test::find_node(*box, 2, {port}); }

    // The leaves of card 2 that `which` picks, in tree order.
    std::vector<HsEntry*> leaves(const std::function<bool(const HsEntry&)>& which) const {
        std::vector<HsEntry*> found;
        std::function<void(EndpointList&)> walk = [&](EndpointList& list) {
            for (auto& entry : list)
                if (!entry->is_leaf())
                    walk(entry->children);
                else if (which(*entry))
                    found.push_back(entry.get());
        };
        walk(card(2).endpoints);
        return found;
    }
    std::vector<HsEntry*> selected(int side) const {
        return leaves([=](const HsEntry& e) { return e.view.open_or_selected[side] != 0; });
    }
    // How many of `leaves` have a row in the device's table of the displayed map.
    int rows_on_device(const std::vector<HsEntry*>& leaves) const {
        int rows = 0;
        for (const HsEntry* leaf : leaves) {
            std::string oid = "R.1.16.3.1.9.1";
            for (const std::uint8_t byte : leaf->address)
                oid += "." + std::to_string(byte);
            rows += demo->sim->value(oid) ? 1 : 0;
        }
        return rows;
    }
    std::vector<GraphPolyline> lines() const {
        const auto* graph = map()->findChild<GraphWidget*>("graph_win");
        return graph_lines(box->cards,
                           {path(0)->firstRow(), path(1)->firstRow(), demo->window->simpleView(),
                            graph->width(), graph->height()});
    }
    std::unique_ptr<test::DemoWindow> demo;
    Box* box = nullptr;
};

TEST_F(MapWindowTest, MapsFindsAndUnmapsARunAsAnOperatorDoes) {
    select_across(0, "Port-03", "Port-05");
    select_across(1, "Port-06", "Port-08");
    const std::vector<HsEntry*> across = selected(0);
    ASSERT_EQ(across.size(), node("Port-04").children.size() + 2);
    ASSERT_EQ(selected(1).size(), across.size());
    EXPECT_TRUE(button("mapBoth")->isEnabled());

    // "data" and "voice" are a pair; going back to data forgets the table typed for voice.
    auto* data = child<QRadioButton>(map(), "data");
    auto* voice = child<QRadioButton>(map(), "voice");
    const auto checked = [&] { return std::pair(data->isChecked(), voice->isChecked()); };
    voice->click();
    voice->click();
    EXPECT_EQ(checked(), std::pair(false, true));
    QTest::keyClicks(child<QLineEdit>(map(), "sigConv"), QStringLiteral("12"));
    data->click();
    EXPECT_EQ(checked(), std::pair(true, false));
    EXPECT_TRUE(child<QLineEdit>(map(), "sigConv")->text().isEmpty());
    EXPECT_FALSE(child<QLineEdit>(map(), "sigConv")->isEnabled());

    // An identifier the comment file could not hold is refused before the device is asked;
    // a run across ports is the device's to refuse. Neither changes anything.
    child<QCheckBox>(map(), "apply")->click();
    QTest::keyClicks(child<QLineEdit>(map(), "identifier"), QStringLiteral("BAD\"ID"));
    demo->sim->clear_requests();
    button("mapBoth")->click();
    ASSERT_EQ(demo->presenter.shown.size(), 1u);
    EXPECT_NE(demo->presenter.last().text.find("Invalid characters in input."), std::string::npos);
    EXPECT_EQ(test::count_requests(demo->sim->requests(), "SET "), 0);
    button("clearIdentifier")->click();
    QTest::keyClicks(child<QLineEdit>(map(), "identifier"), QStringLiteral("TRUNK-9"));
    button("mapBoth")->click();
    ASSERT_EQ(demo->presenter.shown.size(), 2u);
    EXPECT_NE(demo->presenter.last().text.find("\"ts-set-out-of-range(32)\""), std::string::npos);
    EXPECT_EQ(rows_on_device(across) + rows_on_device(selected(1)), 0);
    EXPECT_FALSE(child<QAction>(demo->window.get(), "actionStore")->isEnabled());
    EXPECT_TRUE(lines().empty());

    // A run within one port on each side is mapped, far enough down that the index's choice
    // will scroll to it.
    const auto& ports = node("Port-03").children;
    drag(0, ports[12]->view.row[0], ports[19]->view.row[0]);
    drag(1, node("Port-06").children[12]->view.row[1], node("Port-06").children[19]->view.row[1]);
    const std::vector<HsEntry*> left = selected(0);
    const std::vector<HsEntry*> right = selected(1);
    ASSERT_EQ(left.size(), 8u);
    button("mapBoth")->click();
    EXPECT_EQ(demo->presenter.shown.size(), 2u);
    EXPECT_EQ(rows_on_device(left) + rows_on_device(right), 16);
    EXPECT_TRUE(child<QAction>(demo->window.get(), "actionStore")->isEnabled());
    EXPECT_FALSE(button("mapBoth")->isEnabled());
    // The graph draws the mutual line of every shown pair in the mutual pens.
    const std::vector<GraphPolyline> drawn = lines();
    ASSERT_FALSE(drawn.empty());
    for (const GraphPolyline& line : drawn)
        EXPECT_TRUE(line.pen == GraphPen::mutual_even || line.pen == GraphPen::mutual_odd);
    test::save_screenshot(map(), QStringLiteral("map_window_mapped"));

    // The index names the run; choosing it shows its first leaf on the left's eleventh row
    // and the far end on the right.
    auto* list = child<QListWidget>(map(), "index_list");
    const auto named = list->findItems(QStringLiteral("TRUNK-9"), Qt::MatchStartsWith);
    ASSERT_FALSE(named.isEmpty());
    list->setCurrentItem(named.front());
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    const auto marked = [&](int side) {
        return leaves([=](const HsEntry& e) { return e.view.marked[side] != 0; });
    };
    ASSERT_EQ(marked(0).size(), 1u);
    HsEntry& shown = *marked(0).front();
    EXPECT_EQ(endpoint_identifier(box, shown), "TRUNK-9");
    EXPECT_EQ(path(0)->firstRow(), shown.view.row[0] - 10);
    EXPECT_EQ(node("Port-05").view.open_or_selected[0], 0);
    EXPECT_EQ(marked(1), std::vector<HsEntry*>{find_peer_in_device(*box, shown)});
    // A port is no cross-connect's end: only the left side changes.
    const int right_first = path(1)->firstRow();
    list->setCurrentItem(list->findItems(QStringLiteral("CARRIER-T1-A"), Qt::MatchExactly)[0]);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_NE(node("Port-01").view.marked[0], 0);
    EXPECT_EQ(path(1)->firstRow(), right_first);
    EXPECT_EQ(marked(1).size(), 1u);

    button("unmapBothLeft")->click();
    EXPECT_EQ(rows_on_device(left) + rows_on_device(right), 0);
    EXPECT_TRUE(lines().empty());
    EXPECT_TRUE(list->findItems(QStringLiteral("TRUNK-9"), Qt::MatchStartsWith).isEmpty());
    EXPECT_EQ(demo->presenter.shown.size(), 2u);
}

TEST_F(MapWindowTest, FillsTheWindowAndIsRebuiltByReloadAndLargeFont) {
    MainWindow& window = *demo->window;
    const auto holds_map = [&] {
        // The main window lays its client area out once it gets to its events.
        EXPECT_TRUE(test::wait_for([&] { return map()->y() > 0; }, 2000));
        EXPECT_EQ(window.centralWidget(), map());
        EXPECT_EQ(map()->geometry(), QRect(QPoint(0, window.menuBar()->height()), map()->size()));
        EXPECT_EQ(window.size(),
                  QSize(map()->width(), map()->height() + window.menuBar()->height()));
    };
    const int w = path(0)->width();
    EXPECT_EQ(path(1)->x(), 520);
    EXPECT_EQ(map()->size(), QSize(w + 520 + 190, path(0)->height() + 47));
    holds_map();

    // Cross-connects from a port shown on the left to one hidden on the right, for the
    // lines and their stubs.
    click(0, card(1).row[0]);
    click(0, test::find_node(*box, 1, {"Port-01"}).view.row[0]);
    click(1, card(3).row[1]);
    test::save_screenshot(map(), QStringLiteral("map_window_simple"));
    child<QAction>(&window, "actionSimpleView")->trigger();
    test::save_screenshot(map(), QStringLiteral("map_window_detailed"));

    // "apply" is carried to the next map window; unchecking it empties the identifier.
    child<QCheckBox>(map(), "apply")->click();
    QTest::keyClicks(child<QLineEdit>(map(), "identifier"), QStringLiteral("KEEP"));

    // Large Font makes a new window whose right side starts further right.
    QPointer<MapWindow> before = map();
    child<QAction>(&window, "actionLargeFont")->trigger();
    EXPECT_EQ(before, nullptr);
    EXPECT_EQ(path(1)->x(), 709);
    EXPECT_GT(path(0)->width(), w);
    holds_map();
    EXPECT_EQ(card(1).expanded[0], 0);
    EXPECT_TRUE(child<QCheckBox>(map(), "apply")->isChecked());
    test::save_screenshot(map(), QStringLiteral("map_window_large"));
    child<QCheckBox>(map(), "apply")->click();
    EXPECT_TRUE(child<QLineEdit>(map(), "identifier")->text().isEmpty());
    EXPECT_FALSE(child<QLineEdit>(map(), "identifier")->isEnabled());
    EXPECT_EQ(window.settings().map_endpoint_id, 0);

    // A reload while the window is shown, with paints still pending: the window goes before
    // the trees are read anew, and the new one starts collapsed at the top.
    click(0, card(1).row[0]);
    before = map();
    path(0)->update();
    map()->findChild<GraphWidget*>("graph_win")->update();
    test::ModalAnswer choose([](QWidget* dialog) {
        child<QRadioButton>(dialog, "map2")->click();
        test::press(dialog, QDialogButtonBox::Ok);
    });
    demo->trigger("actionSelectMap");
    ASSERT_TRUE(choose.ran());
    EXPECT_EQ(before, nullptr);
    ASSERT_TRUE(demo->reloaded(1));
    ASSERT_NE(map(), nullptr);
    EXPECT_EQ(card(1).expanded[0], 0);
    EXPECT_EQ(path(0)->firstRow(), 1);
    EXPECT_FALSE(child<QCheckBox>(map(), "apply")->isChecked());
}

} // namespace
} // namespace vornex
