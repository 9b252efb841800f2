#pragma once
// How a reset sequence stands, for whoever drives it: the dialogs only show the texts, but
// vornex-cli ends with its exit status by this, never by a text.

namespace vornex {

enum class ResetOutcome {
    idle,      // nothing sent yet, or the last reset was never confirmed
    running,   // the command is about to be sent or the device is being followed
    complete,  // the unit (or card) is working again
    mismatch,  // the controllers came back with different firmware versions
    failed,    // the reset command was not accepted; nothing was reset
    timed_out, // the card did not return to the working state in time
    left,      // the operator left while the reset was still running
};

} // namespace vornex
