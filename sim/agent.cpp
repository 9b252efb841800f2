#include "agent.h"

#include "reset.h"
#include "transfer.h"

// The configuration header must come first.
// clang-format off
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <net-snmp/agent/net-snmp-agent-includes.h>
// clang-format on

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>

namespace vornex::sim {

namespace {

Agent* the_agent = nullptr; // the library's callbacks carry no context of ours

std::optional<Value> from_var(const netsnmp_variable_list* v) {
    switch (v->type) {
    case ASN_INTEGER:
        return Value::integer(*v->val.integer);
    case ASN_TIMETICKS:
        return Value{Type::timeticks, static_cast<std::int64_t>(*v->val.integer), {}, {}};
    case ASN_OCTET_STR:
        return Value::octets(std::string(reinterpret_cast<const char*>(v->val.string), v->val_len));
    case ASN_OBJECT_ID:
        return Value::object_id(Oid(v->val.objid, v->val.objid + v->val_len / sizeof(oid)));
    case ASN_IPADDRESS: {
        if (v->val_len != 4)
            return std::nullopt;
        char dotted[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, v->val.string, dotted, sizeof dotted);
        return Value::ip_address(dotted);
    }
    default:
        return std::nullopt;
    }
}

void to_var(netsnmp_variable_list* v, const Value& value) {
    switch (value.type) {
    case Type::integer: {
        long n = static_cast<long>(value.number);
        snmp_set_var_typed_value(v, ASN_INTEGER, &n, sizeof n);
        break;
    }
    case Type::timeticks: {
        u_long n = static_cast<u_long>(value.number);
        snmp_set_var_typed_value(v, ASN_TIMETICKS, &n, sizeof n);
        break;
    }
    case Type::octets:
        snmp_set_var_typed_value(v, ASN_OCTET_STR, value.text.data(), value.text.size());
        break;
    case Type::object_id: {
        std::vector<oid> o(value.oid.begin(), value.oid.end());
        snmp_set_var_typed_value(v, ASN_OBJECT_ID, o.data(), o.size() * sizeof(oid));
        break;
    }
    case Type::ip_address: {
        in_addr address{};
        inet_pton(AF_INET, value.text.c_str(), &address);
        snmp_set_var_typed_value(v, ASN_IPADDRESS, &address, sizeof address);
        break;
    }
    }
}

// The wrong type a faulty agent answers: an INTEGER as the OCTET STRING of its digits, an
// OCTET STRING as INTEGER 0, anything else as the OCTET STRING of its typed text.
Value mistyped(const Value& v) {
    switch (v.type) {
    case Type::integer:
        return Value::octets(std::to_string(v.number));
    case Type::octets:
        return Value::integer(0);
    default:
        return Value::octets(typed_text(v));
    }
}

Oid oid_of(const netsnmp_variable_list* v) {
    return Oid(v->name, v->name + v->name_length);
}

std::string describe(const netsnmp_pdu* pdu) {
    std::string out;
    switch (pdu->command) {
    case SNMP_MSG_GET:
        out = "GET ";
        break;
    case SNMP_MSG_GETNEXT:
        out = "GETNEXT ";
        break;
    case SNMP_MSG_SET:
        out = "SET ";
        break;
    case SNMP_MSG_GETBULK:
        out = "GETBULK ";
        break;
    default:
        out = "PDU" + std::to_string(pdu->command) + " ";
    }
    bool first = true;
    for (auto* v = pdu->variables; v; v = v->next_variable) {
        if (!first)
            out += ',';
        first = false;
        out += oid_text(oid_of(v));
        if (pdu->command == SNMP_MSG_SET) {
            auto value = from_var(v);
            out += '=' + (value ? typed_text(*value) : "?:type" + std::to_string(v->type));
        }
    }
    return out;
}

std::string quoted(const std::string& s) {
    return '"' + s + '"';
}

} // namespace

struct Hooks {
    static std::chrono::steady_clock::time_point started(const Agent& a) { return a.started_; }

    static int pre_parse(netsnmp_session*, netsnmp_transport*, void*, int) {
        Agent& a = *the_agent;
        if (a.rebooting_ || (a.resets && a.resets->silent())) {
            a.log("dropped (rebooting)");
            return 0;
        }
        return 1;
    }

