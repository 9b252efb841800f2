#include "device/box.h"

#include "config/device_config.h"
#include "model/card.h"
#include "snmp/snmp_access.h"
#include "snmp/snmp_library.h"

#include <cstring>
#include <net-snmp/net-snmp-includes.h>
#include <vector>

namespace vornex {

void free_box(std::unique_ptr<Box>& box) {
    box.reset();
}

namespace {

// The session settings every session of one device shares; only retries, timeout and (for
// SNMPv1) the community change between the probe, get and set sessions. The strings the
// structure points to live here too, so the structure stays valid while sessions are opened.
struct prepared_session {
    netsnmp_session session{};
    std::string peername;
    std::string community;
    std::string user;
    std::string context;

    void use(const session_timing& timing) {
        session.retries = timing.retries;
        session.timeout = timing.timeout_us;
    }
    void use_community(const std::string& text) {
        community = text;
        session.community = reinterpret_cast<u_char*>(community.data());
        session.community_len = community.size();
    }
};

void prepare_v3(Presenter& presenter, OwnerWindow owner, const device_config& config,
                prepared_session& p) {
    netsnmp_session& s = p.session;
    p.user = config.security_username;
    p.context = config.context_name;
    s.contextName = p.context.data();
    s.contextNameLen = p.context.size();
    s.securityName = p.user.data();
    s.securityNameLen = p.user.size();
    if (config.auth_protocol == auth_none) {
        s.securityLevel = SNMP_SEC_LEVEL_NOAUTH;
        return;
    }
    // Any protocol code but MD5 means SHA; any privacy code but AES means DES.
    const bool md5 = config.auth_protocol == auth_md5;
    s.securityAuthProto = md5 ? usmHMACMD5AuthProtocol : usmHMACSHA1AuthProtocol;
    s.securityAuthProtoLen = USM_AUTH_PROTO_MD5_LEN;
    s.securityAuthKeyLen = USM_AUTH_KU_LEN;
    if (generate_Ku(s.securityAuthProto, static_cast<u_int>(s.securityAuthProtoLen),
                    reinterpret_cast<const u_char*>(config.auth_key.data()), config.auth_key.size(),
                    s.securityAuthKey, &s.securityAuthKeyLen) != SNMPERR_SUCCESS) {
        error_dialog(presenter, owner,
                     "!Error\r\n\r\n\r\n\r\nError generating Ku from authentication pass phrase.");
    }
    if (config.priv_protocol == priv_none) {
        s.securityLevel = SNMP_SEC_LEVEL_AUTHNOPRIV;
        return;
    }
    s.securityLevel = SNMP_SEC_LEVEL_AUTHPRIV;
    const bool aes = config.priv_protocol == priv_aes;
    s.securityPrivProto = aes ? usmAESPrivProtocol : usmDESPrivProtocol;
    s.securityPrivProtoLen = USM_PRIV_PROTO_DES_LEN;
    s.securityPrivKeyLen = USM_PRIV_KU_LEN;
    // The privacy key is derived with the authentication protocol's hash.
    if (generate_Ku(s.securityAuthProto, static_cast<u_int>(s.securityAuthProtoLen),
                    reinterpret_cast<const u_char*>(config.priv_key.data()), config.priv_key.size(),
                    s.securityPrivKey, &s.securityPrivKeyLen) != SNMPERR_SUCCESS) {
        error_dialog(presenter, owner,
                     "!Error\r\n\r\n\r\n\r\nError generating Ku from privacy pass phrase.");
    }
}

bool parse_objid(Presenter& presenter, const char* text, std::vector<oid>& name) {
    name.assign(MAX_OID_LEN, 0);
    std::size_t length = name.size();
    if (read_objid(text, name.data(), &length) == 0) {
        internal_error_box(presenter, "Invalid object ID in get_chassis()");
        return false;
    }
    name.resize(length);
    return true;
}

} // namespace

int get_chassis(OwnerWindow owner, Box& box) {
    Presenter& presenter = *box.presenter;
    box.model = nullptr;
    std::vector<oid> name;
    if (!parse_objid(presenter, ".1.3.6.1.2.1.1.2.0", name)) {
        return 1;
    }
    std::size_t length = sizeof box.root;
    snmp_result result = my_snmp_get(presenter, box.get_session, name.data(), name.size(),
                                     asn_object_id, box.root.data(), length);
    if (result != snmp_ok) {
        snmp_report_probe_error(owner, box, result);
        return 1;
    }
    // Lengths are in bytes of the library's sub-identifier type. A value longer than the
    // root's 128 sub-identifiers was not copied, and its length alone refuses it here.
    box.root_len = static_cast<unsigned>(length / sizeof(oid));
    const std::string host = box.host();
    if (box.root_len != 8 && box.root_len != 10) {
        error_dialog(presenter, owner,
                     "!Error\r\n\r\n\r\nThe device at %s did not respond with a valid system "
                     "object ID.\r\n\r\nThe system object ID does not match the format used by "
                     "Vivi Dudider.  Please verify the IP.",
                     host.c_str());
        return 1;
    }
    const auto enterprise = static_cast<int>(box.root[6]);
    if (enterprise != vivi_enterprise_id) {
        error_dialog(presenter, owner,
                     "!Error\r\n\r\n\r\nUnknown device (eID:%d) at %s.\r\n\r\nThe reported "
                     "enterprise ID does not belong to Vivi Dudider.\r\n\r\nPlease verify the IP "
                     "address.",
                     enterprise, host.c_str());
        return 1;
    }
    const auto model_id = static_cast<int>(box.root[7]);
    const device_model* row = device_models;
    while (row->model_id != 0 && row->model_id != model_id) {
        ++row;
    }
    if (row->model_id == 0) {
        error_dialog(presenter, owner,
                     "!Error\r\n\r\n\r\nUnknown device (mID:%d) at %s.\r\n\r\nThe reported MIB ID "
                     "is not recognized.\r\n\r\nPlease verify the device IP address and that the "
                     "device is supported by this version of the Vornex program.",
                     model_id, host.c_str());
        return 1;
    }
    box.model = row;
    if (!parse_objid(presenter, ".1.3.6.1.2.1.1.5.0", name)) {
        return 1;
    }
    char sys_name[sys_name_size] = {};
    length = sizeof sys_name;
    result = my_snmp_get(presenter, box.get_session, name.data(), name.size(), asn_octet_string,
                         sys_name, length);
    if (result != snmp_ok) {
        snmp_report_probe_error(owner, box, result);
        return 1;
    }
    box.sys_name.assign(sys_name, length);
    return 0;
}

std::unique_ptr<Box> AM_New_Box(Presenter& presenter, OwnerWindow owner,
                                const device_config& config, const session_timings& timings) {
    snmp_library_init();
    auto box = std::make_unique<Box>(presenter);

    prepared_session p;
    snmp_sess_init(&p.session);
    p.peername = config.hostname;
    p.session.peername = p.peername.data();
    p.session.version = config.snmp_version;
    p.use(timings.probe);
    const bool v3 = config.snmp_version == snmp_version_3;
    if (v3) {
        prepare_v3(presenter, owner, config, p);
    } else {
        p.use_community(config.get_community);
    }

    box->get_session = snmp_open_counted(&p.session);
    if (box->get_session == nullptr) {
        error_dialog(presenter, owner,
                     "!Error\r\n\r\n\r\nUnable to create SNMP session with %s for "
                     "probe.\r\n\r\nThis error is usually caused by an invalid IP address or "
                     "hostname. Please verify the device configuration.  Do not insert leading "
                     "spaces or pad IPv4 addresses with leading zeros.  When using a hostname, use "
                     "the \"nslookup\" command-line utility to verify the PC can resolve the "
                     "hostname.",
                     config.hostname.c_str());
        return nullptr;
    }
    if (get_chassis(owner, *box) != 0) {
        return nullptr; // the box closes the probe session
    }
    snmp_close_counted(box->get_session);
    box->get_session = nullptr;

    p.use(timings.get);
    box->get_session = snmp_open_counted(&p.session);
    if (box->get_session == nullptr) {
        error_dialog(presenter, owner,
                     "Error\r\n\r\n\r\nSNMP library error in snmp_open() for get.\r\n\r\nPlease "
                     "exit the Vornex program and reboot the PC.\r\n\r\nIf the problem persists, "
                     "please contact Orlique support.");
        return nullptr;
    }

    p.use(timings.set);
    if (!v3) {
        p.use_community(config.set_community);
    }
    box->set_session = snmp_open_counted(&p.session);
    if (box->set_session == nullptr) {
        if (!v3) {
            error_dialog(
                presenter, owner,
                "Error\r\n\r\n\r\nSNMP library error in snmp_open() for set.\r\n\r\nPlease "
                "confirm the SNMP Set Community is valid.  If no error is found, exit the "
                "Vornex program and reboot the PC.\r\n\r\nIf the problem persists, please "
                "contact Orlique support.");
        } else {
            error_dialog(
                presenter, owner,
                "Error\r\n\r\n\r\nSNMP library error in snmp_open() for set.\r\n\r\nPlease "
                "exit the Vornex program and reboot the PC.\r\n\r\nIf the problem "
                "persists, please contact Orlique support.");
        }
        return nullptr;
    }
    box->comments_dirty = false;
    return box;
}

} // namespace vornex
