#pragma once
// The line and path configuration dialogs of the map view. Every one is built by the same
// LineDialog from the core's tables (the groups, radios and lists of a settings group, the
// trace modes of an overhead group, the granularity radios) and ends through the core's
// OK: a refused input keeps the dialog open, anything else ends it with OK.

#include "gui/app/simple_dialog.h"
#include "lineconf/line_setup.h"

#include <functional>
#include <string>
#include <vector>

class QBoxLayout;
class QButtonGroup;
class QComboBox;
class QLabel;
class QGridLayout;
class QLineEdit;
class QPoint;
class QVBoxLayout;

namespace vornex {

struct Box;

class LineDialog : public SimpleDialog {
    Q_OBJECT
public:
    // Captioned "<caption> - <path text>".
    LineDialog(QWidget* owner, const std::string& caption, const std::string& path_text);

    // A group box of radios, one per label, the one at `checked` checked (none for -1).
    QButtonGroup* add_radios(const QString& title, const std::vector<QString>& labels, int checked,
                             bool enabled);
    // The 16 OOS patterns with the line of `value` selected; returns the list's getter.
    std::function<int()> add_oos_list(const QString& title, long value);
    // A labelled edit (read only unless `editable`).
    QLineEdit* add_edit(const QString& label, const QString& text, bool editable, const char* name);
    // A right-aligned line of text under the fields (the length hint).
    QLabel* add_note(const char* name);
    // A labelled empty combo box for the caller to fill.
    QComboBox* add_combo(const QString& label, const char* name);
    // "Apply Setting to:" (or `title`) with the unit's label and the from/through edits, both
    // showing `own` as "%02d".
    void add_range(const QString& title, const QString& unit, int own);
    int range_from() const;
    int range_to() const;
    // Starts a new column of groups.
    void next_column();

    // What OK does; refused keeps the dialog open.
    std::function<apply_result()> on_ok;

    void accept() override;

private:
    QLabel* caption_label(const QString& label);
    QVBoxLayout* column();

    QGridLayout* grid_; // the columns in row 0, the range below them
    std::vector<QVBoxLayout*> columns_;
    QLineEdit* from_ = nullptr;
    QLineEdit* to_ = nullptr;
};

// Runs one dialog of a `setup` popup modally over `owner`; 1 when it ended with OK, else 2
// (also when its opening read failed, after the report, and for a T3 channel whose port's
// type has no framer).
int run_line_dialog(QWidget* owner, Box& box, HsEntry& node, const std::string& path_text,
                    line_dialog dialog);

// The `setup` popup of `node` at `global_position`: runs the chosen dialog; 1 when it ended
// with OK, 0 otherwise (no choice, no entries, Cancel).
int run_setup_popup(QWidget* owner, Box& box, HsEntry& node, const std::string& path_text,
                    const QPoint& global_position);

} // namespace vornex