    static int post_parse(netsnmp_session*, netsnmp_pdu* pdu, int result) {
        Agent& a = *the_agent;
        // Engine-ID discovery probes carry no objects: they are not requests of their own.
        if (result != SNMPERR_SUCCESS || !pdu->variables)
            return 1;
        a.request_failure_.second = 0;
        a.request_mistyped_ = false;
        if (a.faults_.request_countdown > 0 && --a.faults_.request_countdown == 0) {
            a.faults_.silent = a.faults_.request_fault == request_time_out;
            a.request_mistyped_ = a.faults_.request_fault == request_wrong_type;
            a.request_failure_.second = std::max(a.faults_.request_fault, 0);
        }
        if (a.faults_.drop_next > 0 || a.faults_.silent) {
            if (a.faults_.drop_next > 0)
                --a.faults_.drop_next;
            a.log("dropped " + describe(pdu));
            return 0;
        }
        a.log(describe(pdu));
        // sysUpTime counts from the start or the last reboot.
        const auto elapsed = std::chrono::steady_clock::now() - a.started_;
        a.device_.store().assign(
            sys_up_time,
            Value{Type::timeticks,
                  std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() / 10,
                  {},
                  {}});
        return 1;
    }

    static int send(netsnmp_transport* t, const void* buf, int size, void** opaque, int* olength) {
        Agent& a = *the_agent;
        if (a.faults_.delay_ms <= 0)
            return a.udp_send_(t, buf, size, opaque, olength);
        Agent::Pending p;
        p.due = std::chrono::steady_clock::now() + std::chrono::milliseconds(a.faults_.delay_ms);
        p.data.assign(static_cast<const unsigned char*>(buf),
                      static_cast<const unsigned char*>(buf) + size);
        if (opaque && *opaque && olength && *olength > 0)
            p.opaque.assign(static_cast<unsigned char*>(*opaque),
                            static_cast<unsigned char*>(*opaque) + *olength);
        a.pending_.push_back(std::move(p));
        return size;
    }

    // Builds every outgoing message; leaves the omitted objects out of multi-object answers.
    static int build(netsnmp_session* session, netsnmp_pdu* pdu, u_char** pkt, size_t* len,
                     size_t* offset) {
        Agent& a = *the_agent;
        if (pdu->command == SNMP_MSG_RESPONSE && !a.faults_.omit.empty() && pdu->variables &&
            pdu->variables->next_variable) {
            netsnmp_variable_list** link = &pdu->variables;
            while (*link) {
                netsnmp_variable_list* v = *link;
                if (a.faults_.omit.count(oid_of(v))) {
                    *link = v->next_variable;
                    v->next_variable = nullptr;
                    snmp_free_varbind(v);
                } else {
                    link = &v->next_variable;
                }
            }
        }
        *offset = 0;
        const int result = snmp_build(pkt, len, offset, session, pdu);
        // snmp_build encodes from the end of the buffer; the caller expects the start.
        if (result == 0 && !(pdu->flags & UCD_MSG_FLAG_FORWARD_ENCODE))
            std::memmove(*pkt, *pkt + *len - *offset, *offset);
        return result;
    }

