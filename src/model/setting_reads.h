#pragma once
// Reads of the line, framer and path settings groups. Each group is read in one GET and
// must come back whole: a group with a setting missing is refused with the routine's own
// "device did not return all parameters" message, so no dialog or builder works from a
// half-read port. Integer groups are kept one byte per setting, in column order; groups
// that mix in text settings as the values the device sent.

#include "snmp/snmp_access.h"

#include <array>
#include <cstdint>
#include <vector>

namespace vornex {

struct Chassis;

using e1_line_settings =
    std::array<std::uint8_t, 8>; // coding, impedance, frame, CRC, CAS, RAI, OOS, SSM
using t3_line_settings = std::array<std::uint8_t, 3>;   // coding, type, length
using e1_framer_settings = std::array<std::uint8_t, 5>; // frame, CRC, CAS, RAI, OOS
using t1_framer_settings = std::array<std::uint8_t, 3>; // frame, YEL, OOS

inline constexpr std::size_t frame_setting = 2;   // index in e1_line_settings
inline constexpr std::size_t t3_type_setting = 1; // index in t3_line_settings
inline constexpr std::uint8_t frame_off = 1;      // the unframed signal
inline constexpr std::uint8_t t3_mx3_t1 = 3, t3_mx3_e1 = 4, t3_cbit_t1 = 5, t3_cbit_e1 = 6;

// Where a low-order path sits: the path's AUG, its TUG3/AU3 number and its own number.
struct lo_path_position {
    int aug;
    int level2;
    int path_number;    // 1-based within its TUG3/AU3
    int paths_per_tug2; // 4 for TU11/VT1.5, 3 for TU12/VT2
};

// Text settings (trace messages) are kept up to this many bytes.
inline constexpr std::size_t setting_text_max = 64;

// One object of a settings group: its column, and whether it is an OCTET STRING rather
// than an INTEGER.
struct group_column {
    oid column;
    bool text = false;
};

// Reads the objects R.table.column.index of `columns` in one GET; `values` gets them in
// the same order. `routine` names the read in the message of an incomplete answer.
int read_setting_group(Chassis& box, const char* routine, const std::vector<oid>& table,
                       const std::vector<group_column>& columns, const std::vector<oid>& index,
                       std::vector<snmp_value>& values, const snmp_action& what);

// The row index of a low-order path's objects: slot, port, AUG, level 2, TUG2, place.
std::vector<oid> lo_path_index(int slot, int port, const lo_path_position& at);

// A failed request is reported with `what`: the opening and rescans advise a rescan, a
// configuration dialog a retry.
int get_e1_line_setup(Chassis& box, int slot, int port, e1_line_settings& settings,
                      const snmp_action& what);
int get_t3_line_setup(Chassis& box, int slot, int port, t3_line_settings& settings,
                      const snmp_action& what);
int get_t3_e1_framer(Chassis& box, int slot, int port, int channel, e1_framer_settings& settings,
                     const snmp_action& what);
int get_r155_e1_framer(Chassis& box, int slot, int port, const lo_path_position& at,
                       e1_framer_settings& settings, const snmp_action& what);
int get_r155_t1_framer(Chassis& box, int slot, int port, const lo_path_position& at,
                       t1_framer_settings& settings, const snmp_action& what);

} // namespace vornex
