#include "control.h"

#include "transfer.h"

#include <arpa/inet.h>
#include <charconv>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

namespace vornex::sim {

namespace {

bool to_int(const std::string& text, int& out) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

} // namespace

std::string run_command(Agent& agent, const std::string& line) {
    std::istringstream in(line);
    std::string cmd, arg1, arg2;
    in >> cmd >> arg1;
    std::getline(in >> std::ws, arg2);
    Faults& faults = agent.faults();
    Device& device = agent.device();
    const std::string ok = "ok\n";
    int n = 0;

    auto oid_arg = [&](const std::string& text) { return device.resolve(text); };

    if (cmd == "ping")
        return ok;
    if (cmd == "drop" && to_int(arg1, n) && n >= 0) {
        faults.drop_next = n;
        return ok;
    }
    if (cmd == "fail-request" && to_int(arg1, n) && n >= 1) {
        int status = 0;
        if (arg2 == "timeout" || arg2 == "wrong-type" || (to_int(arg2, status) && status >= 1)) {
            faults.request_countdown = n;
            faults.request_fault = arg2 == "timeout"      ? request_time_out
                                   : arg2 == "wrong-type" ? request_wrong_type
                                                          : status;
            faults.silent = false;
            return ok;
        }
        return "error: fail-request needs N of 1 or more and timeout, wrong-type or an "
               "error-status\n";
    }
    if (cmd == "delay" && to_int(arg1, n) && n >= 0) {
        faults.delay_ms = n;
        return ok;
    }
    if (cmd == "reboot" && to_int(arg1, n) && n >= 0) {
        agent.reboot(n);
        return ok;
    }
    if (cmd == "advance" && to_int(arg1, n) && n >= 0) {
        agent.advance(n);
        return ok;
    }
    if (cmd == "force-result" && to_int(arg1, n)) {
        device.force_next_result(n);
        return ok;
    }
    if (cmd == "clear-faults") {
        faults = Faults{};
        return ok;
    }
    if (cmd == "clear-requests") {
        agent.clear_requests();
        return ok;
    }
    if (cmd == "requests") {
        std::string out = ok;
        for (const auto& r : agent.requests())
            out += r + '\n';
        return out;
    }
    if (cmd.starts_with("transfer-"))
        return agent.transfer ? agent.transfer->command(cmd, arg1, arg2)
                              : "error: no file transfer in this simulator\n";
    if (cmd == "fail" || cmd == "wrong-type" || cmd == "omit" || cmd == "get" || cmd == "set") {
        auto oid = oid_arg(arg1);
        if (!oid)
            return "error: not a numeric object identifier: " + arg1 + '\n';
        if (cmd == "fail") {
            if (!to_int(arg2, n) || n < 1)
                return "error: fail needs an error-status of 1 or more\n";
            faults.fail.emplace_back(*oid, n);
            return ok;
        }
        if (cmd == "wrong-type") {
            faults.wrong_type.insert(*oid);
            return ok;
        }
        if (cmd == "omit") {
            faults.omit.insert(*oid);
            return ok;
        }
        if (cmd == "get") {
            const Object* o = device.store().find(*oid);
            if (!o)
                return "error: no such object " + oid_text(*oid) + '\n';
            return ok + typed_text(o->value) + '\n';
        }
        auto value = parse_typed(arg2);
        if (!value)
            return "error: not a typed value (i:5, s:text, o:1.3.6, t:100): " + arg2 + '\n';
        if (!device.store().assign(*oid, *value))
            return "error: no such object of that type " + oid_text(*oid) + '\n';
        device.follow(*oid);
        return ok;
    }
    return "error: unknown or malformed command: " + line + '\n';
}

Control::~Control() {
    if (fd_ >= 0)
        close(fd_);
}

bool Control::start(const std::string& address, int port, std::string& error) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    if (fd_ < 0 || inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1 ||
        bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd_, 8) != 0) {
        error = "cannot listen for control connections on " + address;
        return false;
    }
    socklen_t len = sizeof addr;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    return true;
}

void Control::serve(Agent& agent) {
    const int c = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (c < 0)
        return;
    // A client that connects and says nothing must not stop the agent for long.
    std::string line;
    char buf[512];
    pollfd p{c, POLLIN, 0};
    while (line.find('\n') == std::string::npos && line.size() < 65536 && poll(&p, 1, 2000) > 0) {
        const ssize_t got = read(c, buf, sizeof buf);
        if (got <= 0)
            break;
        line.append(buf, static_cast<std::size_t>(got));
    }
    if (auto nl = line.find('\n'); nl != std::string::npos) {
        line.resize(nl);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string answer = run_command(agent, line);
        std::size_t sent = 0;
        while (sent < answer.size()) {
            const ssize_t w = send(c, answer.data() + sent, answer.size() - sent, MSG_NOSIGNAL);
            if (w <= 0)
                break;
            sent += static_cast<std::size_t>(w);
        }
    }
    close(c);
}

} // namespace vornex::sim
