#pragma once
// The rows of one side of the map view, worked out without any window system. Every card
// and every shown node gets a row number, counted from 1 down the side; a node hidden
// under a collapsed card or node carries the row of its nearest shown ancestor, so a drag
// over a collapsed row reaches the leaves under it and the graph can tell what is visible.

#include <memory>
#include <string>
#include <vector>

namespace vornex {

struct Box;
struct Card;
struct HsEntry;

using CardList = std::vector<std::unique_ptr<Card>>;

// Numbers `side` of every card's tree by its cards' and nodes' expansion; returns the
// number of rows the side shows (its maximum row).
int renumber_rows(const CardList& cards, int side);

// A path control always shows this many rows.
inline constexpr int path_page = 35;

// The scroll requests of a path control's scroll bar.
enum class ScrollRequest { line_up, line_down, page_up, page_down, thumb, top, bottom };

// The first visible row after `request`, the rows running from 1 to `max`; `thumb` is the
// thumb's position for ScrollRequest::thumb. "bottom" puts the last row at the top.
int scrolled_first_row(ScrollRequest request, int first, int max, int thumb = 0);

// The 9 x 9 glyph in front of a row's text.
enum class RowGlyph { none, expanded, collapsed, no_endpoints };

// One painted row: what the path control draws, without pixels.
struct PathRow {
    int row = 0;
    int indent = 0;    // in steps of two digit widths
    bool card = false; // drawn in the bold font
    RowGlyph glyph = RowGlyph::none;
    std::string text;
    bool selected = false; // a leaf drawn with the selection colour behind its text
    bool marked = false;   // the marker of an endpoint brought into view from the index
    std::string note;      // leaves: "u" for A-law/mu-law conversion, then "%03d" of the table
};

// What a right click on a row opens: the node, and its path text ("Trib1, Port-01, TS-05").
struct OpenedRow {
    HsEntry* node = nullptr;
    std::string path_text;
};

// One side of the map view: its first visible row, its expansion, marks and the selection
// drag. It works on the view fields of the box's cards and nodes for its side, and reads
// the cross-connects the shown leaves need before the front end paints them.
class PathRows {
public:
    PathRows(Box& box, int side);

    int first_row() const { return first_; }
    int max_row() const { return max_; }
    int selected_count() const { return selected_count_; }
    bool selecting() const { return selecting_; }

    // Collapses every card and node of this side, numbers the rows, first row 1.
    void set_cards();
    // Numbers the rows again from the expansion (after a command or a dialog).
    void renumber();
    // Every card and inner node expanded (the first row kept) or collapsed (first row 1);
    // marks are cleared, leaf selections kept.
    void expand_all();
    void collapse_all();
    // Collapses all, marks `node`, expands its card and ancestors and puts it on the
    // eleventh visible row (or leaves the view at the top when its row is 10 or less).
    void show_endpoint(HsEntry& node);
    void scroll(ScrollRequest request, int thumb = 0);

    // The row under a point `y` pixels below the top of the rows.
    int row_at(int y, int row_height) const;
    // A left button press on `row`: toggles a card or inner node, or starts a selection on
    // a leaf. True when it started a selection.
    bool press(int row);
    // The pointer moved onto `row` with the button held: extends the selection over the
    // leaves between the anchor and `row` (hidden ones under a collapsed row included); a
    // card or inner row ends the drag. True when anything changed.
    bool drag(int row);
    // The button went up: true when a selection is done (the map window's controls follow).
    bool release();

    // The node a right click on `row` opens, with its path text; no node on card rows and
    // rows without a node.
    OpenedRow open_row(int row) const;

    // Reads, by the use rule, the cross-connects of the leaves on the visible rows and of
    // their far ends. Stops at the first failed read (already shown to the operator), so
    // a device that stops answering costs one time-out per call; 1 then.
    int read_shown_leaves();
    // The visible rows in order, from what is cached: no device access.
    std::vector<PathRow> visible_rows() const;

private:
    bool visible(int row) const { return row >= first_ && row < first_ + path_page; }
    void click(int row, bool new_click);
    void set_expansion(int value);

    Box& box_;
    int side_;
    int first_ = 1;
    int max_ = 0;
    int anchor_ = 0;
    int current_ = 0;
    int selected_count_ = 0;
    bool left_down_ = false;
    bool selecting_ = false;
};

// The entries of the popup a right click on a configurable node opens, in menu order.
std::vector<std::string> setup_entries(const HsEntry& node);

} // namespace vornex
