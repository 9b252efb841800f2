#pragma once
// "Set Endpoint Information": shows and edits one endpoint's identifier (one for every map,
// or one per map) and comment. The texts are checked here because the comment file keeps
// every value between double quotes without escapes. While another copy of the program
// holds the comment file's lock the information is shown but cannot be changed.

#include "gui/app/simple_dialog.h"

#include <string>

class QCheckBox;
class QLineEdit;

namespace vornex {

struct Box;
struct HsEntry;

class EndpointInfoDialog : public SimpleDialog {
    Q_OBJECT
public:
    // `name` is the endpoint's name as the map window shows it.
    EndpointInfoDialog(QWidget* owner, Box& box, const std::string& name, const HsEntry& endpoint);

    void accept() override;

private:
    Box& box_;
    const HsEntry& endpoint_;
    QCheckBox* map_specific_;
    QLineEdit* identifier_;
    QLineEdit* comment_;
    QLineEdit* map_identifiers_[3]; // maps 2 to 4
};

// Modal; 1 when the information was stored ("OK"), 2 for "Cancel".
int endpoint_info_dialog(QWidget* owner, Box& box, const std::string& name,
                         const HsEntry& endpoint);

// comment_text_acceptable for a field's text.
bool endpoint_text_acceptable(const QString& text);

} // namespace vornex
