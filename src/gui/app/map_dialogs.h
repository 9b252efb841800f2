#pragma once
// The dialogs of the map commands. "Active Map Change", "Map Delete" and "Map Copy" of the
// "Map" menu: delete and copy carry out their command from OK; all three end with
// map_dialog_reload when the display has to be rebuilt (for "Active Map Change": when the
// operator chose another map, which the caller then activates). "Export Options" and
// "Import" of the "File" menu only gather the choices of their command.

#include "gui/app/simple_dialog.h"
#include "xc/map_export.h"
#include "xc/map_import.h"

class QCheckBox;
class QPushButton;
class QRadioButton;

namespace vornex {

struct Box;

class ActiveMapDialog : public SimpleDialog {
    Q_OBJECT
public:
    ActiveMapDialog(QWidget* owner, Box& box);

    void accept() override;

private:
    Box& box_;
    QRadioButton* map2_;
};

class MapDeleteDialog : public SimpleDialog {
    Q_OBJECT
public:
    // `identifiers` is where "Clear Map Specific Endpoint Identifiers" starts.
    MapDeleteDialog(QWidget* owner, Box& box, bool identifiers);

    void accept() override;

private:
    Box& box_;
    QRadioButton* map1_;
    QRadioButton* map2_;
    QCheckBox* identifiers_;
    QCheckBox* comments_;
};

class MapCopyDialog : public SimpleDialog {
    Q_OBJECT
public:
    MapCopyDialog(QWidget* owner, Box& box, bool identifiers);

    void accept() override;

private:
    Box& box_;
    QRadioButton* copy_;
    QCheckBox* identifiers_;
};

// OK stores both check boxes in `options`.
class ExportOptionsDialog : public SimpleDialog {
    Q_OBJECT
public:
    ExportOptionsDialog(QWidget* owner, ExportOptions& options);

    void accept() override;

private:
    ExportOptions& options_;
    QCheckBox* assigned_;
    QCheckBox* unassigned_;
};

// "Start" (dialog_ok) sets both options; "Suppress warning messages during import" is kept
// in `suppress` for the next import, the identifiers choice is for this import only.
class ImportDialog : public SimpleDialog {
    Q_OBJECT
public:
    ImportDialog(QWidget* owner, bool& suppress, bool identifiers, ImportOptions& options);

    void accept() override;

private:
    bool& suppress_;
    ImportOptions& options_;
    QCheckBox* suppress_box_;
    QCheckBox* identifiers_;
};

} // namespace vornex
