#include "transfer/transfer_progress.h"

#include <cstdio>

namespace vornex {

TransferProgress::TransferProgress(Chassis& box, const Clock& clock, const transfer_kind_info& kind,
                                   long prior_status, const Card* card)
    : box_(box), clock_(clock), kind_(kind), prior_status_(prior_status), card_(card),
      changed_at_(clock.now()) {}

StepResult TransferProgress::poll() {
    const TransferPoll p = file_transfer_poll(box_);
    int state = p.state;
    int percent = p.percent;
    std::string status = p.text != nullptr ? p.text : "";
    if (state == transfer_in_progress || (p.code >= 0 && p.code != prior_status_)) {
        taken_in_ = true;
    } else if (p.code >= 0 && !taken_in_) {
        // Still the previous transfer's verdict: the device has not begun this one.
        if (++stale_polls_ < stale_poll_limit) {
            state = transfer_in_progress;
            status = "Waiting for response...";
        } else {
            state = transfer_failed;
            status = not_started;
        }
        percent = percent_;
    }
    if (percent != percent_) {
        percent_ = percent;
        changed_at_ = clock_.now();
    }
    state_ = state;
    status_ = status;
    polled_ = true;
    if (state_ == transfer_in_progress) {
        return {false, poll_interval};
    }
    counting_ = false;
    return {true, Delay{0}};
}

bool TransferProgress::press() {
    if (state_ == transfer_in_progress && !cancel_pressed_) {
        cancel_pressed_ = true;
        return false;
    }
    return true;
}

int TransferProgress::seconds_unchanged() const {
    if (!counting_) {
        return 0;
    }
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::seconds>(clock_.now() - changed_at_).count());
}

std::string TransferProgress::percent_text() const {
    char text[32];
    std::snprintf(text, sizeof text, "%3d%%  ", percent_);
    return text;
}

std::string TransferProgress::note_text() const {
    const int seconds = seconds_unchanged();
    if (seconds <= kind_.note_after_seconds || percent_ >= 100) {
        return {};
    }
    char text[128];
    if (kind_.note_limit_minutes != 0) {
        std::snprintf(text, sizeof text, "Note: This step may take up to %d minutes. (%02d:%02d)  ",
                      kind_.note_limit_minutes, seconds / 60, seconds % 60);
    } else {
        std::snprintf(text, sizeof text, "Note: This step may take several minutes. (%02d:%02d)  ",
                      seconds / 60, seconds % 60);
    }
    return text;
}

const char* TransferProgress::button_text() const {
    return !polled_ || state_ == transfer_in_progress ? "Cancel" : "Done";
}

} // namespace vornex
