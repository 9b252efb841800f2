#include "comments/comments.h"
#include "two_card_box.h"
#include "view/endpoint_index.h"
#include "view/graph_lines.h"

#include <functional>
#include <gtest/gtest.h>

namespace vornex {
namespace {

using test::TwoCardBox;

// "M1 2,24 22,24": the pen (Mutual or One-way, then the parity) and the points.
std::vector<std::string> describe(const std::vector<GraphPolyline>& lines) {
    std::vector<std::string> out;
    for (const GraphPolyline& line : lines) {
        const int pen = static_cast<int>(line.pen);
        std::string text = (pen < 2 ? "M" : "O") + std::to_string(pen % 2);
        for (const GraphPoint& p : line.points)
            text += " " + std::to_string(p.x) + "," + std::to_string(p.y);
        out.push_back(text);
    }
    return out;
}

// A 60 by 350 graph: row pitch 10, half pitch 5.
TEST(GraphLines, BothPassesByTheDrawingRules) {
    struct Case {
        const char* name;
        std::function<void(TwoCardBox&)> setup;
        GraphView view;
        std::vector<std::string> expected;
    };
    const auto first_pair = [](TwoCardBox& t) { t.pair(*t.leaf[0][0], *t.leaf[1][0]); };
    const auto collapsed = [&](TwoCardBox& t) {
        t.ports[0]->view.open_or_selected[0] = 0;
        first_pair(t);
    };
    const Case cases[] = {
        {"mutual, voice at one end: each end drawn from both passes",
         [](TwoCardBox& t) { t.pair(*t.leaf[0][0], *t.leaf[1][1], 2); },
         {1, 1, true, 60, 350},
         {"M1 6,20 2,24 7,29", "M1 2,24 12,24 14,21 16,27 18,24 22,24 38,94 58,94",
          "M0 6,90 2,94 7,99", "M0 2,94 22,94 38,24 42,24 44,27 46,21 48,24 58,24",
          "M0 54,20 58,24 53,29", "M0 2,94 22,94 38,24 42,24 44,27 46,21 48,24 58,24",
          "M1 54,90 58,94 53,99", "M1 2,24 12,24 14,21 16,27 18,24 22,24 38,94 58,94"}},
        {"one-way, inset and lower with a bar; unread leaves are left out",
         [](TwoCardBox& t) {
             TwoCardBox::connect(*t.leaf[0][1], *t.leaf[1][2]);
             TwoCardBox::connect(*t.leaf[0][3], *t.leaf[1][3]);
             t.leaf[0][3]->xc_valid = false;
         },
         {1, 5, true, 60, 350},
         {"O0 11,33 7,37 12,42", "O0 7,34 7,41", "O0 7,37 27,37 33,67 53,67"}},
        {"collapsed port, Simple View on: a stub on the port's row",
         collapsed,
         {1, 1, true, 60, 350},
         {"M0 6,10 2,14 7,19", "M0 2,14 9,14", "M1 6,40 2,44 7,49", "M1 2,44 22,44 38,24 58,24",
          "M1 54,20 58,24 53,29", "M1 2,44 22,44 38,24 58,24", "M0 54,80 58,84 53,89",
          "M0 2,14 22,14 38,84 58,84"}},
        {"collapsed port, Simple View off: the full line from the port's row",
         collapsed,
         {1, 1, false, 60, 350},
         {"M0 6,10 2,14 7,19", "M0 2,14 22,14 38,84 58,84", "M1 6,40 2,44 7,49",
          "M1 2,44 22,44 38,24 58,24", "M1 54,20 58,24 53,29", "M1 2,44 22,44 38,24 58,24",
          "M0 54,80 58,84 53,89", "M0 2,14 22,14 38,84 58,84"}},
        {"far ends scrolled out of view: drawn from the left only, clipped at the top",
         first_pair,
         {1, 20, true, 60, 350},
         {"M1 6,20 2,24 7,29", "M1 2,24 22,24 25,0", "M1 6,80 2,84 7,89", "M1 2,84 22,84 28,0"}},
    };
    for (const Case& c : cases) {
        TwoCardBox t;
        t.expand_all();
        c.setup(t);
        t.renumber();
        EXPECT_EQ(describe(graph_lines(t.box.cards, c.view)), c.expected) << c.name;
    }
}

TEST(EndpointIndexRows, NamedNodesSortedIgnoringCaseWithNeighbouringDuplicatesOnce) {
    TwoCardBox t;
    t.ports[0]->identifier = "   ";
    t.ports[1]->identifier = "Gamma-link";
    const char* leaf_ids[2][4] = {{"Alpha", "Alpha", "beta", "Alpha"}, {"alpha", "", "", ""}};
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 4; ++i)
            ASSERT_EQ(comment_set_map_identifier(t.box, *t.leaf[c][i], leaf_ids[c][i]), 0);
    std::vector<std::pair<std::string, HsEntry*>> rows;
    for (const IndexRow& row : fill_endpoint_index(t.box.cards, &t.box))
        rows.emplace_back(row.text, row.node);
    const decltype(rows) expected = {{"Alpha", t.leaf[0][0]},
                                     {"Alpha", t.leaf[0][3]},
                                     {"alpha", t.leaf[1][0]},
                                     {"beta", t.leaf[0][2]},
                                     {"Gamma-link", t.ports[1]}};
    EXPECT_EQ(rows, expected);
}

TEST(EndpointIndexSearch, EndWrapDirectionChangeAndEdits) {
    const std::vector<IndexRow> rows = {{"Alpha"}, {"Beta-x"}, {"gamma"}, {"xbeta"}};
    struct Step {
        const char* text; // null: the text is edited to the next step's text
        bool substring;
        int direction;
        int row;
        IndexStatus status;
    };
    const Step steps[] = {
        {"beta", false, 1, 1, IndexStatus::none}, // no focused row: the first row is tested
        {"beta", false, 1, -1, IndexStatus::end},
        {"beta", false, 1, 1, IndexStatus::wrap},  // the same button again wraps around
        {nullptr, false, 1, 0, IndexStatus::none}, // after an edit the focused row comes first
        {"beta-", false, 1, 1, IndexStatus::none},
        {"beta", true, 1, 3, IndexStatus::none},
        {"beta", true, 1, -1, IndexStatus::end},
        {"beta", true, -1, 1, IndexStatus::none}, // the other button: a new direction, no wrap
    };
    IndexSearch search;
    int focused = -1;
    for (const Step& step : steps) {
        if (step.text == nullptr) {
            search.edited();
            continue;
        }
        const IndexSearchResult result =
            search.search(rows, focused, step.text, step.substring, step.direction);
        EXPECT_EQ(result.row, step.row) << step.text;
        EXPECT_EQ(result.status, step.status) << step.text;
        EXPECT_EQ(result.beep, step.status == IndexStatus::end) << step.text;
        focused = result.row >= 0 ? result.row : focused;
    }
    EXPECT_FALSE(search.search(rows, focused, "", false, 1).searched);
    EXPECT_FALSE(search.search({}, -1, "a", false, 1).searched);
}

} // namespace
} // namespace vornex
