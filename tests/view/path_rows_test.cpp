// One side of the map view without widgets: the scroll table, showing an endpoint, the row
// texts and the reads the shown leaves need, against the simulator. The selection drags are
// PathControlTest's.
#include "comments/comments.h"
#include "map_fixture.h"
#include "view/path_rows.h"

#include <gtest/gtest.h>
#include <optional>

namespace vornex {
namespace {

struct Scroll {
    ScrollRequest request;
    int first, max, thumb, expected;
};

TEST(ScrollTable, FirstRowAfterEachRequest) {
    using enum ScrollRequest;
    const Scroll table[] = {
        {line_up, 1, 80, 0, 1},     {line_down, 1, 80, 0, 2},
        {line_down, 46, 80, 0, 46}, {line_down, 1, 35, 0, 1},
        {page_up, 20, 80, 0, 1},    {page_down, 1, 80, 0, 36},
        {page_down, 40, 80, 0, 46}, {page_down, 50, 80, 0, 50},
        {page_down, 1, 30, 0, 1},   {thumb, 1, 80, 99, 80},
        {top, 50, 80, 0, 1},        {bottom, 1, 80, 0, 80}, // the last row at the top of the view
    };
    for (const Scroll& s : table)
        EXPECT_EQ(scrolled_first_row(s.request, s.first, s.max, s.thumb), s.expected)
            << static_cast<int>(s.request) << " from " << s.first;
}

class PathRowsTest : public test::MapFixture {
protected:
    void SetUp() override {
        start(R"({"cards": [
            {"slot": 1, "type": "E1-NP", "ports": 3, "unframed": [2], "identifiers": {"1": "LINK-A"}},
            {"slot": 3, "type": "E1-NP", "ports": 1}],
          "cross_connects": [{"dst": "1.1.100.100.100.5", "src": "3.1.100.100.100.5",
                              "type": 2, "channel": 2, "a_mu": 2, "table": 12}]})");
        rows.emplace(*box, 0);
        rows->set_cards();
        sim->clear_requests();
    }

    // Expands the first card and its Port-01: the card on row 1, Port-01 on row 2, its
    // timeslots from row 3, Port-02 (collapsed) after them.
    void open_port_01() {
        EXPECT_FALSE(rows->press(1));
        EXPECT_FALSE(rows->release());
        EXPECT_FALSE(rows->press(2));
        EXPECT_FALSE(rows->release());
    }
    HsEntry& port(const char* name) { return node(1, {name}); }
    HsEntry& ts(int n) { return *port("Port-01").children[n - 1]; }
    // The painted row of a node.
    PathRow shown(const HsEntry& n) const {
        for (const PathRow& row : rows->visible_rows())
            if (row.row == n.view.row[0])
                return row;
        ADD_FAILURE() << "not shown: " << n.name;
        return {};
    }

    std::optional<PathRows> rows;
};

TEST_F(PathRowsTest, ShowEndpointAndTheFirstRowOfExpandAndCollapseAll) {
    // Ten rows above it, unless that is above the first row (the map window test shows one
    // further down).
    rows->show_endpoint(ts(5));
    EXPECT_EQ(rows->first_row(), 1);
    EXPECT_TRUE(shown(ts(5)).marked);
    EXPECT_EQ(port("Port-02").view.open_or_selected[0], 0);
    rows->scroll(ScrollRequest::line_down);
    rows->expand_all();
    EXPECT_EQ(rows->first_row(), 2);
    EXPECT_FALSE(shown(ts(5)).marked);
    rows->collapse_all();
    EXPECT_EQ(rows->first_row(), 1);
    EXPECT_EQ(rows->max_row(), static_cast<int>(box->cards.size()));
}

TEST_F(PathRowsTest, RowsShowLabelsAndNotesOfWhatTheirReadsFound) {
    open_port_01();
    comment_set_map_identifier(*box, ts(6), "FEED-6");
    comment_set_map_identifier(*box, ts(7), "   ");
    ASSERT_EQ(rows->read_shown_leaves(), 0);
    EXPECT_EQ(shown(port("Port-01")).text, " P01:LINK-A");
    EXPECT_EQ(shown(ts(4)).note, "u012"); // the one-way voice cross-connect's destination
    EXPECT_EQ(shown(ts(5)).note, "");
    EXPECT_EQ(shown(ts(6)).text, "06:FEED-6");
    EXPECT_EQ(shown(ts(7)).text, "07:TS-07");
    // The leaf with the cross-connect and its far end were read; nothing hidden was.
    EXPECT_TRUE(node(3, {"Port-01", "TS-04"}).xc_valid);
    EXPECT_FALSE(port("Port-02").children[0]->xc_valid);
    EXPECT_EQ(rows->open_row(ts(5).view.row[0]).path_text, "Trib1, Port-01, TS-05");
    EXPECT_EQ(rows->open_row(1).node, nullptr);
}

TEST_F(PathRowsTest, ADeviceThatStopsAnsweringCostsOneMessagePerRead) {
    open_port_01();
    sim->fail_request(1, "timeout");
    EXPECT_EQ(rows->read_shown_leaves(), 1);
    // One read timed out: one message, and the leaves after it were not tried.
    EXPECT_EQ(presenter.texts(),
              std::vector<std::string>{"!!Communication Error\r\n\r\n\r\nA communication timeout "
                                       "occurred with " +
                                       sim->peer() +
                                       " while reading configuration.\r\n\r\nVerify network "
                                       "connection.\r\nRescan device\r\n"});
    EXPECT_FALSE(ts(1).xc_valid);
    EXPECT_FALSE(ts(4).xc_valid);
    EXPECT_EQ(shown(ts(4)).note, ""); // nothing shown that was not read

    sim->clear_faults();
    EXPECT_EQ(rows->read_shown_leaves(), 0);
    EXPECT_EQ(shown(ts(4)).note, "u012");
}

} // namespace
} // namespace vornex
