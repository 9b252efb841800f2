#pragma once
// A small synchronous SNMP manager for the simulator's tests, on the Net-SNMP client API:
// it reports exactly what came back (error-status, error-index, each object with its type).

// clang-format off
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
// clang-format on
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vornex::test {

struct Answer {
    int status = 0; // STAT_SUCCESS, STAT_ERROR, STAT_TIMEOUT
    long error_status = 0;
    long error_index = 0;
    std::vector<std::pair<std::string, std::string>> objects; // numeric oid, typed text
};

struct V3Login {
    std::string user;
    std::string auth = "none"; // none, MD5, SHA
    std::string auth_pass;
    std::string priv = "none"; // none, DES, AES
    std::string priv_pass;
};

class Manager {
public:
    // SNMPv1 with a community.
    Manager(const std::string& peer, const std::string& community, long timeout_ms = 1000,
            int retries = 0);
    // SNMPv3 with a USM user.
    Manager(const std::string& peer, const V3Login& login, long timeout_ms = 1000, int retries = 0);
    ~Manager();
    Manager(const Manager&) = delete;
    Manager& operator=(const Manager&) = delete;

    Answer get(const std::vector<std::string>& oids);
    Answer get_next(const std::vector<std::string>& oids);
    // Each value as typed text ("i:2", "s:text").
    Answer set(const std::vector<std::pair<std::string, std::string>>& values);

private:
    Answer exchange(int command, const std::vector<std::pair<std::string, std::string>>& vars);
    void open(netsnmp_session& s, const std::string& peer, long timeout_ms, int retries);

    netsnmp_session* session_ = nullptr;
};

} // namespace vornex::test
