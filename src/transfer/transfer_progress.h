#pragma once
// The progress window of a device transfer as a state machine on the clock seam: a poll of
// the device's status when the window opens and then every 2 seconds while the transfer is
// in progress, the note that a step may take a while, the Cancel button that has to be
// pressed twice while the device still works, and "Done" once it has finished. The window
// (and vornex-cli) draw what it says and call poll() after the delay it answers.

#include "base/clock.h"
#include "transfer/device_transfer.h"

#include <string>

namespace vornex {

class TransferProgress {
public:
    static constexpr Delay poll_interval{2000};
    // A status that stays the previous transfer's final one for this many polls after the
    // trigger means the device never took the request in.
    static constexpr int stale_poll_limit = 30;

    TransferProgress(Chassis& box, const Clock& clock, const transfer_kind_info& kind,
                     long prior_status, const Card* card = nullptr);

    // One poll of the device; done when the watching has ended (finished or failed), else
    // the next poll is due after `next`.
    StepResult poll();
    // The button (Escape and the close box act as it too): true when the window closes and
    // the completion goes to the main window. While the transfer is in progress the first
    // press only shows the warning lines.
    bool press();

    int state() const { return state_; }
    int percent() const { return percent_; }
    const transfer_kind_info& kind() const { return kind_; }
    const Card* card() const { return card_; }

    // The painted lines: the status text, the percentage, the note (empty: blanked), and
    // the two warning lines (empty: blanked); the button's text.
    std::string status_text() const { return status_; }
    std::string percent_text() const;
    std::string note_text() const;
    bool warning_shown() const { return state_ == transfer_in_progress && cancel_pressed_; }
    const char* button_text() const;

    static constexpr const char* warning_1 =
        "This operation cannot be stopped.  Press cancel again to close";
    static constexpr const char* warning_2 =
        "the status window without waiting for the operation to complete.";
    static constexpr const char* not_started = "R4150 Status: the transfer was not started";

private:
    int seconds_unchanged() const;

    Chassis& box_;
    const Clock& clock_;
    const transfer_kind_info& kind_;
    long prior_status_;
    const Card* card_;
    int state_ = transfer_failed; // "1 at the start"
    int percent_ = 0;
    std::chrono::steady_clock::time_point changed_at_;
    bool counting_ = true; // the seconds run only while the transfer is in progress
    std::string status_ = "Waiting for response...";
    bool polled_ = false;
    bool cancel_pressed_ = false;
    bool taken_in_ = false; // the device has shown this transfer in progress or a new status
    int stale_polls_ = 0;
};

} // namespace vornex
