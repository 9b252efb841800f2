#pragma once
// Runs vornex-sim for a test: starts it on a free loopback port with a scenario, waits until
// it answers, and stops it when the object goes away. Faults, direct reads and writes of
// objects and the request log go through the simulator's control channel, never SNMP.
//
// Object identifiers are numeric ("1.3.6.1.4.1.823.4150.1.1.1.4.1") or relative to the
// device root ("R.1.1.1.4.1"). Values are typed text: "i:5" INTEGER, "s:text" OCTET STRING
// (the text as it stands, blanks included), "o:1.3.6.1" OBJECT IDENTIFIER, "t:100" TimeTicks.
//
// Request log entries, one per PDU received, oldest first:
//   "GET 1.3.6.1.2.1.1.2.0,1.3.6.1.2.1.1.5.0"     objects in request order
//   "GETNEXT 1.3.6.1.4.1.823.4150"
//   "SET 1.3.6...5.3.1=i:2,1.3.6...3.1.1=s:Link"  each object with its typed value
//   "dropped GET 1.3.6..."                          dropped by drop_next()
//   "dropped (rebooting)"                           arrived while rebooting (not decoded)
// SNMPv3 engine-ID discovery probes carry no objects and are not logged.
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
    // drop_next: the next n requests get no answer (SNMPv3 discovery probes are not counted).
    bool drop_next(int n) { return expect_ok("drop " + std::to_string(n)); }
    // Every GET, GETNEXT or SET of an object under `oid` is answered with this error-status,
    // set by the agent's handler. A v1 manager sees it as Net-SNMP maps it for SNMPv1:
    // 2 noSuchName, 3 badValue, 4 readOnly and 5 genErr as they are; 6 noAccess, 11
    // noCreation, 17 notWritable → 2; 7 wrongType, 8 wrongLength, 10 wrongValue, 12
    // inconsistentValue → 3; 13 resourceUnavailable, 14 commitFailed → 5. SNMPv3 managers see
    // the status itself. 128, 129 and 130 make reads answer the exception value noSuchObject,
    // noSuchInstance or endOfMibView in place of the value (v1: noSuchName).
    bool fail_prefix(const std::string& oid, int error_status) {
        return expect_ok("fail " + oid + " " + std::to_string(error_status));
    }
    // The nth request from now (1: the next) fails, `how` being "timeout" (that request and
    // every later one go unanswered until clear_faults()), "wrong-type" (every value of its
    // answer mistyped as by wrong_type()) or an error-status ("2", "129") for all its objects.
    bool fail_request(int n, const std::string& how) {
        return expect_ok("fail-request " + std::to_string(n) + " " + how);
    }
    // Reads of this object answer the wrong type: an INTEGER as the OCTET STRING of its
    // digits, an OCTET STRING as INTEGER 0.
    bool wrong_type(const std::string& oid) { return expect_ok("wrong-type " + oid); }
    // The object is left out of the answer to a GET of several objects.
    bool omit(const std::string& oid) { return expect_ok("omit " + oid); }
    // Every answer is sent `ms` milliseconds late (0 ends the delay).
    bool delay_ms(int ms) { return expect_ok("delay " + std::to_string(ms)); }
    // Stops answering for `seconds`, then answers again with SNMPv3 engine boots + 1 and the
    // engine time from 0.
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