    static int handle(netsnmp_mib_handler*, netsnmp_handler_registration* reg,
                      netsnmp_agent_request_info* reqinfo, netsnmp_request_info* requests) {
        Agent& a = *the_agent;
        Store& store = a.device_.store();
        const Oid subtree(reg->rootoid, reg->rootoid + reg->rootoid_len);
        for (netsnmp_request_info* r = requests; r; r = r->next) {
            if (r->processed)
                continue;
            netsnmp_variable_list* vb = r->requestvb;
            const Oid name = oid_of(vb);
            auto answer = [&](const Oid& at, const Object& object) {
                if (auto* f = a.failing(at)) {
                    netsnmp_set_request_error(reqinfo, r, f->second);
                    return;
                }
                const bool wrong = a.request_mistyped_ || a.faults_.wrong_type.count(at);
                to_var(vb, wrong ? mistyped(object.value) : object.value);
            };
            switch (reqinfo->mode) {
            case MODE_GET:
                if (a.transfer)
                    a.transfer->reading(name);
                if (const Object* o = store.find(name))
                    answer(name, *o);
                else if (auto* f = a.failing(name))
                    netsnmp_set_request_error(reqinfo, r, f->second);
                else
                    netsnmp_set_request_error(reqinfo, r, SNMP_NOSUCHINSTANCE);
                break;
            case MODE_GETNEXT: {
                const auto* next = store.next(name);
                // Past the end of this subtree the library moves on to the next one.
                if (!next || !has_prefix(next->first, subtree))
                    break;
                // An exception value answers for the object asked, as at the end of the MIB.
                if (auto* f = a.failing(next->first);
                    f && f->second >= static_cast<int>(SNMP_NOSUCHOBJECT)) {
                    netsnmp_set_request_error(reqinfo, r, f->second);
                    break;
                }
                std::vector<oid> o(next->first.begin(), next->first.end());
                snmp_set_var_objid(vb, o.data(), o.size());
                answer(next->first, next->second);
                break;
            }
            case MODE_SET_RESERVE1: {
                if (auto* f = a.failing(name)) {
                    netsnmp_set_request_error(reqinfo, r, f->second);
                    break;
                }
                const auto value = from_var(vb);
                WriteCheck check = value ? store.check_write(name, *value)
                                         : (store.find(name) ? WriteCheck::wrong_type
                                                             : WriteCheck::no_such_object);
                if (check == WriteCheck::wrong_type && store.find(name) &&
                    !store.find(name)->rule.writable)
                    check = WriteCheck::not_writable;
                int status = SNMP_ERR_NOERROR;
                switch (check) {
                case WriteCheck::ok:
                    break;
                case WriteCheck::no_such_object:
                    status = SNMP_ERR_NOCREATION;
                    break;
                case WriteCheck::not_writable:
                    // The library answers a v1 manager noSuchName for it.
                    status = SNMP_ERR_NOTWRITABLE;
                    break;
                case WriteCheck::wrong_type:
                    status = SNMP_ERR_WRONGTYPE;
                    break;
                case WriteCheck::wrong_value:
                    status = SNMP_ERR_WRONGVALUE;
                    break;
                case WriteCheck::wrong_length:
                    status = SNMP_ERR_WRONGLENGTH;
                    break;
                }
                if (status == SNMP_ERR_NOERROR)
                    status = a.device_.refusal(name, *value);
                if (status != SNMP_ERR_NOERROR)
                    netsnmp_set_request_error(reqinfo, r, status);
                break;
            }
            case MODE_SET_ACTION: {
                const Object* o = store.find(name);
                if (!o)
                    break;
                netsnmp_request_add_list_data(
                    r, netsnmp_create_data_list("vornex-undo", new Value(o->value),
                                                [](void* p) { delete static_cast<Value*>(p); }));
                store.assign(name, *from_var(vb));
                break;
            }
            case MODE_SET_UNDO:
                if (auto* old =
                        static_cast<Value*>(netsnmp_request_get_list_data(r, "vornex-undo")))
                    store.assign(name, *old);
                break;
            case MODE_SET_COMMIT:
                a.device_.follow(name);
                if (a.resets)
                    a.resets->written(name);
                if (a.transfer)
                    a.transfer->written(name);
                break;
            default:
                break;
            }
        }
        return SNMP_ERR_NOERROR;
    }
};

} // namespace vornex::sim

// The library counts its engine time from its own start and offers no way to start it again,
// so the simulator answers for it: the library calls it through the dynamic linker, and this
// definition takes the place of its own. Seconds since the start or the last reboot,
// rounded as the library rounds them.
extern "C" u_long snmpv3_local_snmpEngineTime(void) {
    using namespace std::chrono;
    const auto since =
        vornex::sim::the_agent != nullptr
            ? steady_clock::now() - vornex::sim::Hooks::started(*vornex::sim::the_agent)
            : steady_clock::duration::zero();
    return static_cast<u_long>((duration_cast<milliseconds>(since).count() + 500) / 1000);
}

