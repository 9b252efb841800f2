#pragma once
// The line and framer settings of ports, T3 channels and low-order paths: one table per
// settings group says which objects the group has, what each value means, which of them
// are ever written and what a change rebuilds. Every dialog, and the command line, goes
// through the same pattern: read the endpoint's group, let the operator change it, then
// for each port or channel of the range read its present values and send, in one SET, only
// what differs. Nothing here shows a window; messages go through the box's Presenter.

#include "model/hs_entry.h"
#include "model/setting_reads.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vornex {

struct Chassis;

// Every dialog a `setup` popup can open.
enum class line_dialog {
    customer_info,     // 163, with a port range
    t1_line,           // 162
    e1_line,           // 165
    t3_line,           // 166
    t3_e1_framer,      // 167
    t3_t1_framer,      // 168
    line_overhead,     // 164
    stm_customer_info, // 169, one port
    aug_granularity,   // 156
    ho_overhead,       // 161
    node_granularity,  // 155
    lo_overhead,       // 160
    pdh_t1_framer,     // 154
    pdh_e1_framer,     // 153
};

struct popup_entry {
    const char* label;
    line_dialog dialog;
};

// The popup of a node's `setup` routine, in menu order. A T3 channel's popup first reads
// its port's line type: a failed read gives no entries; a type that is neither a T1 nor an
// E1 type keeps the entry, which then opens nothing (null from line_group_of).
std::vector<popup_entry> setup_popup(Chassis& box, HsEntry& node);

struct setting_choice {
    long value;
    const char* label;
};

enum class write_rule { if_changed, always, never };

struct line_setting {
    const char* name; // the dialog's group caption: "Frame"
    oid column;
    std::vector<setting_choice> choices; // empty: the 16 OOS patterns, value = line + 1
    write_rule write = write_rule::if_changed;
    bool rebuilds = false; // a change replaces the timeslots (or the T3 port's channels)
};

// Which endpoints a range names, and how their objects are indexed.
enum class range_unit { port, t3_channel, lo_path };

struct line_group {
    line_dialog dialog;
    const char* caption;    // "T1 Line Interface Setup"
    const char* routine;    // "get_t1_line_setup", named when the answer is incomplete
    std::vector<oid> table; // the objects are R.table.column.index
    std::vector<line_setting> settings;
    range_unit unit;
    int channel_limit;   // a channel range's upper limit; ports use the card's port count
    int paths_per_tug2;  // low-order paths: 4 TU11/VT1.5, 3 TU12/VT2
    int ssm;             // index of the SSM setting, -1 without one
    const char* failure; // "%d" the endpoint's number or "%s" its name
    const char* ssm_failure;
};

// The group a dialog edits; null for the dialogs that are not line or framer groups and
// for a T3 channel framer whose port's type is none of the four.
const line_group* line_group_for(line_dialog dialog);
const line_group* line_group_of(Chassis& box, line_dialog dialog, const HsEntry& node);

// The 16 OOS list lines "0000" … "1111".
std::string oos_label(int line);
// A value's text in a setting ("SF", "0011"), or nullopt when the value is none of them.
std::optional<std::string> value_label(const line_setting& setting, long value);
std::optional<long> value_of_label(const line_setting& setting, std::string_view label);

using line_values = std::vector<long>;

// Reads the group of one endpoint by its number (port, channel or path), as every read of
// the dialogs does: "reading configuration" / "Retry Operation" on failure. 0 or 1.
int read_line_group(Chassis& box, const line_group& group, const HsEntry& endpoint, int number,
                    line_values& values);

// The name below the device root of R.table.column.index, and a SET item for it.
std::vector<oid> object_suffix(const std::vector<oid>& table, oid column,
                               const std::vector<oid>& index);
void add_integer_at(SnmpSet& set, const std::vector<oid>& suffix, long value);

// A range edit's text as a number: leading blanks, an optional sign and the digits that
// follow; anything else is 0, and a number too large for an int saturates.
int range_number(std::string_view text);

// The upper limit of a range around `endpoint` (its card's port count or the group's
// channel limit).
int range_limit(const line_group& group, const HsEntry& endpoint);

// How an OK ended: applied (the dialog ends with OK), refused (an input note was shown,
// nothing was sent and the dialog stays), or failed part-way (shown; the dialog still ends
// with OK, the endpoints before the failing one keep their new settings).
enum class apply_result { applied, refused, failed };

// OK of a line or framer dialog opened on `endpoint`: the range checks and the SSM rule,
// then endpoint by endpoint (by number, from..to) the read, compare and write, and the
// rebuilds that a change brings. `wanted` holds every setting, read or chosen.
apply_result apply_line_group(Chassis& box, const line_group& group, HsEntry& endpoint, int from,
                              int to, const line_values& wanted);

// Customer Info. The identifier group of a port's card (0 for STM-1/OC-3) and its limit.
int identifier_group(const HsEntry& port);
std::size_t identifier_limit(const HsEntry& port);
// Reads the port's identifier for the dialog (failures shown); 0 or 1.
int read_customer_info(Chassis& box, HsEntry& port, std::string& text);
// OK of dialog 163 (with_range) or 169: a blanks-only text counts as empty; a text over
// the limit or a bad range is refused. A port that fails is reported and the loop goes on.
apply_result apply_customer_info(Chassis& box, HsEntry& port, const std::string& text,
                                 bool with_range, int from, int to);

} // namespace vornex
