#include "maint/system_reset.h"

#include "maint/format_text.h"
#include "maint/send_once.h"
#include "model/card.h"
#include "model/chassis.h"
#include "snmp/snmp_access.h"

#include <algorithm>
#include <net-snmp/net-snmp-includes.h>

namespace vornex {

namespace {

using namespace std::chrono_literals;

constexpr const char* complete_text =
    "\r\nReset complete.\r\n\r\nAnother reset may be performed\r\nor press cancel to exit.";

StepResult wait(Delay delay) {
    return {false, delay};
}

// A controller's firmware version as the device reports it (256 bytes with the
// terminator); empty when the read fails.
std::string firmware_version(Chassis& box, oid which) {
    SnmpGet get(box);
    get.add({1, 2, 1, which, 0}, asn_octet_string);
    if (get.send() != snmp_ok) {
        return {};
    }
    // Compared as texts: a version padded with zero bytes is the version before them, and
    // one that starts with a zero byte is none yet.
    std::string text = get.octets(0).value_or("");
    return text.substr(0, std::min<std::size_t>(text.find('\0'), 255));
}

// A rebooted controller starts its SNMPv3 engine time from zero. When the boot count went
// up the library follows by itself, but a controller that comes back with the count it
// had leaves every later answer outside the time window the library expects, and the
// session never recovers. Forgetting the engine's boots and time after a read that failed
// that way makes the next request learn them afresh.
void forget_engine_time_after_reboot(Chassis& box) {
    netsnmp_session* session = box.get_session;
    if (session == nullptr || session->version != SNMP_VERSION_3 ||
        session->securityEngineIDLen == 0) {
        return;
    }
    const int error = session->s_snmp_errno;
    if (error == SNMPERR_NOT_IN_TIME_WINDOW || error == SNMPERR_TIMEOUT ||
        error == SNMPERR_BAD_PARSE) {
        set_enginetime(session->securityEngineID, static_cast<u_int>(session->securityEngineIDLen),
                       0, 0, TRUE);
    }
}

} // namespace

const char* reset_type_text(SystemResetType type) {
    switch (type) {
    case SystemResetType::system_cold:
        return "System cold reset";
    case SystemResetType::system_warm:
        return "System warm reset";
    case SystemResetType::working_cold:
        return "Working XCU cold reset";
    case SystemResetType::working_warm:
        return "Working XCU warm reset";
    case SystemResetType::standby_cold:
        return "Standby XCU cold reset";
    case SystemResetType::standby_warm:
        return "Standby XCU warm reset";
    case SystemResetType::none:
        break;
    }
    return "";
}

SystemReset::SystemReset(Chassis& box) : box_(box) {
    standby_ = standby_present(box_);
    if (standby_ == 0) {
        detail_text_ = "XCU Sync Status: no standby controller detected.";
    } else {
        std::string sync;
        xcu_sync_status(box_, sync);
        detail_text_ = "XCU Sync Status: " + sync;
    }
    step_text_ =
        "\r\nSelect the reset type.\r\n\r\nPress the RESET button to start the process.\r\n";
}

bool SystemReset::type_enabled(SystemResetType type) const {
    if (busy() || type == SystemResetType::none) {
        return false;
    }
    const bool standby_type =
        type == SystemResetType::standby_cold || type == SystemResetType::standby_warm;
    return !standby_type || standby_ == 1;
}

void SystemReset::set_texts(std::string step, std::string detail) {
    step_text_ = std::move(step);
    detail_text_ = std::move(detail);
}

bool SystemReset::start(SystemResetType type, OwnerWindow owner) {
    if (!type_enabled(type)) {
        return false;
    }
    if (confirm_dialog(*box_.presenter, owner,
                       "Confirm Reset\r\n\r\n\r\n%s\r\n\r\nProceed with reset?\r\n",
                       reset_type_text(type)) != dialog_ok) {
        return false;
    }
    type_ = type;
    phase_ = 1;
    outcome_ = ResetOutcome::running;
    return true;
}

StepResult SystemReset::step() {
    StepResult next{true, Delay{0}};
    switch (phase_) {
    case 1:
        next = send_command();
        break;
    case 2:
        next = follow_switch();
        break;
    case 3:
        next = follow_sync();
        break;
    case 4:
        next = follow_communication();
        break;
    case 5:
        next = detect_standby();
        break;
    case 6:
        next = compare_firmware();
        break;
    default:
        break;
    }
    forget_engine_time_after_reboot(box_);
    return next;
}

StepResult SystemReset::end_sequence(ResetOutcome outcome) {
    type_ = SystemResetType::none;
    phase_ = 0;
    outcome_ = outcome;
    return {true, Delay{0}};
}

StepResult SystemReset::send_command() {
    working_at_send_ = working_xcu(box_);
    const snmp_result sent =
        set_integer_once(box_, box_.object({1, 7, 3, 0}), static_cast<long>(type_));
    if (sent != snmp_ok) {
        snmp_report_error(box_, sent, sending_reset_command);
        set_texts("\r\n\r\nSystem failed to respond.", "");
        return end_sequence(ResetOutcome::failed);
    }
    // Only a reset the device took changes its running configuration and calls for the
    // rescan; a refused one leaves both as they were.
    result_ = 1;
    if (type_ == SystemResetType::standby_cold || type_ == SystemResetType::standby_warm) {
        set_texts("\r\nStandby XCU reset is in progress.\r\nWaiting to detect Standby XCU...",
                  "reset delay...");
        phase_ = 5;
        return wait(10s);
    }
    if (type_ == SystemResetType::working_cold && standby_ != 0) {
        set_texts("\r\nWorking XCU cold reset is in progress.\r\nWaiting for switch to Standby "
                  "XCU...",
                  "reset delay...");
        phase_ = 2;
        return wait(45s);
    }
    set_texts("\r\nReset is in progress.\r\nWaiting for SNMP communication to resume...",
              "waiting...this may take several minutes");
    retries_ = 0;
    phase_ = 4;
    return wait(45s);
}

StepResult SystemReset::follow_switch() {
    // An unanswered read is a result of its own: it differs from an answered one too.
    if (working_xcu(box_) != working_at_send_) {
        set_texts("\r\nStandby XCU is now working XCU.\r\nWaiting to detect Standby XCU...", "");
        phase_ = 5;
    }
    return wait(2s);
}

StepResult SystemReset::follow_sync() {
    std::string sync;
    if (xcu_sync_status(box_, sync) != 1) {
        detail_text_ = "Sync Status: " + sync;
        return wait(2s);
    }
    set_texts(complete_text,
              format_text("%s complete.  XCUs synchronized.", reset_type_text(type_)));
    return end_sequence(ResetOutcome::complete);
}

StepResult SystemReset::follow_communication() {
    if (working_xcu(box_) < 1) {
        ++retries_;
        detail_text_ = format_text("communication retry %d...", retries_);
        return wait(retries_ < 2 ? Delay{500} : Delay{15s});
    }
    if (standby_ != 0) {
        set_texts("\r\nWorking XCU is responding.\r\nWaiting for XCU synchronization...", "");
        phase_ = 5;
        return wait(2s);
    }
    set_texts(complete_text, format_text("%s complete.  XCU responding.", reset_type_text(type_)));
    return end_sequence(ResetOutcome::complete);
}

StepResult SystemReset::detect_standby() {
    if (standby_present(box_) != 1) {
        return wait(2s);
    }
    set_texts("\r\nStandby XCU detected.\r\nWaiting for Standby XCU to report FW version...", "");
    phase_ = 6;
    return wait(16s);
}

StepResult SystemReset::compare_firmware() {
    const std::string standby = firmware_version(box_, 7);
    if (standby.empty()) {
        return wait(2s);
    }
    const std::string primary = firmware_version(box_, 3);
    if (primary.empty()) {
        return wait(2s);
    }
    if (primary != standby) {
        set_texts("\r\nReset complete\r\n\r\nAnother reset may be performed\r\nor press cancel "
                  "to exit.",
                  format_text("%s complete.  Firmware mismatch.\r\nPrimary: %s \tRedundant: %s",
                              reset_type_text(type_), primary.c_str(), standby.c_str()));
        return end_sequence(ResetOutcome::mismatch);
    }
    set_texts("\r\nFirmware version match.\r\nWaiting for XCU synchronization...", standby);
    phase_ = 3;
    return wait(4s);
}

bool SystemReset::leave(OwnerWindow owner) {
    if (!busy()) {
        return true;
    }
    if (confirm_dialog(*box_.presenter, owner,
                       "Warning\r\n%s is in progress.\r\nLong delays during the reset process "
                       "are normal.  Closing the reset\r\ndialog will not stop this process.  "
                       "Communication with the system\r\nwill be unreliable until the reset is "
                       "complete.  If you choose\r\nto exit the dialog, please do not perform "
                       "any mapping operations.\r\nUse the CLI to verify the operating state of "
                       "the controllers.\r\n\r\nExit the reset dialog?\r\n",
                       reset_type_text(type_)) != dialog_ok) {
        return false;
    }
    result_ = 2;
    outcome_ = ResetOutcome::left;
    return true;
}

} // namespace vornex
