#pragma once
// System, controller and card resets, and the simulator clock they run on.
//
// A write of R.1.7.3.0 (1-6) or of a card's reset object is answered first; then the
// simulated device goes through the reset on the simulator clock: the agent goes silent
// for a system or working-XCU reset and comes back as after a reboot, the standby XCU goes
// away and returns with its firmware version, the XCUs lose and regain synchronisation,
// the working XCU changes after a working-XCU cold reset with a standby, a card leaves the
// working state and comes back. A cold reset switches the reset boards' active firmware
// banks (the controller version texts follow them) and, for the unit, brings back the
// stored configuration.
//
// The clock follows wall time until a test advances it through the control channel
// (`advance MS`); from then on only the test moves it, so a program on a fake clock meets
// the same device states at the same steps on every run.

#include "device.h"

#include <cstdint>
#include <functional>
#include <map>
#include <nlohmann/json_fwd.hpp>

namespace vornex::sim {

struct ResetTiming {
    int reboot_ms = 70'000;   // silence of a system or working-XCU reset
    int takeover_ms = 20'000; // silence while the standby takes over (working XCU cold)
    int standby_ms = 30'000;  // a resetting standby XCU is away (from the end of silence)
    int sync_ms = 6'000;      // from the standby's return to synchronisation
    int card_ms = 20'000;     // a card's cold reset: unplugged (4), then working
    int card_warm_ms = 8'000; // a card's warm reset: empty (3), then working
    bool keep_boots = false;  // a reboot keeps the engine boots (the engine time restarts)
    int engine_time_s = 0;    // the SNMPv3 engine time at start
};

class Resets {
public:
    // Reads the scenario's "reset" block and defines the reset objects.
    Resets(Device& device, const nlohmann::json& scenario);

    const ResetTiming& timing() const { return timing_; }
    std::int64_t now_ms() const;
    // Moves the clock on and from now on keeps it where the tests put it.
    void advance(std::int64_t ms);

    // The agent answers nothing while a reset keeps it silent.
    bool silent() const { return silent_; }
    // A SET of `name` was committed; true when it was a reset command.
    bool written(const Oid& name);
    // Runs what is due; true when a silence just ended (the agent comes back rebooted).
    bool tick();

private:
    void reset_controllers(int code);
    void reset_card(int slot, long value);
    void at(std::int64_t after_ms, std::function<void()> action);
    void go_silent(std::int64_t ms);
    void restore_configuration();
    void switch_bank(int board);
    std::string active_version(int board) const;
    // Writes the controller objects: the working XCU's version, and the standby's presence
    // and version (when the unit has a standby).
    void show_controllers(bool standby_visible);
    void set_integer(const Oid& rel, long value);
    long integer(const Oid& rel) const;

    Device& device_;
    ResetTiming timing_;
    bool has_standby_ = false;
    bool manual_ = false;
    std::int64_t manual_ms_ = 0;
    bool silent_ = false;
    std::int64_t silent_until_ = 0;
    std::multimap<std::int64_t, std::function<void()>> due_;
};

} // namespace vornex::sim
