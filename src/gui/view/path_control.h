#pragma once
// One side of the map window: the device's cards as 35 fixed-height rows of an expandable
// tree, with a scroll bar on the outer side, the selected count above it and the "Expand
// All" and "Collapse All" buttons. The operator selects a run of leaves by pressing and
// dragging and opens a row's dialogs by right-clicking it. What the rows show is worked
// out by PathRows; the cross-connects of the shown leaves are read before the rows are
// painted, never while they are.

#include "view/path_rows.h"

#include <QFont>
#include <QWidget>
#include <memory>

class QLabel;
class QScrollBar;

namespace vornex {

struct Box;
struct HsEntry;
class PathText;

class PathControl : public QWidget {
    Q_OBJECT
public:
    // Side 0 is the left control, side 1 the right. The control gives itself its size.
    PathControl(Box& box, int side, bool large_font, QWidget* parent);
    ~PathControl() override;

    // Collapses every card and node of this side and shows the first row at the top.
    void setCards();
    int firstRow() const;
    // Numbers the rows again, reads what the shown leaves need and repaints.
    void renumber();
    // Brings `node` into view with its marker (a choice in the endpoint index).
    void showEndpoint(HsEntry& node);

    const PathRows& rows() const { return rows_; }
    int rowHeight() const { return row_height_; }

signals:
    // Expansion or scrolling changed what is shown: the graph follows.
    void toggled();
    // A selection drag ended on a leaf: the map window's controls follow.
    void selectionDone();
    // A dialog opened from a row changed the device: the map window rebuilds.
    void changed();

private:
    friend class PathText;
    class Listener;

    // The device's change notifications: re-read and repaint, or let go of freed trees.
    void deviceChanged(unsigned flags);
    // Reads the shown leaves, sets the scroll bar and repaints.
    void refresh();
    // A scroll bar action; `scroll` applies a request `times` over, then repaints once.
    void scrolled(int action);
    void scroll(ScrollRequest request, int times = 1);
    void showCount();
    void openRow(int row, const QPoint& global);
    void paintRows(QPainter& painter) const;

    Box& box_;
    PathRows rows_;
    QFont bold_;
    QFont normal_;
    QFont small_;
    bool large_font_;
    int digit_width_ = 0;
    int row_height_ = 0;
    // Set when the device's cards were read anew under this control: it then draws and
    // reads nothing until it is given the new cards.
    bool detached_ = false;
    QLabel* count_ = nullptr;
    QScrollBar* scroll_bar_ = nullptr;
    PathText* text_ = nullptr;
    std::unique_ptr<Listener> listener_;
};

} // namespace vornex
