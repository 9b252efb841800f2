#pragma once
// The control channel: a TCP socket on loopback that tests use to switch faults on and off,
// read and write objects without SNMP, and read the request log. The program never uses it.
// One command per connection: a line in, the answer out, then the simulator closes.

#include "agent.h"

#include <string>

namespace vornex::sim {

// Runs one command line and returns the whole answer: "ok" and its lines, or "error: why".
std::string run_command(Agent& agent, const std::string& line);

class Control {
public:
    ~Control();
    bool start(const std::string& address, int port, std::string& error);
    int port() const { return port_; }
    int fd() const { return fd_; }
    // Serves one waiting connection.
    void serve(Agent& agent);

private:
    int fd_ = -1;
    int port_ = 0;
};

} // namespace vornex::sim
