#include "sim_process.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vornex::test {

namespace {

using Clock = std::chrono::steady_clock;

std::string scenario_path(const std::string& scenario) {
    if (scenario.find('/') != std::string::npos || scenario.ends_with(".json"))
        return scenario;
    return std::string(VORNEX_SIM_SCENARIOS) + "/" + scenario + ".json";
}

// Reads from `fd` until `done` says so, EOF, or the time is up.
template <typename Done>
std::string read_until(int fd, std::chrono::milliseconds limit, Done done) {
    std::string text;
    const auto end = Clock::now() + limit;
    char buf[4096];
    while (!done(text)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0)
            break;
        const ssize_t got = read(fd, buf, sizeof buf);
        if (got <= 0)
            break;
        text.append(buf, static_cast<std::size_t>(got));
    }
    return text;
}

} // namespace

std::unique_ptr<SimProcess> SimProcess::start(const std::string& scenario) {
    const std::string path = scenario_path(scenario);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "vornex-sim: pipe: " << std::strerror(errno);
        return nullptr;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        // The simulator must not outlive a test that crashes.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        dup2(out[1], STDOUT_FILENO);
        execl(VORNEX_SIM_BINARY, VORNEX_SIM_BINARY, "--scenario", path.c_str(), "--port", "0",
              nullptr);
        std::fprintf(stderr, "vornex-sim: cannot run %s: %s\n", VORNEX_SIM_BINARY,
                     std::strerror(errno));
        _exit(127);
    }
    close(out[1]);
    std::unique_ptr<SimProcess> sim(new SimProcess);
    sim->pid_ = pid;
    sim->stdout_fd_ = out[0];
    if (pid < 0) {
        ADD_FAILURE() << "vornex-sim: fork: " << std::strerror(errno);
        return nullptr;
    }
    const std::string line = read_until(out[0], std::chrono::seconds(20), [](const std::string& t) {
        return t.find('\n') != std::string::npos;
    });
    int port = 0, control = 0;
    if (std::sscanf(line.c_str(), "vornex-sim ready snmp %*[^:]:%d control %*[^:]:%d", &port,
                    &control) != 2) {
        ADD_FAILURE() << "vornex-sim with scenario \"" << scenario
                      << "\" did not start (see its messages above); it printed: " << line;
        return nullptr;
    }
    sim->port_ = port;
    sim->control_port_ = control;
    if (!sim->expect_ok("ping"))
        return nullptr;
    return sim;
}

SimProcess::~SimProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        const auto end = Clock::now() + std::chrono::seconds(5);
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() > end) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        // A simulator that stops badly (in the sanitizer build: with a finding, a leak
        // included) fails the test that ran it.
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            ADD_FAILURE() << "vornex-sim did not stop cleanly (wait status " << status
                          << "); see its messages above";
    }
    if (stdout_fd_ >= 0)
        close(stdout_fd_);
}

std::string SimProcess::peer() const {
    return "127.0.0.1:" + std::to_string(port_);
}

std::optional<std::vector<std::string>> SimProcess::command(const std::string& line,
                                                            std::string& error) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(control_port_));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        error = std::string("cannot reach the control channel: ") + std::strerror(errno);
        if (fd >= 0)
            close(fd);
        return std::nullopt;
    }
    const std::string request = line + "\n";
    const bool sent = send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
                      static_cast<ssize_t>(request.size());
    const std::string answer =
        sent ? read_until(fd, std::chrono::seconds(10), [](const std::string&) { return false; })
             : std::string();
    close(fd);
    std::vector<std::string> lines;
    std::istringstream in(answer);
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    if (lines.empty() || lines.front() != "ok") {
        error = lines.empty() ? "no answer on the control channel" : lines.front();
        return std::nullopt;
    }
    lines.erase(lines.begin());
    return lines;
}

bool SimProcess::expect_ok(const std::string& line) {
    std::string error;
    if (command(line, error))
        return true;
    ADD_FAILURE() << "vornex-sim control \"" << line << "\": " << error;
    return false;
}

std::optional<std::string> SimProcess::value(const std::string& oid) {
    std::string error;
    auto lines = command("get " + oid, error);
    if (!lines) {
        if (!error.starts_with("error: no such object"))
            ADD_FAILURE() << "vornex-sim control \"get " << oid << "\": " << error;
        return std::nullopt;
    }
    return lines->empty() ? std::string() : lines->front();
}

std::vector<std::string> SimProcess::requests() {
    std::string error;
    auto lines = command("requests", error);
    if (!lines)
        ADD_FAILURE() << "vornex-sim control \"requests\": " << error;
    return lines.value_or(std::vector<std::string>{});
}

} // namespace vornex::test
