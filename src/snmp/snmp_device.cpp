#include "snmp/snmp_device.h"

#include "snmp/snmp_library.h"

#include <net-snmp/net-snmp-includes.h>

namespace vornex {

const device_model device_models[] = {
    {4150,
     "R4150",
     8,
     {"", "Trib1", "Trib2", "Trib3", "Trib4", "Trib5", "Trib6", "Trib7", "Trib8", "In-Band"}},
    {0, nullptr, 0, {}},
};

SnmpDevice::~SnmpDevice() {
    if (set_session != get_session) {
        snmp_close_counted(set_session);
    }
    snmp_close_counted(get_session);
}

std::vector<oid> SnmpDevice::object(std::initializer_list<oid> suffix) const {
    std::vector<oid> name(root.begin(), root.begin() + root_len);
    name.insert(name.end(), suffix);
    return name;
}

std::string SnmpDevice::host() const {
    return get_session != nullptr && get_session->peername != nullptr ? get_session->peername : "";
}

} // namespace vornex
