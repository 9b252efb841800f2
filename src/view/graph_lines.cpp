#include "view/graph_lines.h"

#include "model/card.h"
#include "view/path_rows.h"
#include "xc/xc_probe.h"

#include <cstdint>
#include <set>
#include <unordered_map>

namespace vornex {

namespace {

constexpr std::uint8_t voice = 2;

// One cross-connect end as a pass sees it, in graph coordinates.
struct Connector {
    int left_row;  // counted from the left control's first visible row
    int right_row; // counted from the right control's first visible row
    int parity_row;
    bool mutual;
    bool stub;
    bool left_voice;
    bool right_voice;
    bool arrow_right; // the arrowhead sits at the right end (the right pass)

    auto operator<=>(const Connector&) const = default;
};

class LineBuilder {
public:
    LineBuilder(const GraphView& view, std::vector<GraphPolyline>& out)
        : view_(view), pitch_(view.height / graph_visible_rows), half_(pitch_ / 2), out_(out) {}

    void connector(const Connector& c) {
        // The leaves under one collapsed row give the same connector many times over.
        if (!drawn_.insert(c).second) {
            return;
        }
        const int a = c.mutual ? 2 : 7;
        const int b = view_.width - a;
        const int e = c.mutual ? -1 : 2;
        const int left_y = pitch_ * c.left_row + half_ + e;
        const int right_y = pitch_ * c.right_row + half_ + e;
        const bool odd = (c.parity_row % 2) != 0;
        pen_ = c.mutual ? (odd ? GraphPen::mutual_odd : GraphPen::mutual_even)
                        : (odd ? GraphPen::one_way_odd : GraphPen::one_way_even);
        if (c.arrow_right) {
            const int t = right_y;
            add({{b - 4, t - 4}, {b, t}, {b - 5, t + 5}});
            if (!c.mutual) {
                add({{b, t - 3}, {b, t + 4}});
            }
            if (c.stub) {
                add({{b - 7, t}, {b, t}});
                return;
            }
        } else {
            const int t = left_y;
            add({{a + 4, t - 4}, {a, t}, {a + 5, t + 5}});
            if (!c.mutual) {
                add({{7, t - 3}, {7, t + 4}});
            }
            if (c.stub) {
                add({{a, t}, {a + 7, t}});
                return;
            }
        }
        std::vector<GraphPoint> line{{a, left_y}};
        if (c.left_voice) {
            line.insert(
                line.end(),
                {{a + 10, left_y}, {a + 12, left_y - 3}, {a + 14, left_y + 3}, {a + 16, left_y}});
        }
        line.insert(line.end(), {{a + 20, left_y}, {b - 20, right_y}});
        if (c.right_voice) {
            line.insert(line.end(), {{b - 16, right_y},
                                     {b - 14, right_y + 3},
                                     {b - 12, right_y - 3},
                                     {b - 10, right_y}});
        }
        line.push_back({b, right_y});
        add(std::move(line));
    }

private:
    // Keeps the parts of `points` inside the graph, one polyline per stretch inside.
    void add(std::vector<GraphPoint> points) {
        GraphPolyline piece{pen_, {}};
        auto flush = [&] {
            if (piece.points.size() >= 2) {
                out_.push_back(piece);
            }
            piece.points.clear();
        };
        for (std::size_t i = 0; i + 1 < points.size(); ++i) {
            GraphPoint p = points[i];
            GraphPoint q = points[i + 1];
            if (!clip(p, q)) {
                flush();
                continue;
            }
            if (piece.points.empty() || !(piece.points.back() == p)) {
                flush();
                piece.points.push_back(p);
            }
            piece.points.push_back(q);
            if (!(q == points[i + 1])) {
                flush();
            }
        }
        flush();
    }

    // Cuts the segment p-q to the rows the graph shows (its x always lies inside); false
    // when nothing of it is left.
    bool clip(GraphPoint& p, GraphPoint& q) const {
        const int top = 0;
        const int bottom = view_.height - 1;
        if ((p.y < top && q.y < top) || (p.y > bottom && q.y > bottom)) {
            return false;
        }
        auto cut = [&](GraphPoint& end, const GraphPoint& other) {
            const int y = end.y < top ? top : bottom;
            // x where the segment crosses y, in integer arithmetic.
            end.x = end.x + (other.x - end.x) * (y - end.y) / (other.y - end.y);
            end.y = y;
        };
        if (p.y < top || p.y > bottom) {
            cut(p, q);
        }
        if (q.y < top || q.y > bottom) {
            cut(q, p);
        }
        return true;
    }

