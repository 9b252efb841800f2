#pragma once
// The map window: the main window's client area while a device is open. Two path controls
// show the cards side by side, the cross-connect graph draws between them, the buttons above
// and below the graph map and unmap the two selections, and on the right sit the options of
// a new cross-connect, the identifier to give it and the endpoint index. The window keeps
// the three views in step after every command; the rules themselves live in the core
// (xc/map_controls.h).
//
// It is made from the open device after an opening or reload has read everything and is
// destroyed before the device's trees are freed: it holds pointers into them.

#include "xc/map_controls.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vornex {

struct Box;
struct Settings;
class PathControl;
class GraphWidget;
class EndpointIndex;

class MapWindow : public QWidget {
    Q_OBJECT
public:
    // The left edge of the right path control, which Large Font moves to make room for the
    // wider rows.
    static int right_edge(bool large_font) { return large_font ? 709 : 520; }

    // Builds the window for `box` with the trees collapsed; "apply" starts as `settings`
    // last kept it, and each change of it is kept there.
    MapWindow(Box& box, Settings& settings, bool simple_view, QWidget* parent);
    ~MapWindow() override;

    // Simple View: the graph draws again with or without the stubs of hidden leaves.
    void setSimpleView(bool on);

public slots:
    // The path controls' first rows are read again and the graph redrawn (scrolling,
    // expanding, Simple View, Read All).
    void refresh();
    // Something opened from a path control changed the device: both sides, the graph, the
    // controls and the index are brought up to date.
    void rebuild();
    // A choice in the endpoint index: the endpoint on the left, its far end on the right.
    void showEndpoint(HsEntry* node);

private:
    enum Sides { left_side = 1, right_side = 2, both_sides = 3 };
    // What a map or unmap button does: the operation, the side it names, its cross-connect
    // type and the path controls it renumbers afterwards.
    struct Command {
        bool map;
        int side;
        int xc_type;
        Sides renumber;
    };

    QPushButton* addCommand(const char* text, const char* name, QRect geometry, Command command);
    void run(Command command);
    // Options of a new cross-connect as the operator left them.
    MapOptions options() const;
    // The buttons and options follow the two selections (after a selection drag ends).
    void updateControls();
    void chooseChannel(bool voice);
    void applyToggled(bool checked);

    Box& box_;
    Settings& settings_;
    bool voice_mode_ = false;

    PathControl* left_ = nullptr;
    PathControl* right_ = nullptr;
    GraphWidget* graph_ = nullptr;
    EndpointIndex* index_ = nullptr;

    QPushButton* map_both_ = nullptr;
    QPushButton* map_left_ = nullptr;
    QPushButton* map_right_ = nullptr;
    QPushButton* unmap_left_ = nullptr;
    QPushButton* unmap_both_left_ = nullptr;
    QPushButton* unmap_both_right_ = nullptr;
    QPushButton* unmap_right_ = nullptr;
    QRadioButton* data_ = nullptr;
    QRadioButton* voice_ = nullptr;
    QCheckBox* a_mu_ = nullptr;
    QLabel* sig_conv_label_ = nullptr;
    QLineEdit* sig_conv_ = nullptr;
    QLabel* identifier_label_ = nullptr;
    QPushButton* clear_identifier_ = nullptr;
    QLineEdit* identifier_ = nullptr;
    QCheckBox* apply_ = nullptr;
};

} // namespace vornex
