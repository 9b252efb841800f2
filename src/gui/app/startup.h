#pragma once
// The program's start-up and message loop around the main window.

class QApplication;

namespace vornex {

// Runs the program: the one optional argument (a device configuration file), the SNMP
// library, the settings, the main window, the self-test, then the event loop. Answers the
// process's exit code.
int run_program(QApplication& app);

// Steps the configuration generator's counter block after every event the GUI thread
// takes, so the moments of the operator's actions enter its output.
void install_prng_stepper(QApplication& app);

} // namespace vornex
