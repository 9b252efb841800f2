#pragma once
// Reset commands are written once. The set session retries a write that got no answer,
// which for most commands only costs time; for a reset whose answer was lost it would
// reset a controller or card that has just come back. The write goes out on the set
// session with its retries switched off for this one request.

#include "snmp/snmp_result.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/types.h>
#include <vector>

namespace vornex {

struct SnmpDevice;

// One SET of one INTEGER object (a full name, as SnmpDevice::object makes it), never
// repeated.
snmp_result set_integer_once(SnmpDevice& box, const std::vector<oid>& name, long value);

} // namespace vornex
