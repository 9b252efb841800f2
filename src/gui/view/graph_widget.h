#pragma once
// The cross-connect graph: the strip between the two path controls of the map window that
// joins every shown cross-connected row to the row of its far end. It draws the cross-
// connects the path controls have already read and never asks the device for anything.

#include <QWidget>

namespace vornex {

struct Box;

class GraphWidget : public QWidget {
    Q_OBJECT
public:
    // The map window gives the graph its fixed size; the row pitch is its height / 35.
    GraphWidget(Box& box, QWidget* parent);

    // The first visible row of the left and right path control.
    void setFirstRows(int left, int right);
    // Simple View on: leaves hidden under a collapsed row give a short stub on that row.
    void setSimpleView(bool on);
    // Clears and draws again (the map window's refresh).
    void redraw();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Box& box_;
    int left_first_ = 1;
    int right_first_ = 1;
    bool simple_view_ = true;
};

} // namespace vornex
