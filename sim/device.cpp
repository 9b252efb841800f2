#include "device.h"

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

namespace vornex::sim {

namespace {

using nlohmann::json;

struct CardType {
    int registered;
    int installed;
    const char* name;
    Family family;
    bool protected_pair;
    int augs;        // per port, for STM/OC cards
    Oid test_suffix; // working/standby test column, below the root; the slot follows
};

// The card types the device knows, with the objects their slots carry.
const std::vector<CardType>& card_types() {
    static const std::vector<CardType> types = {
        {0, 0, "HDLC", none, false, 0, {}},
        {1, 1, "empty", none, false, 0, {}},
        {2, 2, "E1-NP", e1, false, 0, {}},
        {3, 2, "E1-PRTD", e1, true, 0, {3, 1, 4, 1, 2}},
        {4, 2, "T1-NP", t1, false, 0, {}},
        {5, 2, "T1-PRTD", t1, true, 0, {4, 1, 4, 1, 2}},
        {11, 6, "STM4-MSP(1+1)", sdh, true, 4, {2, 26, 1, 2}},
        {13, 6, "STM1-NP", sdh, false, 1, {}},
        {15, 6, "STM1-MSP(1+1)", sdh, true, 1, {2, 26, 1, 2}},
        {17, 6, "OC12-MSP(1+1)", sonet, true, 4, {2, 26, 1, 2}},
        {19, 6, "OC3-NP", sonet, false, 1, {}},
        {21, 6, "OC3-MSP(1+1)", sonet, true, 1, {2, 26, 1, 2}},
        {38, 15, "T3-MX3-NP", t3, false, 0, {}},
        {39, 15, "T3-MX3-PRTD", t3, true, 0, {5, 1, 4, 1, 2}},
        {40, 2, "E1-1:N", e1, false, 0, {}},
        {41, 2, "T1-1:N", t1, false, 0, {}},
    };
    return types;
}

const CardType* type_by_code(int code) {
    for (const auto& t : card_types())
        if (t.registered == code)
            return &t;
    return nullptr;
}

const CardType* type_by_name(const std::string& name) {
    for (const auto& t : card_types())
        if (name == t.name)
            return &t;
    return nullptr;
}

int default_ports(Family f) {
    switch (f) {
    case e1:
    case t1:
        return 8;
    case t3:
        return 3;
    case sdh:
    case sonet:
        return 1;
    case none:
        break;
    }
    return 0;
}

// Columns of the line and framer tables: column, default value, rule.
struct Column {
    std::uint32_t column;
    Value value;
    Rule rule;
};

const Rule off_on = Rule::one_of({1, 2});
const Rule oos = Rule::range(1, 16);
const Rule byte = Rule::range(0, 255);
const Rule message = Rule::text(64);
const Rule trace_mode = Rule::one_of({1, 2, 4, 6});

std::vector<Column> e1_line(bool framed) {
    return {{3, Value::integer(1), off_on},
            {4, Value::integer(1), Rule::read_only()},
            {5, Value::integer(framed ? 2 : 1), off_on},
            {6, Value::integer(1), off_on},
            {7, Value::integer(1), off_on},
            {8, Value::integer(1), off_on},
            {10, Value::integer(1), oos},
            {11, Value::integer(1), Rule::range(1, 6)}};
}

std::vector<Column> t1_line() {
    return {{3, Value::integer(1), off_on}, {4, Value::integer(1), Rule::range(1, 6)},
            {5, Value::integer(2), off_on}, {6, Value::integer(1), off_on},
            {8, Value::integer(1), oos},    {9, Value::integer(1), off_on}};
}

std::vector<Column> t3_line(int type) {
    return {{3, Value::integer(1), Rule::read_only()},
            {4, Value::integer(type), Rule::range(3, 6)},
            {5, Value::integer(1), off_on}};
}

std::vector<Column> t3_e1_framer() {
    return {{4, Value::integer(2), off_on},
            {5, Value::integer(1), off_on},
            {6, Value::integer(1), off_on},
            {7, Value::integer(1), off_on},
            {8, Value::integer(1), oos}};
}

std::vector<Column> t3_t1_framer() {
    return {{4, Value::integer(2), off_on},
            {5, Value::integer(1), off_on},
            {6, Value::integer(1), oos}};
}

std::vector<Column> line_overhead() {
    return {{3, Value::integer(1), trace_mode},
            {4, Value::octets(""), message},
            {5, Value::octets(""), message},
            {6, Value::octets(""), Rule::read_only()},
            {7, Value::integer(0), byte},
            {8, Value::integer(0), byte},
            {9, Value::integer(0), Rule::read_only()}};
}

std::vector<Column> ho_overhead(int label) {
    return {{5, Value::integer(1), trace_mode}, {6, Value::octets(""), message},
            {7, Value::octets(""), message},    {8, Value::octets(""), Rule::read_only()},
            {9, Value::integer(label), byte},   {10, Value::integer(0), byte},
            {11, Value::integer(0), byte},      {12, Value::integer(0), Rule::read_only()},
            {13, Value::integer(label), byte},  {14, Value::integer(label), Rule::read_only()}};
}

std::vector<Column> lo_overhead() {
    return {{7, Value::integer(1), Rule::range(1, 5)},
            {9, Value::octets(""), message},
            {10, Value::octets(""), Rule::read_only()},
            {12, Value::integer(2), Rule::range(0, 7)},
            {13, Value::integer(2), Rule::read_only()}};
}

std::vector<Column> pdh_e1_framer() {
    return {{8, Value::integer(2), off_on},
            {10, Value::integer(1), off_on},
            {11, Value::integer(1), off_on},
            {12, Value::integer(1), off_on},
            {14, Value::integer(1), oos}};
}

std::vector<Column> pdh_t1_framer() {
    return {{9, Value::integer(2), off_on},
            {12, Value::integer(1), off_on},
            {14, Value::integer(1), oos}};
}

// Table columns live at table + column + index.
void put_row(Store& store, const Oid& table, const std::vector<Column>& columns, const Oid& index) {
    for (const auto& c : columns)
        store.put(table + Oid{c.column} + index, c.value, c.rule);
}

std::vector<Oid> row_prefixes(const Oid& table, const std::vector<Column>& columns,
                              const Oid& index) {
    std::vector<Oid> out;
    for (const auto& c : columns)
        out.push_back(table + Oid{c.column} + index);
    return out;
}

// A JSON object keyed by port number ("1", "2" ...).
std::map<int, json> by_port(const json& card, const char* key) {
    std::map<int, json> out;
    if (card.contains(key))
        for (auto& [k, v] : card.at(key).items())
            out[std::stoi(k)] = v;
    return out;
}

std::uint32_t u(int n) {
    return static_cast<std::uint32_t>(n);
}

} // namespace

Oid Device::r(std::initializer_list<std::uint32_t> suffix) const {
    return root_ + Oid(suffix);
}

std::optional<Oid> Device::resolve(std::string_view text) const {
    if (text == "R")
        return root_;
    if (text.starts_with("R.")) {
        auto suffix = parse_oid(text.substr(2));
        if (!suffix)
            return std::nullopt;
        return root_ + *suffix;
    }
    return parse_oid(text);
}

void Device::build_system(const std::string& name, const std::string& descr) {
    store_.put(sys_descr, Value::octets(descr), Rule::read_only());
    store_.put(sys_object_id, Value::object_id(root_), Rule::read_only());
    store_.put(sys_up_time, Value{Type::timeticks, 0, {}, {}}, Rule::read_only());
    store_.put(Oid{1, 3, 6, 1, 2, 1, 1, 4, 0}, Value::octets(""), Rule::text(255));
    store_.put(sys_name, Value::octets(name), Rule::text(255));
    store_.put(Oid{1, 3, 6, 1, 2, 1, 1, 6, 0}, Value::octets(""), Rule::text(255));
}

void Device::build_t3_channels(int slot, int port, int type) {
    const bool t1_channels = type == 3 || type == 5;
    const int count = t1_channels ? 28 : 21;
    const Oid table = t1_channels ? r({5, 1, 2, 2, 1}) : r({5, 1, 2, 1, 1});
    for (int ch = 1; ch <= count; ++ch)
        put_row(store_, table, t1_channels ? t3_t1_framer() : t3_e1_framer(),
                {u(slot), u(port), u(ch)});
}

// The high-order overhead of the AUG and its nodes, and the low-order overhead and PDH
// framers of every TU11/VT1.5 and TU12/VT2 path below it, as its granularity says.
void Device::build_aug_content(int slot, int port, int aug) {
    const Oid index{u(slot), u(port), u(aug)};
    auto integer = [&](std::uint32_t column) {
        const Object* o = store_.find(r({2, 1, 1, column}) + index);
        return o ? static_cast<int>(o->value.number) : 0;
    };
    const int granularity = integer(4);
    put_row(store_, r({2, 2, 2, 1}), ho_overhead(granularity == 2 ? 1 : 2), index + Oid{100});
    if (granularity != 3 && granularity != 4)
        return;
    for (int node = 1; node <= 3; ++node) {
        const int kind = integer(u(4 + node));
        put_row(store_, r({2, 2, 2, 1}), ho_overhead(2), index + Oid{u(node)});
        if (kind != 4 && kind != 5)
            continue;
        const int per_tug2 = kind == 4 ? 4 : 3;
        const int paths = kind == 4 ? 28 : 21;
        for (int n = 1; n <= paths; ++n) {
            const Oid path =
                index + Oid{u(node), u((n - 1) / per_tug2 + 1), u((n - 1) % per_tug2 + 1)};
            put_row(store_, r({2, 2, 3, 1}), lo_overhead(), path);
            put_row(store_, r({2, 27, 1}), kind == 4 ? pdh_t1_framer() : pdh_e1_framer(), path);
        }
    }
}

template <typename Build>
void Device::rebuild(const std::vector<Oid>& prefixes, Build build) {
    std::map<Oid, Value> kept;
    for (const auto& prefix : prefixes) {
        for (auto it = store_.objects().lower_bound(prefix);
             it != store_.objects().end() && has_prefix(it->first, prefix); ++it)
            kept[it->first] = it->second.value;
        store_.erase_prefix(prefix);
    }
    build();
    for (const auto& [oid, value] : kept)
        store_.assign(oid, value);
}

Family Device::card_family(int slot) const {
    for (const Card& c : cards_)
        if (c.slot == slot)
            return static_cast<Family>(c.family);
    return none;
}

int Device::protected_partner(int slot) const {
    // Protected pairs sit in neighbouring slots: 1 with 2, 3 with 4, and so on.
    const int partner = slot % 2 == 1 ? slot + 1 : slot - 1;
    for (const Card& c : cards_)
        if (c.slot == slot) {
            const CardType* type = type_by_code(c.registered);
            return type && type->protected_pair ? partner : 0;
        }
    return 0;
}

int Device::refusal(const Oid& name, const Value& value) const {
    if (!has_prefix(name, root_) || value.type != Type::integer || value.number == 1)
        return 0;
    const Oid rel(name.begin() + static_cast<long>(root_.size()), name.end());
    // SSM: E1 line column 11 (1 off, 2..6 a Sa bit), T1 line column 9 (1 off, 2 on).
    Oid table;
    if (rel.size() == 7 && Oid(rel.begin(), rel.begin() + 5) == Oid{3, 1, 1, 1, 11})
        table = {3, 1, 1, 1, 11};
    else if (rel.size() == 7 && Oid(rel.begin(), rel.begin() + 5) == Oid{4, 1, 1, 1, 9})
        table = {4, 1, 1, 1, 9};
    else
        return 0;
    for (auto it = store_.objects().lower_bound(root_ + table + Oid{rel[5]});
         it != store_.objects().end() && has_prefix(it->first, root_ + table + Oid{rel[5]}); ++it)
        if (it->first.back() != rel[6] && it->second.value.number != 1)
            return 5; // genErr
    return 0;
}

void Device::drop_cross_connects(int slot, int port, int aug, int node, bool all) {
    const auto in_scope = [&](const Address& a) {
        return a[0] == slot && a[1] == port && (aug == 0 || a[2] == aug) &&
               (node == 0 || a[3] == node);
    };
    for (int map = 1; map <= 2; ++map) {
        std::vector<Address> rows;
        const Oid first = r({1, 16, 3, 1, 9, u(map)});
        for (auto it = store_.objects().lower_bound(first);
             it != store_.objects().end() && has_prefix(it->first, first); ++it) {
            Address dst{};
            std::copy(it->first.end() - 6, it->first.end(), dst.begin());
            const auto src = row_source(map, dst);
            const bool dst_in = in_scope(dst), src_in = src && in_scope(*src);
            if ((dst_in || src_in) &&
                (all || (dst_in && std::holds_alternative<int>(leaf_at(dst, false))) ||
                 (src_in && std::holds_alternative<int>(leaf_at(*src, true)))))
                rows.push_back(dst);
        }
        for (const Address& dst : rows)
            erase_xc_row(map, dst);
    }
}

void Device::follow(const Oid& changed) {
    if (!has_prefix(changed, root_))
        return;
    const Oid rel(changed.begin() + static_cast<long>(root_.size()), changed.end());
    // The far end of a looped line sends back what this end transmits: the received trace
    // message and byte follow the transmitted ones (J0 of a port, J1 of an AUG or node, J2
    // of a low-order path).
    const auto mirror = [&](const Oid& table, std::uint32_t from, std::uint32_t to) {
        if (rel.size() <= table.size() ||
            Oid(rel.begin(), rel.begin() + static_cast<long>(table.size())) != table ||
            rel[table.size()] != from)
            return false;
        Oid target = rel;
        target[table.size()] = to;
        store_.assign(root_ + target, store_.find(changed)->value);
        return true;
    };
    if (mirror({2, 2, 1, 1}, 5, 6) || mirror({2, 2, 1, 1}, 8, 9) || mirror({2, 2, 2, 1}, 7, 8) ||
        mirror({2, 2, 2, 1}, 11, 12) || mirror({2, 2, 3, 1}, 9, 10))
        return;
    // A new E1 frame, T3 E1 framer frame or PDH framer frame changes which timeslots exist.
    if (rel.size() == 7 && Oid(rel.begin(), rel.begin() + 5) == Oid{3, 1, 1, 1, 5})
        return drop_cross_connects(static_cast<int>(rel[5]), static_cast<int>(rel[6]), 0, 0, false);
    if ((rel.size() == 9 && Oid(rel.begin(), rel.begin() + 6) == Oid{5, 1, 2, 1, 1, 4}) ||
        (rel.size() == 10 && Oid(rel.begin(), rel.begin() + 3) == Oid{2, 27, 1}))
        return drop_cross_connects(static_cast<int>(rel[rel.size() == 9 ? 6 : 4]),
                                   static_cast<int>(rel[rel.size() == 9 ? 7 : 5]), 0, 0, false);
    // Writing 2 (execute) to a command's execute object runs it.
    const Object* written = store_.find(changed);
    if (written && written->value.number == 2) {
        if (rel == Oid{1, 16, 1, 19, 0})
            return run_set_command();
        if (rel == Oid{1, 16, 2, 10, 0})
            return run_clear_command();
    }
    if (map_command_followed(rel))
        return;
    auto prefixes_for = [&](const Oid& table, const std::vector<Column>& cols, const Oid& idx) {
        return row_prefixes(root_ + table, cols, idx);
    };
    // T3 line type: R.5.1.1.1.4.s.p decides between 28 T1 and 21 E1 channels.
    if (rel.size() == 7 && Oid(rel.begin(), rel.begin() + 5) == Oid{5, 1, 1, 1, 4}) {
        const int slot = static_cast<int>(rel[5]), port = static_cast<int>(rel[6]);
        const Oid idx{rel[5], rel[6]};
        auto prefixes = prefixes_for({5, 1, 2, 1, 1}, t3_e1_framer(), idx);
        auto more = prefixes_for({5, 1, 2, 2, 1}, t3_t1_framer(), idx);
        prefixes.insert(prefixes.end(), more.begin(), more.end());
        const int type = static_cast<int>(store_.find(changed)->value.number);
        // A change within one channel family keeps the channels and their settings.
        rebuild(prefixes, [&] { build_t3_channels(slot, port, type); });
        drop_cross_connects(slot, port, 0, 0, false);
        return;
    }
    // Granularity and child kinds: R.2.1.1.(4..7).s.p.a.
    if (rel.size() == 7 && Oid(rel.begin(), rel.begin() + 3) == Oid{2, 1, 1} && rel[3] >= 4 &&
        rel[3] <= 7) {
        const Oid idx{rel[4], rel[5], rel[6]};
        std::vector<Oid> prefixes = prefixes_for({2, 2, 2, 1}, ho_overhead(0), idx);
        for (const auto& list : {prefixes_for({2, 2, 3, 1}, lo_overhead(), idx),
                                 prefixes_for({2, 27, 1}, pdh_e1_framer(), idx),
                                 prefixes_for({2, 27, 1}, pdh_t1_framer(), idx)})
            prefixes.insert(prefixes.end(), list.begin(), list.end());
        rebuild(prefixes, [&] {
            build_aug_content(static_cast<int>(rel[4]), static_cast<int>(rel[5]),
                              static_cast<int>(rel[6]));
        });
        // New paths carry none of the old ones' cross-connects: a new granularity clears the
        // whole AUG's, a node's new kind that node's.
        drop_cross_connects(static_cast<int>(rel[4]), static_cast<int>(rel[5]),
                            static_cast<int>(rel[6]),
                            rel[3] == 4 ? 0 : static_cast<int>(rel[3]) - 4, true);
    }
}

std::optional<Device> Device::load(const std::string& path, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot open scenario " + path;
        return std::nullopt;
    }
    Device d;
    try {
        const json s = json::parse(in);
        d.root_ = *parse_oid(s.value("sys_object_id", std::string("1.3.6.1.4.1.823.4150")));
        if (d.root_.size() != 8 && d.root_.size() != 10)
            throw std::runtime_error("sys_object_id must have 8 or 10 sub-identifiers");
        d.build_system(
            s.value("sys_name", std::string("R4150")),
            s.value("sys_descr", std::string("R4150 digital cross-connect multiplexer")));

        if (s.contains("snmp")) {
            const json& snmp = s.at("snmp");
            Credentials& c = d.credentials_;
            c.read_community = snmp.value("read_community", c.read_community);
            c.write_community = snmp.value("write_community", c.write_community);
            c.engine_id = snmp.value("engine_id", c.engine_id);
            c.engine_boots = snmp.value("engine_boots", c.engine_boots);
            for (const auto& u : snmp.value("users", json::array())) {
                V3User user;
                user.name = u.at("name").get<std::string>();
                user.auth = u.value("auth", user.auth);
                user.auth_pass = u.value("auth_pass", std::string());
                user.priv = u.value("priv", user.priv);
                user.priv_pass = u.value("priv_pass", std::string());
                user.write = u.value("access", std::string("rw")) == "rw";
                c.users.push_back(user);
            }
        }

        // Controllers and chassis.
        const json ctl = s.value("controllers", json::object());
        const std::string version = ctl.value("version", std::string(" V2.15.02"));
        d.store_.put(d.r({1, 2, 1, 1, 0}), Value::integer(ctl.value("serial_1", 415001)),
                     Rule::read_only());
        d.store_.put(d.r({1, 2, 1, 3, 0}), Value::octets(version), Rule::read_only());
        d.store_.put(d.r({1, 2, 1, 5, 0}), Value::integer(ctl.value("serial_2", 415002)),
                     Rule::read_only());
        d.store_.put(d.r({1, 2, 1, 7, 0}), Value::octets(ctl.value("version_2", version)),
                     Rule::read_only());
        d.store_.put(d.r({1, 2, 1, 10, 0}), Value::integer(ctl.value("sync", 2)),
                     Rule::read_only());
        d.store_.put(d.r({1, 2, 1, 11, 0}), Value::integer(ctl.value("working", 1)),
                     Rule::read_only());
        d.store_.put(d.r({1, 2, 1, 12, 0}), Value::integer(ctl.value("standby_present", 2)),
                     Rule::read_only());
        const json supplies = s.value("power_supplies", json::array({2, 2}));
        for (std::uint32_t i = 1; i <= 2; ++i)
            d.store_.put(d.r({1, 10, 1, 2, i}),
                         Value::integer(i <= supplies.size() ? supplies[i - 1].get<int>() : 0),
                         Rule::read_only());
        d.active_map_ = s.value("active_map", 1);
        d.store_.put(d.r({1, 16, 4, 1, 0}), Value::integer(d.active_map_), Rule::one_of({1, 2}));
        // The cross-connect set and clear commands: parameters, execute, result.
        for (std::uint32_t c = 1; c <= 19; ++c)
            d.store_.put(d.r({1, 16, 1, c, 0}), Value::integer(0), Rule::range(0, INT32_MAX));
        d.store_.put(d.r({1, 16, 1, 20, 0}), Value::integer(0), Rule::read_only());
        for (std::uint32_t c = 1; c <= 10; ++c)
            d.store_.put(d.r({1, 16, 2, c, 0}), Value::integer(0), Rule::range(0, INT32_MAX));
        d.store_.put(d.r({1, 16, 2, 11, 0}), Value::integer(0), Rule::read_only());
        d.build_map_commands();

        // Firmware banks: the controllers are boards 1 and 2, a card is its slot + 2.
        std::map<int, json> banks;
        std::string bare = version;
        while (!bare.empty() && bare.front() == ' ')
            bare.erase(bare.begin());
        banks[1] = banks[2] = json{{"bank_1", bare}, {"bank_2", bare}, {"active", 1}};

        // Cards: every slot has a row; a slot the scenario leaves out is empty.
        std::map<int, json> by_slot;
        for (const auto& c : s.value("cards", json::array())) {
            const int slot = c.at("slot").get<int>();
            if (slot < 1 || slot > 8)
                throw std::runtime_error("card slot must be 1 to 8");
            by_slot[slot] = c;
        }
        for (int slot = 1; slot <= 8; ++slot) {
            const json c = by_slot.count(slot) ? by_slot[slot] : json{{"type", "empty"}};
            const CardType* type = nullptr;
            int registered = 1;
            if (c.contains("registered")) {
                registered = c.at("registered").get<int>();
                type = type_by_code(registered);
            } else {
                const std::string name = c.value("type", std::string("empty"));
                type = type_by_name(name);
                if (!type)
                    throw std::runtime_error("unknown card type \"" + name + "\"");
                registered = type->registered;
            }
            const Family family = type ? type->family : none;
            const int installed = c.value("installed", type ? type->installed : 255);
            const int ports = c.value("ports", default_ports(family));
            const int state = c.value("state", registered == 1 ? 3 : 1);
            const std::uint32_t s_ = u(slot);
            d.store_.put(d.r({1, 1, 1, 2, s_}), Value::integer(installed), Rule::read_only());
            d.store_.put(d.r({1, 1, 1, 4, s_}), Value::integer(registered), Rule::read_only());
            d.store_.put(d.r({1, 1, 1, 5, s_}), Value::integer(ports), Rule::read_only());
            d.store_.put(d.r({1, 1, 1, 9, s_}), Value::integer(state), Rule::read_only());
            d.cards_.push_back({slot, registered, family, ports});
            if (registered != 1 && registered != 0)
                banks[slot + 2] =
                    json{{"bank_1", "V1.00.00"}, {"bank_2", "V1.00.00"}, {"active", 1}};

            if (type && type->protected_pair) {
                const bool working = c.value("working", slot % 2 == 1);
                d.store_.put(d.root_ + type->test_suffix + Oid{s_}, Value::integer(working ? 2 : 1),
                             Rule::read_only());
            }

            const auto ids = by_port(c, "identifiers");
            auto identifier = [&](int port) {
                auto it = ids.find(port);
                return Value::octets(it == ids.end() ? "" : it->second.get<std::string>());
            };
            std::set<int> unframed;
            for (const auto& p : c.value("unframed", json::array()))
                unframed.insert(p.get<int>());
            const json t3_types = c.value("t3_types", json::array());
            const auto augs = by_port(c, "augs");

            for (int port = 1; port <= ports; ++port) {
                const std::uint32_t p = u(port);
                switch (family) {
                case e1:
                    d.store_.put(d.r({3, 1, 3, 1, 3, s_, p}), identifier(port), Rule::text(63));
                    put_row(d.store_, d.r({3, 1, 1, 1}), e1_line(!unframed.count(port)), {s_, p});
                    break;
                case t1:
                    d.store_.put(d.r({4, 1, 3, 1, 3, s_, p}), identifier(port), Rule::text(63));
                    put_row(d.store_, d.r({4, 1, 1, 1}), t1_line(), {s_, p});
                    break;
                case t3: {
                    const int t3_type = static_cast<std::size_t>(port) <= t3_types.size()
                                            ? t3_types[port - 1].get<int>()
                                            : 3;
                    d.store_.put(d.r({5, 1, 3, 1, 3, s_, p}), identifier(port), Rule::text(63));
                    put_row(d.store_, d.r({5, 1, 1, 1}), t3_line(t3_type), {s_, p});
                    d.build_t3_channels(slot, port, t3_type);
                    break;
                }
                case sdh:
                case sonet: {
                    d.store_.put(d.r({2, 25, 1, 3, s_, p}), identifier(port), Rule::text(63));
                    put_row(d.store_, d.r({2, 2, 1, 1}), line_overhead(), {s_, p});
                    json list = json::array();
                    if (augs.count(port))
                        list = augs.at(port);
                    else
                        for (int a = 0; a < type->augs; ++a)
                            list.push_back(json::array({4, 5, 5, 5}));
                    for (std::size_t a = 0; a < list.size(); ++a) {
                        const Oid idx{s_, p, u(static_cast<int>(a) + 1)};
                        const json& g = list[a];
                        if (g.size() != 4)
                            throw std::runtime_error(
                                "an AUG is [granularity, kind1, kind2, kind3]");
                        d.store_.put(d.r({2, 1, 1, 4}) + idx, Value::integer(g[0].get<int>()),
                                     Rule::one_of({2, 3, 4}));
                        for (std::uint32_t k = 1; k <= 3; ++k)
                            d.store_.put(d.r({2, 1, 1, 4 + k}) + idx,
                                         Value::integer(g[k].get<int>()), Rule::range(2, 6));
                        d.build_aug_content(slot, port, static_cast<int>(a) + 1);
                    }
                    break;
                }
                case none:
                    break;
                }
            }
        }

        for (const auto& f : s.value("firmware", json::array()))
            banks[f.at("board").get<int>()] = f;
        for (const auto& [board, f] : banks) {
            const std::uint32_t b = u(board);
            d.store_.put(d.r({1, 2, 2, 1, 1, 3, b}), Value::octets(f.value("bank_1", "")),
                         Rule::read_only());
            d.store_.put(d.r({1, 2, 2, 1, 1, 4, b}), Value::octets(f.value("bank_2", "")),
                         Rule::read_only());
            d.store_.put(d.r({1, 2, 2, 1, 1, 5, b}), Value::integer(f.value("active", 1)),
                         Rule::read_only());
        }

        // Any object may be set or added directly; an added object is writable.
        const json objects = s.value("objects", json::object());
        for (auto& [key, text] : objects.items()) {
            auto oid = d.resolve(key);
            auto value = parse_typed(text.get<std::string>());
            if (!oid || !value)
                throw std::runtime_error("bad object entry \"" + key + "\"");
            if (const Object* o = d.store_.find(*oid))
                d.store_.put(*oid, *value, o->rule);
            else
                d.store_.put(*oid, *value, Rule{true, {}, INT32_MIN, INT32_MAX, 255});
        }
        d.load_cross_connects(s.value("cross_connects", json::array()).dump());
        // The device starts from its stored configuration.
        d.stored_ = d.store_;
    } catch (const std::exception& e) {
        error = path + ": " + e.what();
        return std::nullopt;
    }
    return d;
}

} // namespace vornex::sim
