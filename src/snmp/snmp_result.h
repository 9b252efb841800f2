#pragma once
// The one result code of every device exchange. 0 is success; a non-zero low half is the
// transport status of the exchange (1 error, 2 timeout); otherwise the high half is the
// SNMP error-status the device answered. Callers test the low half first.

#include <cstdint>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <string_view>

namespace vornex {

using snmp_result = std::uint32_t;

inline constexpr snmp_result snmp_ok = 0;
inline constexpr snmp_result snmp_stat_error = STAT_ERROR;
inline constexpr snmp_result snmp_stat_timeout = STAT_TIMEOUT;

constexpr snmp_result snmp_result_from_error_status(long error_status) {
    return static_cast<snmp_result>(error_status) << 16;
}

// A local failure (value of another type than asked, unsupported type, a refused OID). It
// reads as noSuchName and is reported as such.
inline constexpr snmp_result snmp_local_failure =
    snmp_result_from_error_status(SNMP_ERR_NOSUCHNAME);
constexpr unsigned snmp_transport_status(snmp_result result) {
    return result & 0xFFFFu;
}
constexpr int snmp_error_status(snmp_result result) {
    return static_cast<int>(static_cast<std::int32_t>(result) >> 16);
}

// The display text of an SNMP error-status; "" for 0 and for codes the table lacks.
std::string_view snmp_error_name(int error_status);

struct snmp_error_name_row {
    int code;
    const char* text;
};
// Searched in order until the code matches or the terminator row (code 0) is reached.
extern const snmp_error_name_row snmp_error_names[];

} // namespace vornex
