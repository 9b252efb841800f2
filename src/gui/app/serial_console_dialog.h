#pragma once
// "Select Serial Console Port": the usable serial ports in an editable list and the six
// baud rates; OK keeps both in the settings (ComName, ComBaud).

#include "gui/app/simple_dialog.h"

#include <string>
#include <vector>

class QButtonGroup;
class QComboBox;

namespace vornex {

struct Settings;

class SerialConsoleDialog : public SimpleDialog {
    Q_OBJECT
public:
    SerialConsoleDialog(QWidget* owner, Settings& settings, const std::vector<std::string>& ports);

    void accept() override;

private:
    Settings& settings_;
    QComboBox* port_;
    QButtonGroup* rates_;
};

// Runs the dialog modally: 1 after OK (the settings hold the choice), 2 after Cancel.
int serial_console_dialog(QWidget* owner, Settings& settings,
                          const std::vector<std::string>& ports);

} // namespace vornex
