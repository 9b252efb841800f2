#pragma once
// Net-SNMP set-up for the whole process, and the sessions the program opens on it.
//
// The library is initialised once, as "vornex", and kept hermetic: no user or system
// snmp.conf, no MIB files and no persistent state are read or written, so every opening
// of a device depends only on its device configuration.

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/types.h>

namespace vornex {

void snmp_library_init();

// snmp_open/snmp_close, counted, so that tests can prove no session outlives a failure.
netsnmp_session* snmp_open_counted(netsnmp_session* prepared);
void snmp_close_counted(netsnmp_session* session);
int snmp_open_session_count();

} // namespace vornex
