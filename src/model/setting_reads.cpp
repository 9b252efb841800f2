#include "model/setting_reads.h"

#include "model/chassis.h"
#include "snmp/snmp_access.h"

#include <algorithm>
#include <vector>

namespace vornex {

namespace {

// Sends the GET and matches the answer to the objects asked for by name: a matching value
// of the type asked for fills its setting, one of another type is passed over, and a
// variable that matches nothing ends the walk. Every setting must have been filled.
int read_values(Chassis& box, SnmpGet& get, const std::vector<u_char>& types, const char* routine,
                std::vector<snmp_value>& values, const snmp_action& what) {
    const std::size_t count = get.size();
    values.assign(count, snmp_value{});
    if (get.send(what) != snmp_ok) {
        return 1;
    }
    std::vector<bool> received(count);
    std::size_t walked = 0;
    for (const snmp_value& var : get.answer()) {
        if (walked++ == count) {
            break;
        }
        std::size_t match = 0;
        while (match < count && get.name(match) != var.name) {
            ++match;
        }
        if (match == count) {
            break;
        }
        if (var.type == types[match]) {
            values[match] = var;
            values[match].octets.resize(std::min(var.octets.size(), setting_text_max));
            received[match] = true;
        }
    }
    for (bool got : received) {
        if (!got) {
            internal_error_box(*box.presenter, "%s(), device did not return all parameters",
                               routine);
            return 1;
        }
    }
    return 0;
}

template <std::size_t N>
int read_group(Chassis& box, SnmpGet& get, const char* routine,
               std::array<std::uint8_t, N>& settings, const snmp_action& what) {
    std::vector<snmp_value> values;
    if (read_values(box, get, std::vector<u_char>(N, asn_integer), routine, values, what) != 0) {
        return 1;
    }
    for (std::size_t i = 0; i < N; ++i) {
        settings[i] = static_cast<std::uint8_t>(values[i].integer);
    }
    return 0;
}

// One object per column: the group's table, the column, then the row index.
template <std::size_t N>
void add_columns(SnmpGet& get, const std::array<oid, N>& columns, std::initializer_list<oid> before,
                 const std::vector<oid>& after, const Chassis& box) {
    for (oid column : columns) {
        std::vector<oid> name = box.object(before);
        name.push_back(column);
        name.insert(name.end(), after.begin(), after.end());
        get.add_name(std::move(name), asn_integer);
    }
}

oid as_oid(int value) {
    return static_cast<oid>(value);
}

} // namespace

int read_setting_group(Chassis& box, const char* routine, const std::vector<oid>& table,
                       const std::vector<group_column>& columns, const std::vector<oid>& index,
                       std::vector<snmp_value>& values, const snmp_action& what) {
    SnmpGet get(box);
    std::vector<u_char> types;
    for (const group_column& column : columns) {
        types.push_back(column.text ? asn_octet_string : asn_integer);
        std::vector<oid> name = box.object({});
        name.insert(name.end(), table.begin(), table.end());
        name.push_back(column.column);
        name.insert(name.end(), index.begin(), index.end());
        get.add_name(std::move(name), types.back());
    }
    return read_values(box, get, types, routine, values, what);
}

std::vector<oid> lo_path_index(int slot, int port, const lo_path_position& at) {
    const int n = at.path_number - 1;
    return {as_oid(slot),
            as_oid(port),
            as_oid(at.aug),
            as_oid(at.level2),
            as_oid(n / at.paths_per_tug2 + 1),
            as_oid(n % at.paths_per_tug2 + 1)};
}

int get_e1_line_setup(Chassis& box, int slot, int port, e1_line_settings& settings,
                      const snmp_action& what) {
    SnmpGet get(box);
    add_columns(get, std::array<oid, 8>{3, 4, 5, 6, 7, 8, 10, 11}, {3, 1, 1, 1},
                {as_oid(slot), as_oid(port)}, box);
    return read_group(box, get, "get_e1_line_setup", settings, what);
}

int get_t3_line_setup(Chassis& box, int slot, int port, t3_line_settings& settings,
                      const snmp_action& what) {
    SnmpGet get(box);
    add_columns(get, std::array<oid, 3>{3, 4, 5}, {5, 1, 1, 1}, {as_oid(slot), as_oid(port)}, box);
    return read_group(box, get, "get_t3_line_setup", settings, what);
}

int get_t3_e1_framer(Chassis& box, int slot, int port, int channel, e1_framer_settings& settings,
                     const snmp_action& what) {
    SnmpGet get(box);
    add_columns(get, std::array<oid, 5>{4, 5, 6, 7, 8}, {5, 1, 2, 1, 1},
                {as_oid(slot), as_oid(port), as_oid(channel)}, box);
    return read_group(box, get, "get_t3_e1_framer", settings, what);
}

int get_r155_e1_framer(Chassis& box, int slot, int port, const lo_path_position& at,
                       e1_framer_settings& settings, const snmp_action& what) {
    SnmpGet get(box);
    add_columns(get, std::array<oid, 5>{8, 10, 11, 12, 14}, {2, 27, 1},
                lo_path_index(slot, port, at), box);
    return read_group(box, get, "get_r155_e1_framer", settings, what);
}

int get_r155_t1_framer(Chassis& box, int slot, int port, const lo_path_position& at,
                       t1_framer_settings& settings, const snmp_action& what) {
    SnmpGet get(box);
    add_columns(get, std::array<oid, 3>{9, 12, 14}, {2, 27, 1}, lo_path_index(slot, port, at), box);
    return read_group(box, get, "get_r155_t1_framer", settings, what);
}

} // namespace vornex
