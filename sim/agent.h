#pragma once
// The SNMP side of the simulator: a hermetic Net-SNMP master agent on a loopback UDP port
// whose one handler serves the device's objects from the store, plus the faults tests
// switch on through the control channel.

#include "device.h"

#include <chrono>
#include <deque>
#include <set>
#include <string>
#include <sys/select.h>
#include <vector>

struct netsnmp_transport_s;

namespace vornex::sim {

class Resets;
class Transfer;

struct Faults {
    int drop_next = 0;
    std::vector<std::pair<Oid, int>> fail; // prefix, error-status the handler sets
    std::set<Oid> wrong_type;
    std::set<Oid> omit;
    int delay_ms = 0;
    // fail-request: the requests still to come up to and including the one that fails (0:
    // none), and how it fails: an error-status, request_time_out (that request and every
    // one after it go unanswered, as from a device that stopped) or request_wrong_type.
    int request_countdown = 0;
    int request_fault = 0;
    bool silent = false;
};

inline constexpr int request_time_out = 0;
inline constexpr int request_wrong_type = -1;

class Agent {
public:
    explicit Agent(Device& device) : device_(device) {}
    ~Agent();
    Agent(const Agent&) = delete;
    Agent& operator=(const Agent&) = delete;

    // Initialises the library in a private temporary folder and binds the UDP port (0 picks
    // a free one). False with the reason in `error`.
    bool start(const std::string& address, int port, std::string& error);
    int port() const { return port_; }

    // One turn of the main loop: waits at most `max_wait` for SNMP traffic or one of the
    // extra descriptors, and returns the extra descriptors that are readable.
    std::vector<int> poll(const std::vector<int>& extra_fds, std::chrono::milliseconds max_wait);

    Faults& faults() { return faults_; }
    // Stops answering for `seconds`; the agent then comes back with engine boots + 1.
    void reboot(int seconds);
    bool rebooting() const { return rebooting_; }

    const std::deque<std::string>& requests() const { return requests_; }
    void clear_requests() { requests_.clear(); }

    Device& device() { return device_; }
    // The device's file transfer, told of every write and read of its objects; may be null.
    Transfer* transfer = nullptr;
    // The device's resets, told of every write; they keep the agent silent while the device
    // reboots. May be null. Set before start().
    Resets* resets = nullptr;
    // Moves the simulator clock of the resets on by `ms` and runs what became due.
    void advance(std::int64_t ms);

private:
    friend struct Hooks; // the library's C callbacks, in agent.cpp

    struct Pending {
        std::chrono::steady_clock::time_point due;
        std::vector<unsigned char> data;
        std::vector<unsigned char> opaque;
    };

    bool write_config(std::string& error);
    void run_timers();
    void end_reboot();
    const std::pair<Oid, int>* failing(const Oid& oid) const;
    void log(std::string entry);

    Device& device_;
    Faults faults_;
    std::string workdir_;
    int port_ = 0;
    netsnmp_transport_s* transport_ = nullptr;
    int (*udp_send_)(netsnmp_transport_s*, const void*, int, void**, int*) = nullptr;
    std::deque<Pending> pending_;
    bool rebooting_ = false;
    std::chrono::steady_clock::time_point reboot_end_{};
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    std::deque<std::string> requests_;
    // The fault of the request being answered, from fail-request: its error-status (0: none)
    // for every object, or every value of the wrong type.
    std::pair<Oid, int> request_failure_{};
    bool request_mistyped_ = false;
};

} // namespace vornex::sim