namespace vornex::sim {

Agent::~Agent() {
    if (transport_)
        snmp_shutdown("vornex-sim");
    if (!workdir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(workdir_, ec);
    }
    the_agent = nullptr;
}

void Agent::log(std::string entry) {
    // Bounded, so a long-running demo does not grow without end.
    if (requests_.size() >= 100000)
        requests_.pop_front();
    requests_.push_back(std::move(entry));
}

const std::pair<Oid, int>* Agent::failing(const Oid& oid) const {
    if (request_failure_.second != 0)
        return &request_failure_;
    for (const auto& f : faults_.fail)
        if (has_prefix(oid, f.first))
            return &f;
    return nullptr;
}

bool Agent::write_config(std::string& error) {
    const Credentials& c = device_.credentials();
    std::string engine_id = c.engine_id;
    if (engine_id.empty()) {
        // Enterprise 823 with the text format, "r4150-sim".
        engine_id = "0x8000033704";
        for (unsigned char ch : std::string("r4150-sim")) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02x", ch);
            engine_id += hex;
        }
    }
    std::ofstream conf(workdir_ + "/vornex-sim.conf");
    conf << "exactEngineID " << engine_id << "\n";
    if (!c.read_community.empty())
        conf << "rocommunity " << c.read_community << " 127.0.0.1\n";
    if (!c.write_community.empty())
        conf << "rwcommunity " << c.write_community << " 127.0.0.1\n";
    for (const auto& u : c.users) {
        conf << "createUser " << u.name;
        if (u.auth != "none") {
            conf << ' ' << u.auth << ' ' << quoted(u.auth_pass);
            if (u.priv != "none")
                conf << ' ' << u.priv << ' ' << quoted(u.priv_pass);
        }
        conf << '\n';
        const char* level = u.auth == "none" ? "noauth" : u.priv == "none" ? "auth" : "priv";
        conf << (u.write ? "rwuser " : "rouser ") << u.name << ' ' << level << '\n';
    }
    // Made here so the library does not announce making it.
    std::filesystem::create_directories(workdir_ + "/persist/cert_indexes");
    std::ofstream persist(workdir_ + "/persist/vornex-sim.conf");
    // The library adds one at start.
    persist << "engineBoots " << (c.engine_boots - 1) << "\noldEngineID " << engine_id << "\n";
    if (!conf || !persist) {
        error = "cannot write the agent's configuration in " + workdir_;
        return false;
    }
    return true;
}

bool Agent::start(const std::string& address, int port, std::string& error) {
    the_agent = this;
    // The engine (and the unit) may have been up for a while before the simulator starts.
    if (resets)
        started_ -= std::chrono::seconds(resets->timing().engine_time_s);
    for (const char* var :
         {"SNMPCONFPATH", "SNMP_PERSISTENT_DIR", "SNMP_PERSISTENT_FILE", "SNMPD_PERSISTENT_DIR"})
        unsetenv(var);
    char dir[] = "/tmp/vornex-sim.XXXXXX";
    if (!mkdtemp(dir)) {
        error = "cannot create a temporary folder";
        return false;
    }
    workdir_ = dir;
    // The agent answers with numbers only: no MIB files are read.
    setenv("MIBS", "", 1);
    setenv("MIBDIRS", workdir_.c_str(), 1);
    if (!write_config(error))
        return false;

    snmp_disable_log();
    snmp_enable_stderrlog();
    netsnmp_ds_set_boolean(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_ROLE, 0);
    netsnmp_ds_set_boolean(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_NO_ROOT_ACCESS, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_ALARM_DONT_USE_SIG, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_V2c, 1);
    set_configuration_directory(workdir_.c_str());
    set_persistent_directory((workdir_ + "/persist").c_str());

    init_agent("vornex-sim");
    for (const Oid& subtree : {system_group, device_.root()}) {
        std::vector<oid> o(subtree.begin(), subtree.end());
        auto* reg = netsnmp_create_handler_registration(
            subtree == system_group ? "system" : "r4150", &Hooks::handle, o.data(), o.size(),
            HANDLER_CAN_RWRITE);
        if (!reg || netsnmp_register_handler(reg) != MIB_REGISTERED_OK) {
            error = "cannot register the handler for " + oid_text(subtree);
            return false;
        }
    }
    init_snmp("vornex-sim");

    const std::string endpoint = "udp:" + address + ":" + std::to_string(port);
    netsnmp_transport* t = netsnmp_transport_open_server("vornex-sim", endpoint.c_str());
    if (!t) {
        error = "cannot listen on " + endpoint;
        return false;
    }
    sockaddr_in bound{};
    socklen_t bound_len = sizeof bound;
    if (getsockname(t->sock, reinterpret_cast<sockaddr*>(&bound), &bound_len) != 0) {
        error = "cannot read the bound port";
        return false;
    }
    port_ = ntohs(bound.sin_port);
    udp_send_ = t->f_send;
    t->f_send = &Hooks::send;

    netsnmp_session s;
    snmp_sess_init(&s);
    s.version = SNMP_DEFAULT_VERSION;
    s.callback = handle_snmp_packet;
    s.authenticator = nullptr;
    s.flags = netsnmp_ds_get_int(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_FLAGS);
    s.isAuthoritative = SNMP_SESS_AUTHORITATIVE;
    t->flags |= NETSNMP_TRANSPORT_FLAG_OPENED;
    if (!snmp_add_full(&s, t, &Hooks::pre_parse, nullptr, &Hooks::post_parse, nullptr,
                       &Hooks::build, nullptr, nullptr)) {
        error = "cannot open the agent session";
        return false;
    }
    transport_ = t;
    return true;
}

