#include "snmp/snmp_access.h"

#include <cstdint>
#include <cstring>
#include <net-snmp/net-snmp-includes.h>

namespace vornex {

namespace {

bool is_exception(u_char type) {
    return type == SNMP_NOSUCHOBJECT || type == SNMP_NOSUCHINSTANCE || type == SNMP_ENDOFMIBVIEW;
}

// The outcome of one exchange: the transport status if the request got no usable answer,
// else the device's error-status.
snmp_result exchange(netsnmp_session* session, netsnmp_pdu* request, netsnmp_pdu** response) {
    *response = nullptr;
    session->s_snmp_errno = SNMPERR_SUCCESS;
    const int status = snmp_synch_response(session, request, response);
    if (status != STAT_SUCCESS) {
        // An SNMPv3 session first discovers the agent's engine; when nobody answers that,
        // the library gives up with a plain error and keeps the time-out in the session.
        if (status == STAT_ERROR && session->s_snmp_errno == SNMPERR_TIMEOUT) {
            return snmp_stat_timeout;
        }
        return static_cast<snmp_result>(status);
    }
    if (*response == nullptr) {
        return snmp_stat_error;
    }
    if ((*response)->errstat != SNMP_ERR_NOERROR) {
        return snmp_result_from_error_status((*response)->errstat);
    }
    // Where an SNMPv1 agent refuses the whole request with noSuchName, an SNMPv3 agent
    // answers an absent object (or the end of its objects) with an exception value in
    // place of the value. Both mean the same to every reader, so both read as noSuchName.
    for (const netsnmp_variable_list* var = (*response)->variables; var != nullptr;
         var = var->next_variable) {
        if (is_exception(var->type)) {
            return snmp_result_from_error_status(SNMP_ERR_NOSUCHNAME);
        }
    }
    return snmp_ok;
}

// Frees the response on every path.
struct response_holder {
    netsnmp_pdu* pdu = nullptr;
    ~response_holder() {
        if (pdu != nullptr) {
            snmp_free_pdu(pdu);
        }
    }
};

snmp_value value_of(const netsnmp_variable_list* var) {
    snmp_value v;
    v.name.assign(var->name, var->name + var->name_length);
    v.type = var->type;
    switch (var->type) {
    case ASN_INTEGER:
        v.integer = var->val.integer != nullptr ? *var->val.integer : 0;
        break;
    case ASN_OCTET_STR:
        v.octets.assign(reinterpret_cast<const char*>(var->val.string), var->val_len);
        break;
    case ASN_OBJECT_ID:
        v.object_id.assign(var->val.objid, var->val.objid + var->val_len / sizeof(oid));
        break;
    default:
        break;
    }
    return v;
}

} // namespace

snmp_result my_snmp_get(Presenter& presenter, netsnmp_session* session, const oid* name,
                        std::size_t name_len, u_char expected_type, void* buffer,
                        std::size_t& length) {
    SnmpGet get(session);
    get.add_name(std::vector<oid>(name, name + name_len), expected_type);
    snmp_result result = get.send();
    if (result != snmp_ok) {
        return result;
    }
    const snmp_value* value = get.value(0);
    if (value == nullptr) {
        return snmp_local_failure;
    }
    const std::size_t capacity = length;
    auto* bytes = static_cast<unsigned char*>(buffer);
    switch (expected_type) {
    case asn_integer: {
        const std::int32_t integer = static_cast<std::int32_t>(value->integer);
        std::memcpy(buffer, &integer, sizeof integer);
        length = sizeof integer;
        break;
    }
    case asn_octet_string: {
        if (capacity == 0) {
            length = 0;
            break;
        }
        const std::size_t size = value->octets.size();
        const std::size_t kept = size < capacity ? size : capacity - 1;
        std::memcpy(bytes, value->octets.data(), kept);
        bytes[kept] = '\0';
        length = kept;
        break;
    }
    case asn_object_id: {
        // A value that does not fit is told by its length, which exceeds the capacity.
        const std::size_t size = value->object_id.size() * sizeof(oid);
        if (size != 0 && size <= capacity) { // an empty vector's data() may be null
            std::memcpy(bytes, value->object_id.data(), size);
        }
        length = size;
        break;
    }
    default:
        internal_error_box(presenter, "my_snmp_get() add support for variable type %d\n",
                           expected_type);
        result = snmp_local_failure;
        break;
    }
    return result;
}

snmp_result get_device_integer(const SnmpDevice& box, std::initializer_list<oid> suffix,
                               std::int32_t& value) {
    SnmpGet get(box);
    get.add(suffix, asn_integer);
    const snmp_result result = get.send();
    if (result != snmp_ok) {
        return result;
    }
    const std::optional<long> integer = get.integer(0);
    if (!integer) {
        return snmp_local_failure;
    }
    value = static_cast<std::int32_t>(*integer);
    return snmp_ok;
}

snmp_result my_snmp_set_int(Presenter& presenter, netsnmp_session* session, const oid* name,
                            std::size_t name_len, long value) {
    netsnmp_pdu* request = snmp_pdu_create(SNMP_MSG_SET);
    const std::string text = std::to_string(static_cast<std::int32_t>(value));
    if (snmp_add_var(request, name, name_len, 'i', text.c_str()) != 0) {
        snmp_free_pdu(request);
        internal_error_box(presenter, "invalid object ID in my_snmp_set_int()");
        return snmp_local_failure;
    }
    response_holder response;
    return exchange(session, request, &response.pdu);
}

void snmp_report_error(const SnmpDevice& box, snmp_result result, const char* action,
                       const char* advice) {
    Presenter& presenter = *box.presenter;
    const std::string host = box.host();
    const unsigned transport = snmp_transport_status(result);
    if (transport != 0) {
        error_dialog_main(presenter,
                          "!!Communication Error\r\n\r\n\r\nA communication %s occurred with %s "
                          "while %s.\r\n\r\nVerify network connection.\r\n%s\r\n",
                          transport == snmp_stat_timeout ? "timeout" : "error", host.c_str(),
                          action, advice);
        return;
    }
    const int status = snmp_error_status(result);
    const std::string name(snmp_error_name(status));
    switch (status) {
    case SNMP_ERR_NOSUCHNAME:
        error_dialog_main(
            presenter,
            "!!SNMP Error\r\nA SNMP error occurred while %s.\r\n\r\nSNMP Error: %s\r\n\r\nThis "
            "error can occur when the Vornex program is out-of-sync with the device "
            "configuration.  Perform a rescan operation to re-read the configuration.  This "
            "error can also occur when the Vornex program encounters an unsupported card or "
            "feature.  Contact Orlique support if the problem persists.",
            action, name.c_str());
        break;
    case SNMP_ERR_BADVALUE:
    case SNMP_ERR_WRONGVALUE:
        error_dialog_main(
            presenter,
            "!!SNMP Error\r\nA SNMP error occurred while %s.\r\n\r\nSNMP Error: %s\r\n\r\nThis "
            "error can occur when the requested action is invalid  or conflicts with the current "
            "configuration.  Perform a rescan operation to re-read the configuration.  Contact "
            "Orlique support if the problem persists.",
            action, name.c_str());
        break;
    case SNMP_ERR_READONLY:
    case SNMP_ERR_NOACCESS:
    case SNMP_ERR_AUTHORIZATIONERROR:
        error_dialog_main(presenter,
                          "||SNMP Error\r\n\r\n\r\nA SNMP error occurred while %s.\r\n\r\nSNMP "
                          "Error: %s\r\n\r\nReview the SNMPv3 security configuration and confirm "
                          "the user's read-view and write-view allow access to the MIB sub-tree "
                          "required to perform the action.",
                          action, name.c_str());
        return;
    default:
        break;
    }
    error_dialog_main(presenter,
                      "!!SNMP Error\r\n\r\n\r\nA SNMP error occurred while %s.\r\n\r\nSNMP error: "
                      "%s\r\n\r\n%s",
                      action, name.c_str(), advice);
}

void snmp_report_probe_error(OwnerWindow owner, const SnmpDevice& box, snmp_result result) {
    Presenter& presenter = *box.presenter;
    const std::string host = box.host();
    const unsigned transport = snmp_transport_status(result);
    if (transport != 0) {
        error_dialog(presenter, owner,
                     "!!Communication Error\r\n\r\n\r\nA communication %s occurred with "
                     "%s.\r\n\r\nVerify the network connection and that you can ping the target "
                     "device from your PC.  Verify UDP port 161 is not blocked by a firewall.  "
                     "Verify SNMP is enabled in the target device and that the SNMP settings, "
                     "such as the community strings or SNMPv3 security strings, match the "
                     "settings in the Vornex configuration file.",
                     transport == snmp_stat_timeout ? "timeout" : "error", host.c_str());
        return;
    }
    const int status = snmp_error_status(result);
    if (status == SNMP_ERR_AUTHORIZATIONERROR) {
        error_dialog(presenter, owner,
                     "||SNMP Error\r\n\r\n\r\nA SNMP authorization error occurred with "
                     "%s.\r\n\r\nReview the SNMPv3 view-based access controls and confirm the "
                     "user's read-view permits access to the full MIB.",
                     host.c_str());
        return;
    }
    const std::string name(snmp_error_name(status));
    error_dialog(presenter, owner,
                 "!!SNMP Error\r\n\r\n\r\nA SNMP error occurred with %s.\r\n\r\nSNMP error: "
                 "%s\r\n\r\nVerify the Vornex configuration file is accessing the intended device "
                 "and that the SNMP configuration is correct.",
                 host.c_str(), name.c_str());
}

SnmpGet& SnmpGet::add(std::initializer_list<oid> suffix, u_char expected_type) {
    return add_name(box_->object(suffix), expected_type);
}

SnmpGet& SnmpGet::add_name(std::vector<oid> name, u_char expected_type) {
    names_.push_back(std::move(name));
    expected_.push_back(expected_type);
    return *this;
}

snmp_result SnmpGet::send() {
    return exchange_request(SNMP_MSG_GET);
}

snmp_result SnmpGet::send_next() {
    return exchange_request(SNMP_MSG_GETNEXT);
}

snmp_result SnmpGet::exchange_request(int command) {
    answer_.clear();
    netsnmp_pdu* request = snmp_pdu_create(command);
    for (const auto& name : names_) {
        snmp_add_null_var(request, name.data(), name.size());
    }
    response_holder response;
    const snmp_result result =
        exchange(box_ != nullptr ? box_->get_session : session_, request, &response.pdu);
    if (result != snmp_ok) {
        return result;
    }
    for (const netsnmp_variable_list* var = response.pdu->variables; var != nullptr;
         var = var->next_variable) {
        answer_.push_back(value_of(var));
    }
    return result;
}

snmp_result SnmpGet::send(const snmp_action& what) {
    const snmp_result result = send();
    if (result != snmp_ok) {
        snmp_report_error(*box_, result, what);
    }
    return result;
}

const snmp_value* SnmpGet::value(std::size_t position) const {
    // The answer is taken in request order; a position answered with another type (or not
    // at all) has no value, and the caller decides what that means.
    if (position >= answer_.size() || position >= expected_.size() ||
        answer_[position].type != expected_[position]) {
        return nullptr;
    }
    return &answer_[position];
}

std::optional<long> SnmpGet::integer(std::size_t position) const {
    const snmp_value* v = value(position);
    if (v == nullptr || v->type != asn_integer) {
        return std::nullopt;
    }
    return v->integer;
}

std::optional<std::string> SnmpGet::octets(std::size_t position) const {
    const snmp_value* v = value(position);
    if (v == nullptr || v->type != asn_octet_string) {
        return std::nullopt;
    }
    return v->octets;
}

SnmpSet& SnmpSet::add_integer(std::initializer_list<oid> suffix, long value) {
    items_.push_back({box_.object(suffix), 'i', std::to_string(value)});
    return *this;
}

SnmpSet& SnmpSet::add_string(std::initializer_list<oid> suffix, std::string_view value) {
    return add_string_name(box_.object(suffix), value);
}

SnmpSet& SnmpSet::add_string_name(std::vector<oid> name, std::string_view value) {
    items_.push_back({std::move(name), 's', std::string(value)});
    return *this;
}

SnmpSet& SnmpSet::add_typed(std::initializer_list<oid> suffix, char type, std::string_view value) {
    items_.push_back({box_.object(suffix), type, std::string(value)});
    return *this;
}

snmp_result SnmpSet::send() {
    netsnmp_pdu* request = snmp_pdu_create(SNMP_MSG_SET);
    for (const item& i : items_) {
        if (snmp_add_var(request, i.name.data(), i.name.size(), i.type, i.text.c_str()) != 0) {
            snmp_free_pdu(request);
            internal_error_box(*box_.presenter, "invalid object ID in SNMP set request");
            return snmp_local_failure;
        }
    }
    response_holder response;
    return exchange(box_.set_session, request, &response.pdu);
}

snmp_result SnmpSet::send(const snmp_action& what) {
    const snmp_result result = send();
    if (result != snmp_ok) {
        snmp_report_error(box_, result, what);
    }
    return result;
}

} // namespace vornex