    const GraphView& view_;
    const int pitch_;
    const int half_;
    std::vector<GraphPolyline>& out_;
    GraphPen pen_ = GraphPen::mutual_even;
    std::set<Connector> drawn_;
};

// The far ends of leaves, as find_peer_in_device finds them: the first node in card order
// and then depth first whose address is the peer's, on a card of the peer's slot. A paint
// may look up thousands of leaves hidden under a collapsed card, so the nodes are indexed
// once per paint instead of searched each time.
class FarEnds {
public:
    explicit FarEnds(const CardList& cards) : cards_(cards) {}

    const HsEntry* of(const HsEntry& leaf) {
        if (!built_) {
            for (const auto& card : cards_) {
                add(card->endpoints, card->address_slot);
            }
            built_ = true;
        }
        const auto found = nodes_.find(key(leaf.peer));
        return found != nodes_.end() ? found->second : nullptr;
    }

private:
    static std::uint64_t key(const EndpointAddress& address) {
        std::uint64_t packed = 0;
        for (std::uint8_t byte : address) {
            packed = packed << 8 | byte;
        }
        return packed;
    }

    void add(const EndpointList& list, std::uint8_t slot) {
        for (const auto& node : list) {
            if (node->address[0] == slot) {
                nodes_.emplace(key(node->address), node.get());
            }
            add(node->children, slot);
        }
    }

    const CardList& cards_;
    std::unordered_map<std::uint64_t, const HsEntry*> nodes_;
    bool built_ = false;
};

class Pass {
public:
    Pass(const CardList& cards, FarEnds& far_ends, const GraphView& view, LineBuilder& lines,
         int side)
        : cards_(cards), far_ends_(far_ends), view_(view), lines_(lines), side_(side),
          first_(side == 0 ? view.left_first : view.right_first) {}

    void run() {
        for (const auto& card : cards_) {
            if (card->row[side_] >= first_ + graph_visible_rows) {
                return;
            }
            walk(card->endpoints, card->expanded[side_] != 0);
        }
    }

private:
    // Rows grow down the walk and a hidden node shares its ancestor's row, so the walk ends
    // at the first shown row below the view and skips hidden subtrees outside it.
    // Returns false once the walk has passed the view.
    bool walk(const EndpointList& list, bool shown) {
        for (const auto& node : list) {
            const int row = node->view.row[side_];
            if (row >= first_ + graph_visible_rows) {
                return false;
            }
            if (!shown && row < first_) {
                continue;
            }
            if (!node->is_leaf()) {
                if (!walk(node->children, shown && node->view.open_or_selected[side_] != 0)) {
                    return false;
                }
            } else if (row >= first_) {
                leaf(*node, shown);
            }
        }
        return true;
    }

    void leaf(const HsEntry& n, bool shown) {
        if (!n.xc_valid || !is_connected(n)) {
            return;
        }
        const HsEntry* f = far_ends_.of(n);
        if (f == nullptr) {
            return;
        }
        const bool mutual = f->xc_valid && is_connected(*f) && far_ends_.of(*f) == &n;
        const bool stub = !shown && view_.simple_view;
        const HsEntry& left = side_ == 0 ? n : *f;
        const HsEntry& right = side_ == 0 ? *f : n;
        lines_.connector({left.view.row[0] - view_.left_first,
                          right.view.row[1] - view_.right_first, left.view.row[0], mutual, stub,
                          left.channel_type == voice, right.channel_type == voice, side_ == 1});
    }

    const CardList& cards_;
    FarEnds& far_ends_;
    const GraphView& view_;
    LineBuilder& lines_;
    const int side_;
    const int first_;
};

} // namespace

std::vector<GraphPolyline> graph_lines(const CardList& cards, const GraphView& view) {
    std::vector<GraphPolyline> out;
    LineBuilder lines(view, out);
    FarEnds far_ends(cards);
    for (int side = 0; side < 2; ++side) {
        Pass(cards, far_ends, view, lines, side).run();
    }
    return out;
}

} // namespace vornex
