#include "maint/send_once.h"

#include "snmp/snmp_access.h"

#include <net-snmp/net-snmp-includes.h>

namespace vornex {

snmp_result set_integer_once(SnmpDevice& box, const std::vector<oid>& name, long value) {
    // The library reads the session's retry count while it waits for the answer, so the
    // count is put back only after the exchange.
    const int retries = box.set_session->retries;
    box.set_session->retries = 0;
    const snmp_result result =
        my_snmp_set_int(*box.presenter, box.set_session, name.data(), name.size(), value);
    box.set_session->retries = retries;
    return result;
}

} // namespace vornex
