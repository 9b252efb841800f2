#pragma once
// Every exchange with the device goes through here: a typed read of one object, a write of
// one INTEGER, the multi-object GET and SET that every other subsystem builds its requests
// with, and the two routines that turn a failed snmp_result into the program's message.
// Everything is synchronous; a call blocks for at most the session's timeout times its tries.

#include "snmp/snmp_device.h"
#include "snmp/snmp_result.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/types.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vornex {

// ASN.1 type bytes the program reads and writes.
inline constexpr u_char asn_integer = 0x02;
inline constexpr u_char asn_octet_string = 0x04;
inline constexpr u_char asn_object_id = 0x06;

// What a failed operation was doing ("while %s") and what the operator should do next.
struct snmp_action {
    const char* action;
    const char* advice;
};

inline constexpr snmp_action reading_configuration_rescan{"reading configuration", "Rescan device"};
inline constexpr snmp_action reading_configuration_retry{"reading configuration",
                                                         "Retry Operation"};
inline constexpr snmp_action reading_status{"reading configuration", " "};
inline constexpr snmp_action setting_configuration{"setting configuration", "Retry Operation"};
inline constexpr snmp_action setting_granularity{"setting granularity", "Retry Operation"};
inline constexpr snmp_action setting_map_entries{"setting map entries", "Retry Operation"};
inline constexpr snmp_action clearing_map_entries{"clearing map entries", "Retry Operation"};
inline constexpr snmp_action copying_map_entries{"copying map entries", "Retry Operation"};
inline constexpr snmp_action storing_map{"storing map", "Retry Operation"};
inline constexpr snmp_action retrieving_map{"retrieving map", "Retry Operation"};
inline constexpr snmp_action activating_map{"activating map", "Retry Operation"};
inline constexpr snmp_action sending_reset_command{"sending reset command", " "};
inline constexpr snmp_action performing_file_transfer{"performing file transfer", " "};

// One GET of one object on `session` (an SnmpGet of one object). `length` is the capacity
// of `buffer` in bytes on entry and the value's length on return: an INTEGER is stored as
// 32 bits (length 4); an OCTET STRING is cut to capacity - 1 and always terminated; an
// OBJECT IDENTIFIER is copied only if it fits, and its true byte length is returned either
// way.
snmp_result my_snmp_get(Presenter& presenter, netsnmp_session* session, const oid* name,
                        std::size_t name_len, u_char expected_type, void* buffer,
                        std::size_t& length);

// One GET of one INTEGER device object (the root followed by `suffix`) on the get session,
// as an SnmpGet of one object; a value of another type is a local failure.
snmp_result get_device_integer(const SnmpDevice& box, std::initializer_list<oid> suffix,
                               std::int32_t& value);

// One SET of one INTEGER object.
snmp_result my_snmp_set_int(Presenter& presenter, netsnmp_session* session, const oid* name,
                            std::size_t name_len, long value);

void snmp_report_error(const SnmpDevice& box, snmp_result result, const char* action,
                       const char* advice);
inline void snmp_report_error(const SnmpDevice& box, snmp_result result, const snmp_action& what) {
    snmp_report_error(box, result, what.action, what.advice);
}

void snmp_report_probe_error(OwnerWindow owner, const SnmpDevice& box, snmp_result result);

// A variable as the device answered it.
struct snmp_value {
    std::vector<oid> name;
    u_char type = 0;
    long integer = 0;
    std::string octets;
    std::vector<oid> object_id;
};

// A multi-object GET on the get session: objects in a fixed order, one request, each value
// kept only if the device answered it with the type expected at its position. Every read
// of the program is built, sent and taken apart here.
class SnmpGet {
public:
    explicit SnmpGet(const SnmpDevice& box) : box_(&box) {}

    SnmpGet& add(std::initializer_list<oid> suffix, u_char expected_type);
    SnmpGet& add_name(std::vector<oid> name, u_char expected_type);

    // Sends the request. Failures are left to the caller (a probe may read an error-status
    // as "absent"); the overload with an action reports them with snmp_report_error. An
    // SNMPv3 answer that holds an exception value in place of a value fails as noSuchName,
    // as an SNMPv1 agent's answer to the same request does.
    snmp_result send();
    snmp_result send(const snmp_action& what);
    // Sends the objects as a GETNEXT instead: the device answers each with the object that
    // follows it, which walks a table from any row index.
    snmp_result send_next();

    std::size_t size() const { return names_.size(); }
    const std::vector<oid>& name(std::size_t position) const { return names_[position]; }
    // Every variable of the answer, in the order the device sent them.
    const std::vector<snmp_value>& answer() const { return answer_; }
    // The value at a position, if it came back with its expected type.
    const snmp_value* value(std::size_t position) const;
    std::optional<long> integer(std::size_t position) const;
    std::optional<std::string> octets(std::size_t position) const;

private:
    // my_snmp_get reads on a session it is handed, with no device around it: objects go by
    // full name (add_name) and failures back to it (send()).
    friend snmp_result my_snmp_get(Presenter& presenter, netsnmp_session* session, const oid* name,
                                   std::size_t name_len, u_char expected_type, void* buffer,
                                   std::size_t& length);
    explicit SnmpGet(netsnmp_session* session) : session_(session) {}
    snmp_result exchange_request(int command);

    const SnmpDevice* box_ = nullptr;
    netsnmp_session* session_ = nullptr; // used only without a device
    std::vector<std::vector<oid>> names_;
    std::vector<u_char> expected_;
    std::vector<snmp_value> answer_;
};

// A multi-object SET on the set session, applied by the device as a whole or not at all.
class SnmpSet {
public:
    explicit SnmpSet(const SnmpDevice& box) : box_(box) {}

    SnmpSet& add_integer(std::initializer_list<oid> suffix, long value);
    SnmpSet& add_string(std::initializer_list<oid> suffix, std::string_view value);
    SnmpSet& add_string_name(std::vector<oid> name, std::string_view value);
    // Any type letter snmp_add_var takes: 'a' IpAddress (dotted text), 'x' OCTET STRING
    // written as hexadecimal pairs.
    SnmpSet& add_typed(std::initializer_list<oid> suffix, char type, std::string_view value);

    snmp_result send();
    snmp_result send(const snmp_action& what);

private:
    struct item {
        std::vector<oid> name;
        char type; // 'i' INTEGER as decimal text, 's' OCTET STRING, or add_typed's letter
        std::string text;
    };
    const SnmpDevice& box_;
    std::vector<item> items_;
};

} // namespace vornex
