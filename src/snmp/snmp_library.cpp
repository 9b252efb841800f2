#include "snmp/snmp_library.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <net-snmp/net-snmp-includes.h>
#include <string>
#include <unistd.h>

namespace vornex {

namespace {
int open_sessions = 0;
std::string persistent_folder;
} // namespace

void snmp_library_init() {
    static std::once_flag once;
    std::call_once(once, [] {
        // All objects are addressed by number: loading MIB files would only cost time and
        // print warnings about missing modules.
        setenv("MIBS", "", 1);
        setenv("MIBDIRS", "", 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_PERSIST_STATE, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_LOAD_HOST_FILES, 1);
        // The library still keeps an index folder of its own; it goes to a private folder
        // rather than the system's (which a user cannot write), made beforehand so that the
        // library has nothing to announce on stderr.
        std::error_code ignored;
        const auto folder = std::filesystem::temp_directory_path(ignored) /
                            ("vornex-snmp-" + std::to_string(getuid()));
        std::filesystem::create_directories(folder / "cert_indexes", ignored);
        persistent_folder = folder.string();
        set_persistent_directory(persistent_folder.c_str());
        set_configuration_directory(persistent_folder.c_str());
        init_snmp("vornex");
    });
}

netsnmp_session* snmp_open_counted(netsnmp_session* prepared) {
    netsnmp_session* session = snmp_open(prepared);
    if (session != nullptr) {
        ++open_sessions;
    }
    return session;
}

void snmp_close_counted(netsnmp_session* session) {
    if (session == nullptr) {
        return;
    }
    // The library keeps SNMPv3 users, with their keys, in one list for the whole process
    // and reuses an entry for the next session of the same user. Left there, a corrected
    // pass phrase would not be used (or a wrong one would still be let in) until the
    // program restarts, so the user goes with the session.
    if (session->version == SNMP_VERSION_3 && session->securityEngineIDLen > 0) {
        if (usmUser* user = usm_get_user(session->securityEngineID, session->securityEngineIDLen,
                                         session->securityName)) {
            usm_remove_user(user);
            usm_free_user(user);
        }
    }
    snmp_close(session);
    --open_sessions;
}

int snmp_open_session_count() {
    return open_sessions;
}

} // namespace vornex
