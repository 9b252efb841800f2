#pragma once
// Runs vornex-sim for a test: starts it on a free loopback port with a scenario, waits until
// it answers, and stops it when the object goes away. Faults, direct reads and writes of
// objects and the request log go through the simulator's control channel, never SNMP: each
// call below sends one control command, as sim/README.md ("Control channel") describes it,
// with its object identifiers ("R.1.1.1.4.1" or numeric), typed values ("i:5", "s:text") and
// request log lines.
//
// Failures (the simulator did not start, a control command was refused) are recorded as
// GoogleTest failures with the reason; the calls then return nullptr, false or nullopt.

#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vornex::test {

class SimProcess {
public:
    // `scenario` is a name in sim/scenarios ("demo", "small", "v3") or a path to a .json
    // file.
    static std::unique_ptr<SimProcess> start(const std::string& scenario);
    ~SimProcess(); // SIGTERM, then waits (SIGKILL after 5 s); a failure unless it exits 0
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    int port() const { return port_; }
    // "127.0.0.1:PORT", the form a Net-SNMP session's peername takes (UDP by default).
    std::string peer() const;

    // Faults. They stay until clear_faults(), except drop_next, which counts down.
    bool drop_next(int n) { return expect_ok("drop " + std::to_string(n)); }
    // "fail": a v1 manager sees the error-status as Net-SNMP maps it (6, 11, 17 → 2; 7, 8, 10,
    // 12 → 3; 13, 14 → 5); 128 to 130 answer reads with an exception value (v1: noSuchName).
    bool fail_prefix(const std::string& oid, int error_status) {
        return expect_ok("fail " + oid + " " + std::to_string(error_status));
    }
    // `how`: "timeout" (it and every later request), "wrong-type" or an error-status ("2").
    bool fail_request(int n, const std::string& how) {
        return expect_ok("fail-request " + std::to_string(n) + " " + how);
    }
    // An INTEGER read as the OCTET STRING of its digits, an OCTET STRING as INTEGER 0.
    bool wrong_type(const std::string& oid) { return expect_ok("wrong-type " + oid); }
    bool omit(const std::string& oid) { return expect_ok("omit " + oid); }
    bool delay_ms(int ms) { return expect_ok("delay " + std::to_string(ms)); }
    bool reboot(int seconds) { return expect_ok("reboot " + std::to_string(seconds)); }
    bool clear_faults() { return expect_ok("clear-faults"); }

    // The stored value as typed text ("i:2", "s:LINK-A"), or nullopt when there is no such
    // object. Faults do not apply.
    std::optional<std::string> value(const std::string& oid);
    // Stores a value of the object's own type, without SNMP and without the write rules; the
    // objects that depend on it follow as after a SET.
    bool set_value(const std::string& oid, const std::string& typed_value) {
        return expect_ok("set " + oid + " " + typed_value);
    }

    std::vector<std::string> requests();
    bool clear_requests() { return expect_ok("clear-requests"); }

    // One control command; the answer lines after "ok", or nullopt with `error` set.
    std::optional<std::vector<std::string>> command(const std::string& line, std::string& error);

private:
    SimProcess() = default;
    bool expect_ok(const std::string& line);

    pid_t pid_ = -1;
    int stdout_fd_ = -1;
    int port_ = 0;
    int control_port_ = 0;
};

} // namespace vornex::test
