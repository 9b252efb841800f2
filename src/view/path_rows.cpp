#include "view/path_rows.h"

#include "device/box.h"
#include "model/card.h"
#include "xc/xc_probe.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace vornex {

namespace {

// Row texts are cut where the row ends; a card's text may run a little further in its own
// font, and the path text of a dialog title has room for more.
constexpr std::size_t card_text_max = 39;
constexpr std::size_t node_text_max = 27;
constexpr std::size_t path_text_max = 79;

// Rows this many above the endpoint shown from the index stay visible above it.
constexpr int rows_above_shown_endpoint = 10;

void number_list(const EndpointList& list, int side, bool shown, int& counter) {
    for (const auto& node : list) {
        if (shown) {
            node->view.row[side] = counter++;
            number_list(node->children, side, node->view.open_or_selected[side] != 0, counter);
        } else {
            node->view.row[side] = counter - 1;
            number_list(node->children, side, false, counter);
        }
    }
}

void for_each_node(const EndpointList& list, const std::function<void(HsEntry&)>& visit) {
    for (const auto& node : list) {
        visit(*node);
        for_each_node(node->children, visit);
    }
}

// Visits the nodes shown on `side` below `list` in row order, with their depth (1 for a
// card's top level); stops when `visit` returns false, and then returns false itself.
bool walk_shown(const EndpointList& list, int side, int depth,
                const std::function<bool(HsEntry&, int)>& visit) {
    for (const auto& node : list) {
        if (!visit(*node, depth))
            return false;
        if (!node->is_leaf() && node->view.open_or_selected[side] != 0 &&
            !walk_shown(node->children, side, depth + 1, visit))
            return false;
    }
    return true;
}

std::string cut(std::string text, std::size_t max) {
    if (text.size() > max)
        text.resize(max);
    return text;
}

bool has_text(const std::optional<std::string>& text) {
    return text && !text->empty();
}

// The leaf's label: the identifier the device keeps, else the operator's identifier for
// the displayed map when it is more than blanks, else the long name.
std::string leaf_label(const Box& box, const HsEntry& leaf) {
    if (has_text(leaf.identifier))
        return *leaf.identifier;
    std::string own = endpoint_identifier(&box, leaf);
    if (own.find_first_not_of(' ') != std::string::npos)
        return own;
    return leaf.name;
}

std::string leaf_note(const HsEntry& leaf) {
    if (!leaf.xc_valid)
        return {};
    std::string note = leaf.a_mu_mode == 2 ? "u" : "";
    if (leaf.sig_conv_table >= 1 && leaf.sig_conv_table <= 256) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%03d", static_cast<int>(leaf.sig_conv_table));
        note += digits;
    }
    return note;
}

bool find_path(const EndpointList& list, int side, int row, std::string& path, HsEntry*& found) {
    for (const auto& node : list) {
        const std::size_t length = path.size();
        path += ", " + node->name;
        if (node->view.row[side] == row) {
            found = node.get();
            return true;
        }
        if (find_path(node->children, side, row, path, found))
            return true;
        path.resize(length);
    }
    return false;
}

} // namespace

int renumber_rows(const CardList& cards, int side) {
    int counter = 1;
    for (const auto& card : cards) {
        card->row[side] = counter++;
        number_list(card->endpoints, side, card->expanded[side] != 0, counter);
    }
    return counter - 1;
}

int scrolled_first_row(ScrollRequest request, int first, int max, int thumb) {
    const int min = 1;
    switch (request) {
    case ScrollRequest::line_up:
        return std::max(first - 1, min);
    case ScrollRequest::line_down:
        return max - min >= path_page && first - 1 + path_page < max ? first + 1 : first;
    case ScrollRequest::page_up:
        return std::max(first - path_page, min);
    case ScrollRequest::page_down:
        if (max - min >= path_page && first + path_page - 1 < max) {
            const int next = first + path_page;
            return next - 1 + path_page > max ? max - path_page + 1 : next;
        }
        return first;
    case ScrollRequest::thumb:
        return std::clamp(thumb, min, std::max(max, min));
    case ScrollRequest::top:
        return min;
    case ScrollRequest::bottom:
        return std::max(max, min);
    }
    return first;
}

