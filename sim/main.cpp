// vornex-sim: the R4150's SNMP agent, simulated from a scenario file.

#include "agent.h"
#include "control.h"
#include "device.h"
#include "reset.h"
#include "transfer.h"

#include <fstream>
#include <nlohmann/json.hpp>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#ifndef VORNEX_SIM_SCENARIOS
#define VORNEX_SIM_SCENARIOS "sim/scenarios"
#endif

namespace {

volatile std::sig_atomic_t stop_requested = 0;

void on_signal(int) {
    stop_requested = 1;
}

const char* usage =
    "Usage: vornex-sim [options]\n"
    "Simulates the SNMP agent of an R4150 multiplexer.\n"
    "\n"
    "  --scenario NAME|PATH   scenario file, or the name of one in " VORNEX_SIM_SCENARIOS "\n"
    "                         (default: demo)\n"
    "  --address ADDR         IPv4 address to listen on (default: 127.0.0.1)\n"
    "  --port N               UDP port of the agent; 0 takes a free one (default: 16161)\n"
    "  --control-port N       TCP port of the control channel; 0 takes a free one (default: 0)\n"
    "  --help                 show this text\n"
    "\n"
    "When ready it prints one line on stdout:\n"
    "  vornex-sim ready snmp ADDR:PORT control ADDR:PORT\n"
    "SIGTERM or SIGINT stops it.\n";

std::string scenario_path(const std::string& arg) {
    if (arg.find('/') != std::string::npos || arg.ends_with(".json"))
        return arg;
    return std::string(VORNEX_SIM_SCENARIOS) + "/" + arg + ".json";
}

bool to_port(const char* text, int& port) {
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (!*text || *end || n < 0 || n > 65535)
        return false;
    port = static_cast<int>(n);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::string scenario = "demo", address = "127.0.0.1";
    int port = 16161, control_port = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool has_value = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            return 0;
        } else if (arg == "--scenario" && has_value) {
            scenario = argv[++i];
        } else if (arg == "--address" && has_value) {
            address = argv[++i];
        } else if (arg == "--port" && has_value && to_port(argv[i + 1], port)) {
            ++i;
        } else if (arg == "--control-port" && has_value && to_port(argv[i + 1], control_port)) {
            ++i;
        } else {
            std::fprintf(stderr, "vornex-sim: bad argument \"%s\"\n\n%s", arg.c_str(), usage);
            return 2;
        }
    }

    std::string error;
    auto device = vornex::sim::Device::load(scenario_path(scenario), error);
    if (!device) {
        std::fprintf(stderr, "vornex-sim: %s\n", error.c_str());
        return 1;
    }
    // The scenario's "transfer" block: the TFTP port the device's client uses and the SFTP
    // account it accepts.
    int transfer_port = 69;
    std::optional<vornex::sim::SftpAccount> sftp;
    {
        std::ifstream in(scenario_path(scenario));
        const auto s = nlohmann::json::parse(in, nullptr, false);
        if (s.is_object() && s.contains("transfer")) {
            const auto& t = s["transfer"];
            transfer_port = t.value("server_port", 69);
            if (t.contains("sftp_user"))
                sftp = vornex::sim::SftpAccount{t.value("sftp_user", std::string()),
                                                t.value("sftp_password", std::string())};
        }
    }
    vornex::sim::Transfer transfer(*device, transfer_port, sftp);
    vornex::sim::Agent agent(*device);
    agent.transfer = &transfer;
    std::ifstream reset_in(scenario_path(scenario));
    const auto reset_scenario = nlohmann::json::parse(reset_in, nullptr, false);
    vornex::sim::Resets resets(*device, reset_scenario.is_object() ? reset_scenario
                                                                   : nlohmann::json::object());
    agent.resets = &resets;
    vornex::sim::Control control;
    if (!agent.start(address, port, error) || !control.start(address, control_port, error)) {
        std::fprintf(stderr, "vornex-sim: %s\n", error.c_str());
        return 1;
    }

    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::printf("vornex-sim ready snmp %s:%d control %s:%d\n", address.c_str(), agent.port(),
                address.c_str(), control.port());
    std::fflush(stdout);

    while (!stop_requested) {
        std::vector<int> fds{control.fd()};
        if (transfer.fd() >= 0)
            fds.push_back(transfer.fd());
        for (int fd : agent.poll(fds, std::chrono::milliseconds(200))) {
            if (fd == control.fd())
                control.serve(agent);
            else if (fd == transfer.fd())
                transfer.readable();
        }
        transfer.tick();
    }
    return 0;
}