void Agent::reboot(int seconds) {
    rebooting_ = true;
    reboot_end_ = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    pending_.clear(); // answers still queued are lost with the reboot
}

void Agent::end_reboot() {
    rebooting_ = false;
    started_ = std::chrono::steady_clock::now();
    if (resets && resets->timing().keep_boots) {
        // A controller that comes back with the boots it had: only the time starts again.
        u_char id[SNMP_MAXBUF_SMALL];
        const size_t id_len = snmpv3_get_engineID(id, sizeof id);
        if (id_len)
            set_enginetime(id, static_cast<u_int>(id_len), snmpv3_local_snmpEngineBoots(), 0, TRUE);
        return;
    }
    // A rebooted engine counts one boot more, and its time from zero again (the engine time
    // counts from started_); SNMPv3 managers resynchronise on it.
    char boots[32];
    std::snprintf(boots, sizeof boots, "%lu", snmpv3_local_snmpEngineBoots());
    engineBoots_conf("engineBoots", boots);
    u_char id[SNMP_MAXBUF_SMALL];
    const size_t id_len = snmpv3_get_engineID(id, sizeof id);
    if (id_len)
        set_enginetime(id, static_cast<u_int>(id_len), snmpv3_local_snmpEngineBoots(),
                       snmpv3_local_snmpEngineTime(), TRUE);
}

void Agent::advance(std::int64_t ms) {
    if (resets) {
        resets->advance(ms);
        run_timers();
    }
}

void Agent::run_timers() {
    const auto now = std::chrono::steady_clock::now();
    if (rebooting_ && now >= reboot_end_)
        end_reboot();
    if (resets && resets->tick())
        end_reboot();
    while (!pending_.empty() && pending_.front().due <= now) {
        Pending p = std::move(pending_.front());
        pending_.pop_front();
        void* opaque = p.opaque.empty() ? nullptr : p.opaque.data();
        int olength = static_cast<int>(p.opaque.size());
        udp_send_(transport_, p.data.data(), static_cast<int>(p.data.size()), &opaque, &olength);
    }
}

std::vector<int> Agent::poll(const std::vector<int>& extra_fds,
                             std::chrono::milliseconds max_wait) {
    run_timers();
    auto wait = max_wait;
    const auto now = std::chrono::steady_clock::now();
    auto until = [&](std::chrono::steady_clock::time_point t) {
        auto d = std::chrono::duration_cast<std::chrono::milliseconds>(t - now);
        wait = std::max(std::chrono::milliseconds(0), std::min(wait, d));
    };
    if (!pending_.empty())
        until(pending_.front().due);
    if (rebooting_)
        until(reboot_end_);

    int nfds = 0;
    fd_set fds;
    FD_ZERO(&fds);
    timeval tv{static_cast<time_t>(wait.count() / 1000),
               static_cast<suseconds_t>((wait.count() % 1000) * 1000)};
    int block = 0;
    snmp_select_info(&nfds, &fds, &tv, &block);
    for (int fd : extra_fds) {
        FD_SET(fd, &fds);
        nfds = std::max(nfds, fd + 1);
    }
    const int n = select(nfds, &fds, nullptr, nullptr, &tv);
    std::vector<int> ready;
    if (n > 0) {
        for (int fd : extra_fds)
            if (FD_ISSET(fd, &fds)) {
                ready.push_back(fd);
                FD_CLR(fd, &fds);
            }
        snmp_read(&fds);
    } else if (n == 0) {
        snmp_timeout();
    }
    run_alarms();
    netsnmp_check_outstanding_agent_requests();
    run_timers();
    return ready;
}

} // namespace vornex::sim
