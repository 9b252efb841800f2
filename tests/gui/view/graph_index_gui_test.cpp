#include "comments/comments.h"
#include "gui/view/endpoint_index.h"
#include "gui/view/graph_widget.h"
#include "modal_helper.h"
#include "two_card_box.h"
#include "view/graph_lines.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace vornex {
namespace {

using test::TwoCardBox;

TEST(EndpointIndexWidget, SearchesChoosesAndFollowsIdentifierChanges) {
    TwoCardBox t;
    const char* ids[] = {"Zurich-2", "Bern-1", "Basel-7", "bern-9"};
    for (int i = 0; i < 4; ++i)
        comment_set_map_identifier(t.box, *t.leaf[i % 2][i], ids[i]);
    EndpointIndex index(t.box, nullptr);
    index.resize(174, 298);
    index.show();
    auto* list = index.findChild<QListWidget*>(QStringLiteral("index_list"));
    auto* text = index.findChild<QLineEdit*>(QStringLiteral("search_text"));
    auto* next = index.findChild<QPushButton*>(QStringLiteral("next"));
    auto* status = index.findChild<QLineEdit*>(QStringLiteral("search_status"));
    ASSERT_EQ(list->count(), 4); // in the order of EndpointIndexRows
    EXPECT_FALSE(next->isEnabled());

    QTest::keyClicks(text, QStringLiteral("bern"));
    EXPECT_TRUE(next->isEnabled());
    QTest::keyClick(text, Qt::Key_Return); // Enter is Next
    EXPECT_EQ(list->currentRow(), 1);
    next->click();
    next->click();
    EXPECT_EQ(list->currentRow(), 2);
    EXPECT_EQ(status->text(), QStringLiteral("end"));
    test::save_screenshot(&index, QStringLiteral("endpoint_index"));

    QSignalSpy chosen(&index, &EndpointIndex::chosen);
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0][0].value<HsEntry*>(), t.leaf[1][3]);

    comment_set_map_identifier(t.box, *t.leaf[1][0], "Aarau");
    t.box.changes.notify(change_comments);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("Aarau"));
}

TEST(GraphWidgetTest, DrawsTheCachedCrossConnectsWithTheirPens) {
    TwoCardBox t;
    t.expand_all();
    t.pair(*t.leaf[0][0], *t.leaf[1][1], 2);
    TwoCardBox::connect(*t.leaf[0][1], *t.leaf[1][0]);
    t.pair(*t.leaf[0][2], *t.leaf[1][2]);
    t.ports[0]->view.open_or_selected[1] = 0; // the left card's port collapsed on the right
    t.renumber();
    GraphWidget graph(t.box, nullptr);
    graph.setFixedSize(230, 14 * graph_visible_rows + 2);
    graph.show();
    for (bool simple : {true, false}) {
        graph.setSimpleView(simple);
        const QImage image = graph.grab().toImage();
        test::save_screenshot(&graph, simple ? QStringLiteral("graph_simple")
                                             : QStringLiteral("graph_full"));
        // Row pitch 14: the mutual arrow tip on row 3 (odd pen), the one-way bar on row 4.
        EXPECT_EQ(image.pixelColor(2, 14 * 2 + 7 - 1), QColor(Qt::black));
        EXPECT_EQ(image.pixelColor(7, 14 * 3 + 7 + 2), QColor(219, 73, 20));
    }
}

} // namespace
} // namespace vornex
