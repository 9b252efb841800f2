#include "snmp_client.h"

#include <gtest/gtest.h>

namespace vornex::test {

namespace {

std::string typed(const netsnmp_variable_list* v) {
    switch (v->type) {
    case ASN_INTEGER:
        return "i:" + std::to_string(*v->val.integer);
    case ASN_TIMETICKS:
        return "t:" + std::to_string(static_cast<unsigned long>(*v->val.integer));
    case ASN_OCTET_STR:
        return "s:" + std::string(reinterpret_cast<const char*>(v->val.string), v->val_len);
    case ASN_OBJECT_ID: {
        std::string out = "o:";
        for (size_t i = 0; i < v->val_len / sizeof(oid); ++i)
            out += (i ? "." : "") + std::to_string(v->val.objid[i]);
        return out;
    }
    default:
        return "?:" + std::to_string(v->type);
    }
}

std::string numeric(const oid* name, size_t len) {
    std::string out;
    for (size_t i = 0; i < len; ++i)
        out += (i ? "." : "") + std::to_string(name[i]);
    return out;
}

void init_library() {
    static bool done = false;
    if (done)
        return;
    done = true;
    // Numbers only, and nothing from the user's or system's configuration.
    setenv("MIBS", "", 1);
    setenv("SNMPCONFPATH", "/nonexistent", 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_PERSIST_STATE, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
    init_snmp("vornex-sim-test");
}

} // namespace

void Manager::open(netsnmp_session& s, const std::string& peer, long timeout_ms, int retries) {
    s.peername = const_cast<char*>(peer.c_str());
    s.timeout = timeout_ms * 1000;
    s.retries = retries;
    session_ = snmp_open(&s);
    if (!session_)
        ADD_FAILURE() << "snmp_open failed for " << peer;
}

Manager::Manager(const std::string& peer, const std::string& community, long timeout_ms,
                 int retries) {
    init_library();
    netsnmp_session s;
    snmp_sess_init(&s);
    s.version = SNMP_VERSION_1;
    s.community = reinterpret_cast<u_char*>(const_cast<char*>(community.c_str()));
    s.community_len = community.size();
    open(s, peer, timeout_ms, retries);
}

Manager::Manager(const std::string& peer, const V3Login& login, long timeout_ms, int retries) {
    init_library();
    netsnmp_session s;
    snmp_sess_init(&s);
    s.version = SNMP_VERSION_3;
    s.securityName = const_cast<char*>(login.user.c_str());
    s.securityNameLen = login.user.size();
    s.securityLevel = SNMP_SEC_LEVEL_NOAUTH;
    if (login.auth != "none") {
        const bool md5 = login.auth == "MD5";
        s.securityAuthProto =
            const_cast<oid*>(md5 ? usmHMACMD5AuthProtocol : usmHMACSHA1AuthProtocol);
        s.securityAuthProtoLen = USM_AUTH_PROTO_MD5_LEN;
        s.securityAuthKeyLen = USM_AUTH_KU_LEN;
        generate_Ku(s.securityAuthProto, s.securityAuthProtoLen,
                    reinterpret_cast<const u_char*>(login.auth_pass.c_str()),
                    login.auth_pass.size(), s.securityAuthKey, &s.securityAuthKeyLen);
        s.securityLevel = SNMP_SEC_LEVEL_AUTHNOPRIV;
        if (login.priv != "none") {
            const bool des = login.priv == "DES";
            s.securityPrivProto = const_cast<oid*>(des ? usmDESPrivProtocol : usmAESPrivProtocol);
            s.securityPrivProtoLen = USM_PRIV_PROTO_DES_LEN;
            s.securityPrivKeyLen = USM_PRIV_KU_LEN;
            generate_Ku(s.securityAuthProto, s.securityAuthProtoLen,
                        reinterpret_cast<const u_char*>(login.priv_pass.c_str()),
                        login.priv_pass.size(), s.securityPrivKey, &s.securityPrivKeyLen);
            s.securityLevel = SNMP_SEC_LEVEL_AUTHPRIV;
        }
    }
    open(s, peer, timeout_ms, retries);
}

Manager::~Manager() {
    if (session_)
        snmp_close(session_);
}

Answer Manager::get(const std::vector<std::string>& oids) {
    std::vector<std::pair<std::string, std::string>> vars;
    for (const auto& o : oids)
        vars.emplace_back(o, "");
    return exchange(SNMP_MSG_GET, vars);
}

Answer Manager::get_next(const std::vector<std::string>& oids) {
    std::vector<std::pair<std::string, std::string>> vars;
    for (const auto& o : oids)
        vars.emplace_back(o, "");
    return exchange(SNMP_MSG_GETNEXT, vars);
}

Answer Manager::set(const std::vector<std::pair<std::string, std::string>>& values) {
    return exchange(SNMP_MSG_SET, values);
}

Answer Manager::exchange(int command,
                         const std::vector<std::pair<std::string, std::string>>& vars) {
    Answer answer;
    answer.status = STAT_ERROR;
    if (!session_)
        return answer;
    netsnmp_pdu* pdu = snmp_pdu_create(command);
    for (const auto& [name, value] : vars) {
        oid o[MAX_OID_LEN];
        size_t len = MAX_OID_LEN;
        if (!read_objid(name.c_str(), o, &len)) {
            ADD_FAILURE() << "bad object identifier " << name;
            snmp_free_pdu(pdu);
            return answer;
        }
        if (command == SNMP_MSG_SET)
            snmp_add_var(pdu, o, len, value.at(0), value.substr(2).c_str());
        else
            snmp_add_null_var(pdu, o, len);
    }
    netsnmp_pdu* response = nullptr;
    answer.status = snmp_synch_response(session_, pdu, &response);
    if (answer.status == STAT_SUCCESS && response) {
        answer.error_status = response->errstat;
        answer.error_index = response->errindex;
        for (auto* v = response->variables; v; v = v->next_variable)
            answer.objects.emplace_back(numeric(v->name, v->name_length), typed(v));
    }
    if (response)
        snmp_free_pdu(response);
    return answer;
}

} // namespace vornex::test