PathRows::PathRows(Box& box, int side) : box_(box), side_(side) {}

void PathRows::set_cards() {
    for (const auto& card : box_.cards) {
        card->expanded[side_] = 0;
        for_each_node(card->endpoints, [this](HsEntry& node) {
            node.view.open_or_selected[side_] = 0;
            node.view.marked[side_] = 0;
        });
    }
    selected_count_ = 0;
    first_ = 1;
    renumber();
}

void PathRows::renumber() {
    max_ = renumber_rows(box_.cards, side_);
}

void PathRows::set_expansion(int value) {
    for (const auto& card : box_.cards) {
        card->expanded[side_] = value;
        for_each_node(card->endpoints, [this, value](HsEntry& node) {
            if (!node.is_leaf())
                node.view.open_or_selected[side_] = value;
            node.view.marked[side_] = 0;
        });
    }
    renumber();
}

void PathRows::expand_all() {
    set_expansion(1);
}

void PathRows::collapse_all() {
    set_expansion(0);
    first_ = 1;
}

void PathRows::show_endpoint(HsEntry& node) {
    collapse_all();
    node.view.marked[side_] = 1;
    if (node.card != nullptr)
        node.card->expanded[side_] = 1;
    for (HsEntry* above = node.parent; above != nullptr; above = above->parent) {
        above->view.open_or_selected[side_] = 1;
    }
    renumber();
    const int row = node.view.row[side_];
    first_ = row > rows_above_shown_endpoint ? row - rows_above_shown_endpoint : 1;
}

void PathRows::scroll(ScrollRequest request, int thumb) {
    first_ = scrolled_first_row(request, first_, max_, thumb);
}

int PathRows::row_at(int y, int row_height) const {
    return first_ + y / row_height;
}

bool PathRows::press(int row) {
    left_down_ = true;
    click(row, true);
    return selecting_;
}

bool PathRows::drag(int row) {
    if (!left_down_ || !selecting_ || row == current_)
        return false;
    click(row, false);
    return true;
}

bool PathRows::release() {
    left_down_ = false;
    const bool done = selecting_;
    selecting_ = false;
    return done;
}

void PathRows::click(int row, bool new_click) {
    // Every leaf whose row lies in the dragged range is selected, those hidden under a
    // collapsed card or node included: they carry its row.
    auto select_range = [this] {
        const int low = std::min(anchor_, current_), high = std::max(anchor_, current_);
        selected_count_ = 0;
        for (const auto& card : box_.cards) {
            for_each_node(card->endpoints, [&](HsEntry& node) {
                if (!node.is_leaf())
                    return;
                const int r = node.view.row[side_];
                const bool in = r >= low && r <= high;
                node.view.open_or_selected[side_] = in;
                selected_count_ += in;
            });
        }
    };
    std::function<bool(const EndpointList&)> search = [&](const EndpointList& list) {
        for (const auto& node : list) {
            if (node->view.row[side_] != row) {
                if (search(node->children))
                    return true;
                continue;
            }
            if (node->is_leaf()) {
                if (new_click) {
                    selecting_ = true;
                    anchor_ = row;
                }
                if (selecting_) {
                    current_ = row;
                    select_range();
                }
            } else if (selecting_) {
                selecting_ = false; // the drag ends here: no done notification follows
            } else {
                node->view.open_or_selected[side_] ^= 1;
            }
            return true;
        }
        return false;
    };
    for (const auto& card : box_.cards) {
        if (card->row[side_] == row) {
            if (selecting_) {
                selecting_ = false;
            } else {
                card->expanded[side_] ^= 1;
            }
        } else if (search(card->endpoints)) {
            break;
        }
    }
    renumber();
}

