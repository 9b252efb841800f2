// The cross-connect table of both maps and the set and clear commands that change it.
//
// Rows are indexed by map and the destination leaf's full address and name the leaf's
// source. A command is validated as a whole before anything changes: the leaves must exist
// on registered cards, both runs must fit within their siblings, their kinds must agree,
// and the destination (and, for a bidirectional command, the source) must be free.
#include "device.h"

#include <nlohmann/json.hpp>

namespace vornex::sim {

namespace {

using nlohmann::json;

constexpr int success = 1;
// Mapping error codes the device answers.
constexpr int src_ts_not_set_in_frame = 3, src_ts_set_in_unframe = 4, src_port_error = 6,
              src_slot_error = 8, dst_ts_not_set_in_frame = 9, dst_ts_set_in_unframe = 10,
              dst_port_error = 12, dst_slot_error = 14, hdlc_each_other = 15, hdlc_uni = 16,
              hdlc_voice = 17, frame_xc_unframe = 20, no_registration = 22, out_of_range = 23,
              bad_granularity_dst = 24, clear_fail = 25, dst_not_empty = 27, src_not_empty = 29,
              bad_granularity_src = 30, ts_out_of_range = 32, direction_not_set = 36,
              map_not_set = 37;

std::uint32_t u(int n) {
    return static_cast<std::uint32_t>(n);
}

// A command carries a timeslot index of 1 (the whole unframed signal) as 100, and a bare 1
// there names no timeslot at all; a TU3 or AU3 path's own address ends in 100 too, and
// keeps it.
Address from_command(Address a) {
    const bool ho_path = a[2] != 100 && a[3] != 100 && a[4] == 100;
    if (a[5] == 1)
        a[5] = -1;
    else if (a[5] == 100 && !ho_path)
        a[5] = 1;
    return a;
}

Address parse_address(const std::string& text) {
    Address a{};
    std::size_t at = 0;
    for (int& byte : a) {
        std::size_t used = 0;
        byte = std::stoi(text.substr(at), &used);
        at += used + 1;
    }
    return a;
}

} // namespace

int Device::command_value(std::initializer_list<std::uint32_t> suffix) const {
    const Object* o = store_.find(r(suffix));
    return o ? static_cast<int>(o->value.number) : 0;
}

std::variant<Device::Leaf, int> Device::leaf_at(const Address& a, bool source) const {
    const int slot_error = source ? src_slot_error : dst_slot_error;
    const int port_error = source ? src_port_error : dst_port_error;
    const int not_in_frame = source ? src_ts_not_set_in_frame : dst_ts_not_set_in_frame;
    const int in_unframe = source ? src_ts_set_in_unframe : dst_ts_set_in_unframe;
    const int granularity = source ? bad_granularity_src : bad_granularity_dst;
    const int slot = a[0], port = a[1], ts = a[5];
    const auto value = [&](std::initializer_list<std::uint32_t> suffix) -> std::optional<int> {
        const Object* o = store_.find(r(suffix));
        return o ? std::optional<int>(static_cast<int>(o->value.number)) : std::nullopt;
    };
    // A framed run of timeslots first..last, or the unframed signal alone.
    const auto timeslot = [&](bool framed, int last, bool hdlc) -> std::variant<Leaf, int> {
        if (!framed)
            return ts == 1 ? std::variant<Leaf, int>(Leaf{90, hdlc, 1, false}) : in_unframe;
        if (ts < 2 || ts > last)
            return not_in_frame;
        return Leaf{0, hdlc, last, false};
    };
    const bool pdh_levels = a[2] == 100 && a[3] == 100;

    if (slot == 9 || (slot >= 1 && slot <= 8 && cards_[u(slot - 1)].registered == 0)) {
        if (port < 1 || port > 2 || !pdh_levels || a[4] != 100)
            return port_error;
        return timeslot(true, 32, true);
    }
    if (slot < 1 || slot > 8)
        return slot_error;
    const Card& card = cards_[u(slot - 1)];
    if (card.family == none)
        return no_registration;
    // The standby card of a protected pair carries no traffic of its own.
    const bool protected_standby =
        (card.registered == 3 || card.registered == 5 || card.registered == 39 ||
         card.registered == 11 || card.registered == 15 || card.registered == 17 ||
         card.registered == 21) &&
        slot % 2 == 0;
    if (protected_standby)
        return slot_error;
    if (port < 1 || port > card.ports)
        return port_error;
    const std::uint32_t s = u(slot), p = u(port);
    switch (card.family) {
    case e1:
        if (!pdh_levels || a[4] != 100)
            return port_error;
        return timeslot(value({3, 1, 1, 1, 5, s, p}).value_or(2) != 1, 32, false);
    case t1:
        if (!pdh_levels || a[4] != 100)
            return port_error;
        return timeslot(true, 25, false);
    case t3: {
        const int type = value({5, 1, 1, 1, 4, s, p}).value_or(3);
        const int channels = type == 3 || type == 5 ? 28 : 21;
        if (a[4] < 1 || a[4] > channels)
            return port_error;
        if (channels == 28)
            return timeslot(true, 25, false);
        return timeslot(value({5, 1, 2, 1, 1, 4, s, p, u(a[4])}).value_or(2) != 1, 32, false);
    }
    case sdh:
    case sonet: {
        const auto g = value({2, 1, 1, 4, s, p, u(a[2])});
        if (!g)
            return granularity;
        if (*g == 2) {
            if (a[3] != 100 || a[4] != 100 || ts != 0)
                return granularity;
            return Leaf{6, false, 0, true};
        }
        if (a[3] < 1 || a[3] > 3)
            return granularity;
        const int k = value({2, 1, 1, u(4 + a[3]), s, p, u(a[2])}).value_or(0);
        if (k == 2 || k == 3) {
            if (a[4] != 100 || ts != 100)
                return granularity;
            return Leaf{k, false, 100, true};
        }
        const int paths = k == 4 ? 28 : k == 5 ? 21 : 0;
        if (a[4] < 1 || a[4] > paths)
            return granularity;
        const int per_tug2 = k == 4 ? 4 : 3;
        const int n = a[4] - 1;
        const auto frame = value({2, 27, 1, u(k == 4 ? 9 : 8), s, p, u(a[2]), u(a[3]),
                                  u(n / per_tug2 + 1), u(n % per_tug2 + 1)});
        return timeslot(frame.value_or(2) != 1, k == 4 ? 25 : 32, false);
    }
    case none:
        break;
    }
    return no_registration;
}

Oid Device::xc_row(int column, int map, const Address& dst) const {
    return r({1, 16, 3, 1, u(column), u(map), u(dst[0]), u(dst[1]), u(dst[2]), u(dst[3]), u(dst[4]),
              u(dst[5])});
}

bool Device::has_row(int map, const Address& dst) const {
    return store_.find(xc_row(9, map, dst)) != nullptr;
}

// The source of a row as the leaf's own address (levels 1 and 2 of a T3 source as they
// really are).
std::optional<Address> Device::row_source(int map, const Address& dst) const {
    if (!has_row(map, dst))
        return std::nullopt;
    Address src{};
    const int columns[] = {9, 11, 12, 13, 14, 15};
    for (std::size_t i = 0; i < 6; ++i)
        src[i] = static_cast<int>(store_.find(xc_row(columns[i], map, dst))->value.number);
    if (src[0] >= 1 && src[0] <= 8 && cards_[u(src[0] - 1)].family == t3)
        src[2] = src[3] = 100;
    return src;
}

void Device::put_xc_row(int map, const Address& dst, const Address& src, int xc_type, int channel,
                        int a_mu, int table) {
    Address reported = src;
    // What the device keeps in levels 1 and 2 of a T3 source is its own business; the
    // program must not rely on it.
    if (src[0] >= 1 && src[0] <= 8 && cards_[u(src[0] - 1)].family == t3)
        reported[2] = reported[3] = 0;
    const int values[] = {reported[0], xc_type,     reported[1], reported[2], reported[3],
                          reported[4], reported[5], channel,     a_mu,        table};
    for (int c = 9; c <= 18; ++c)
        store_.put(xc_row(c, map, dst), Value::integer(values[c - 9]), Rule::read_only());
}

void Device::erase_xc_row(int map, const Address& dst) {
    for (int c = 9; c <= 18; ++c)
        store_.erase_prefix(xc_row(c, map, dst));
}

int Device::set_cross_connect(int map, const Address& src, const Address& dst, int xc_type,
                              int count, int channel, int a_mu, int table) {
    if (const auto forced = take_forced_result())
        return *forced;
    if (map != 1 && map != 2)
        return map_not_set;
    if (xc_type == 0)
        return direction_not_set;
    if ((xc_type != 1 && xc_type != 2) || (channel != 1 && channel != 2) ||
        (a_mu != 1 && a_mu != 2) || table < 1 || table > 257 || count < 1)
        return out_of_range;
    const auto d = leaf_at(dst, false);
    if (std::holds_alternative<int>(d))
        return std::get<int>(d);
    const auto s = leaf_at(src, true);
    if (std::holds_alternative<int>(s))
        return std::get<int>(s);
    const Leaf dl = std::get<Leaf>(d), sl = std::get<Leaf>(s);
    if (dl.hdlc && sl.hdlc)
        return hdlc_each_other;
    if ((dl.hdlc || sl.hdlc) && xc_type == 2)
        return hdlc_uni;
    if ((dl.hdlc || sl.hdlc) && channel == 2)
        return hdlc_voice;
    if ((dl.kind == 90) != (sl.kind == 90))
        return frame_xc_unframe;
    if (dl.kind != sl.kind)
        return bad_granularity_dst;
    if ((dl.single || sl.single) ? count != 1
                                 : dst[5] + count - 1 > dl.last || src[5] + count - 1 > sl.last)
        return ts_out_of_range;
    for (int k = 0; k < count; ++k) {
        Address dk = dst, sk = src;
        dk[5] += dl.single ? 0 : k;
        sk[5] += sl.single ? 0 : k;
        if (has_row(map, dk))
            return dst_not_empty;
        if (xc_type == 1 && has_row(map, sk))
            return src_not_empty;
    }
    for (int k = 0; k < count; ++k) {
        Address dk = dst, sk = src;
        dk[5] += dl.single ? 0 : k;
        sk[5] += sl.single ? 0 : k;
        put_xc_row(map, dk, sk, xc_type, channel, a_mu, table);
        if (xc_type == 1)
            put_xc_row(map, sk, dk, xc_type, channel, a_mu, table);
    }
    return success;
}

int Device::clear_cross_connect(int map, const Address& first, int count, int xc_type) {
    if (const auto forced = take_forced_result())
        return *forced;
    if (map != 1 && map != 2)
        return map_not_set;
    if (xc_type == 0)
        return direction_not_set;
    if ((xc_type != 1 && xc_type != 2) || count < 1)
        return out_of_range;
    // Clearing leaves that carry no cross-connect is no fault: an import clears every
    // destination before it maps it, free or not. Leaves that do not exist are.
    const auto leaf = leaf_at(first, false);
    if (!std::holds_alternative<Leaf>(leaf))
        return clear_fail;
    const Leaf l = std::get<Leaf>(leaf);
    if (l.single ? count != 1 : first[5] + count - 1 > l.last)
        return ts_out_of_range;
    for (int k = 0; k < count; ++k) {
        Address a = first;
        a[5] += k;
        const auto row = row_source(map, a);
        if (!row)
            continue;
        const Address src = *row;
        erase_xc_row(map, a);
        // A bidirectional clear takes the reverse row too, when it points back here.
        if (xc_type == 1) {
            const auto back = row_source(map, src);
            if (back && *back == a)
                erase_xc_row(map, src);
        }
    }
    return success;
}

int Device::finish_command(int result, std::uint32_t table, std::uint32_t column) {
    store_.put(r({1, 16, table, column, 0}), Value::integer(result), Rule::read_only());
    return result;
}

void Device::run_set_command() {
    Address src{}, dst{};
    for (std::uint32_t i = 0; i < 6; ++i) {
        src[i] = command_value({1, 16, 1, 2 + i, 0});
        dst[i] = command_value({1, 16, 1, 8 + i, 0});
    }
    finish_command(
        set_cross_connect(command_value({1, 16, 1, 1, 0}), from_command(src), from_command(dst),
                          command_value({1, 16, 1, 14, 0}), command_value({1, 16, 1, 15, 0}),
                          command_value({1, 16, 1, 16, 0}), command_value({1, 16, 1, 17, 0}),
                          command_value({1, 16, 1, 18, 0})),
        1, 20);
}

void Device::run_clear_command() {
    Address first{};
    for (std::uint32_t i = 0; i < 6; ++i)
        first[i] = command_value({1, 16, 2, 2 + i, 0});
    finish_command(clear_cross_connect(command_value({1, 16, 2, 1, 0}), from_command(first),
                                       command_value({1, 16, 2, 8, 0}),
                                       command_value({1, 16, 2, 9, 0})),
                   2, 11);
}

void Device::load_cross_connects(const std::string& json_text) {
    for (const auto& xc : json::parse(json_text)) {
        const int code =
            set_cross_connect(xc.value("map", 1), parse_address(xc.at("src").get<std::string>()),
                              parse_address(xc.at("dst").get<std::string>()), xc.value("type", 1),
                              xc.value("count", 1), xc.value("channel", 1), xc.value("a_mu", 1),
                              xc.value("table", 257));
        if (code != success)
            throw std::runtime_error("cross-connect " + xc.dump() + " refused with code " +
                                     std::to_string(code));
    }
}

} // namespace vornex::sim
