#pragma once
// The cross-connect graph between the two path controls, worked out without any window
// system: for every cross-connected leaf shown on one side, the polylines that join its row
// to the row of its far end on the other side. Only the cached cross-connects are used, so
// leaves nobody has read yet are left out until a path control has probed them.

#include <memory>
#include <vector>

namespace vornex {

struct Card;

// Rows of a path control's text window; the graph is exactly that tall.
inline constexpr int graph_visible_rows = 35;

// The two pens of each pair, picked by the parity of the row of the line's left end.
enum class GraphPen { mutual_even, mutual_odd, one_way_even, one_way_odd };

struct GraphPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const GraphPoint&, const GraphPoint&) = default;
};

struct GraphPolyline {
    GraphPen pen = GraphPen::mutual_even;
    std::vector<GraphPoint> points;
};

struct GraphView {
    int left_first = 1; // first visible row of each path control
    int right_first = 1;
    bool simple_view = true; // hidden leaves give a stub on their ancestor's row
    int width = 0;
    int height = 0;
};

// Everything the graph draws for `cards` (whose rows both sides have numbered), clipped to
// the graph's rectangle: the left pass first, then the right pass.
std::vector<GraphPolyline> graph_lines(const std::vector<std::unique_ptr<Card>>& cards,
                                       const GraphView& view);

} // namespace vornex
