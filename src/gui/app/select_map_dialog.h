#pragma once
// "Select Map": chooses which of the device's two maps the program shows and edits. At
// device open it has no Cancel; "Select Displayed Map" shows it with Cancel.

#include "gui/app/simple_dialog.h"

class QRadioButton;

namespace vornex {

struct Box;

class SelectMapDialog : public SimpleDialog {
    Q_OBJECT
public:
    SelectMapDialog(QWidget* owner, Box& box, bool show_cancel);

    void accept() override;

private:
    Box& box_;
    QRadioButton* map2_;
};

// 1 when the box's displayed map was changed, else 2.
int select_map_dialog(QWidget* owner, Box& box, bool show_cancel);

} // namespace vornex
