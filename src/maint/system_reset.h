#pragma once
// System and controller resets: one write of the reset type to R.1.7.3.0, then a sequence
// of waits and reads that follows the controllers through the reset until they answer
// again, the standby XCU is back with its firmware version and the XCUs are synchronised.
// It is a state machine on the clock seam: start() and then step() each time the delay the
// previous call answered has passed; it never waits itself. The System Reset dialog and
// `vornex-cli reset-system` drive it; after mainboard firmware the window runs the dialog.
//
// Texts are the dialog's two edits: step_text() the step (1005), detail_text() the detail
// line (1006). Several resets may follow one another; result() stays 1 once one was sent.

#include "base/clock.h"
#include "base/presenter.h"
#include "maint/reset_outcome.h"

#include <string>

namespace vornex {

struct Chassis;

// The reset codes written to R.1.7.3.0; none means no reset chosen or running.
enum class SystemResetType : int {
    system_cold = 1,
    system_warm = 2,
    working_cold = 3,
    working_warm = 4,
    standby_cold = 5,
    standby_warm = 6,
    none = 7,
};

// "System cold reset" ... "Standby XCU warm reset"; "" for none.
const char* reset_type_text(SystemResetType type);

class SystemReset {
public:
    static constexpr Delay first_delay{250};

    // The dialog's opening: reads standby presence and the sync status (failed reads are
    // not reported) and words the opening texts.
    explicit SystemReset(Chassis& box);

    const std::string& step_text() const { return step_text_; }
    const std::string& detail_text() const { return detail_text_; }
    // Standby presence as read at opening: 1 present, 0 absent, -1 unknown.
    int standby_at_opening() const { return standby_; }
    // A reset is chosen and running (the radios and RESET are disabled).
    bool busy() const { return type_ != SystemResetType::none; }
    // The enable rule of the six radios; RESET follows busy() and the operator's choice.
    bool type_enabled(SystemResetType type) const;
    SystemResetType running_type() const { return type_; }
    int phase() const { return phase_; }

    // RESET with a chosen type: asks "Confirm Reset" over `owner`; true when the reset is
    // under way, with its first step() due after first_delay.
    bool start(SystemResetType type, OwnerWindow owner);
    // One timer expiry; done when the sequence ended (see outcome()).
    StepResult step();
    // Cancel or closing the dialog: while a reset runs, asks the warning and answers false
    // when the operator stays. True when the dialog may end with result().
    bool leave(OwnerWindow owner);

    // 1 once a reset command was accepted by the device and the dialog was not left while
    // one was running; else 2. On 1 the window clears its changes-not-stored mark and
    // rescans the device.
    int result() const { return result_; }
    ResetOutcome outcome() const { return outcome_; }

private:
    StepResult send_command();
    StepResult follow_switch();
    StepResult follow_sync();
    StepResult follow_communication();
    StepResult detect_standby();
    StepResult compare_firmware();
    StepResult end_sequence(ResetOutcome outcome);
    void set_texts(std::string step, std::string detail);

    Chassis& box_;
    int standby_ = -1;
    long working_at_send_ = -1;
    int phase_ = 0;
    int retries_ = 0;
    SystemResetType type_ = SystemResetType::none;
    int result_ = 2;
    ResetOutcome outcome_ = ResetOutcome::idle;
    std::string step_text_;
    std::string detail_text_;
};

} // namespace vornex