OpenedRow PathRows::open_row(int row) const {
    for (const auto& card : box_.cards) {
        if (card->row[side_] == row)
            return {};
        std::string path = slot_name(box_, *card);
        HsEntry* found = nullptr;
        if (find_path(card->endpoints, side_, row, path, found)) {
            return {found, cut(path, path_text_max)};
        }
    }
    return {};
}

int PathRows::read_shown_leaves() {
    auto read = [this](HsEntry& node, int) {
        if (!node.is_leaf() || !visible(node.view.row[side_]))
            return true;
        bool failed = false;
        xc_read_leaf(box_, node, failed);
        return !failed;
    };
    for (const auto& card : box_.cards) {
        if (card->expanded[side_] && !walk_shown(card->endpoints, side_, 1, read))
            return 1;
    }
    return 0;
}

std::vector<PathRow> PathRows::visible_rows() const {
    std::vector<PathRow> rows;
    auto add = [&](HsEntry& n, int depth) {
        if (!visible(n.view.row[side_]))
            return true;
        PathRow row;
        row.row = n.view.row[side_];
        row.marked = n.view.marked[side_] != 0;
        const bool open = n.view.open_or_selected[side_] != 0;
        if (n.is_leaf()) {
            row.indent = depth - 1;
            row.text = cut(n.short_name + ":" + leaf_label(box_, n), node_text_max);
            row.selected = open;
            row.note = leaf_note(n);
        } else {
            row.indent = depth;
            row.glyph = open ? RowGlyph::expanded : RowGlyph::collapsed;
            row.text = cut(has_text(n.identifier) ? " " + n.short_name + ":" + *n.identifier
                                                  : " " + n.name,
                           node_text_max);
        }
        rows.push_back(std::move(row));
        return true;
    };
    for (const auto& card : box_.cards) {
        const bool open = card->expanded[side_] != 0;
        if (visible(card->row[side_])) {
            PathRow row;
            row.row = card->row[side_];
            row.card = true;
            // A card without endpoints keeps its cross whether or not it was clicked open.
            row.glyph = card->endpoints.empty() ? RowGlyph::no_endpoints
                        : open                  ? RowGlyph::expanded
                                                : RowGlyph::collapsed;
            row.text = cut(std::string(" ") + slot_name(box_, *card) + ": " + card->type_name,
                           card_text_max);
            rows.push_back(std::move(row));
        }
        if (open)
            walk_shown(card->endpoints, side_, 1, add);
    }
    return rows;
}

std::vector<std::string> setup_entries(const HsEntry& node) {
    const bool sonet = node.card != nullptr && node.card->sonet();
    switch (node.setup) {
    case SetupDialog::none:
        return {};
    case SetupDialog::t1_port:
    case SetupDialog::e1_port:
        return {"Customer Info", "Line Interface Setup"};
    case SetupDialog::t3_port:
        return {"Customer Info", "Line Interface Type Setup"};
    case SetupDialog::t3_channel:
        return {"Channel Framer Setup"};
    case SetupDialog::stm_port:
        return {"Line Overhead Setup", "Customer Information Setup"};
    case SetupDialog::aug:
        if (sonet)
            return {"HO-Path Granularity Setup"};
        return {"HO-Path Granularity Setup", "HO-Path Overhead Setup"};
    case SetupDialog::ho_node:
        if (!sonet)
            return {"LO-Path Granularity Setup"};
        return {"LO-Path Granularity Setup", "HO-Path/STS-Path Overhead Setup"};
    case SetupDialog::lo_path: {
        // The framer dialog exists for a path of a 28-path (T1) or 21-path (E1) group only.
        const std::size_t paths = node.parent != nullptr ? node.parent->child_count() : 0;
        if (paths == 28 || paths == 21)
            return {"LO-Path Overhead Setup", "PDH Framer Setup"};
        return {"LO-Path Overhead Setup"};
    }
    }
    return {};
}

} // namespace vornex
