#pragma once
// The STM-1/OC-3 dialogs that are not line groups: the J0, J1/C2 and J2/V5 path overhead of
// a port, an AUG or node, and a low-order path (dialogs 164, 161, 160), and the
// granularity of an AUG or of one of its nodes (156, 155). The trace messages are written
// as the operator typed them, without comparing with the device; the received fields are
// shown and never written.

#include "lineconf/line_setup.h"
#include "model/builders.h"

#include <array>
#include <string>
#include <vector>

namespace vornex {

// A trace message edit takes this many characters; the checks of OK then apply.
inline constexpr int trace_text_typed = 64;

struct trace_mode {
    long value;
    const char* label;
    int length; // the message length of the mode; 1 the 1-byte mode, 0 NULL
};

// The fields of an overhead group, in column order; a column of 0 is not in the group.
enum overhead_field {
    ovh_mode,
    ovh_expected,
    ovh_transmitted,
    ovh_received,
    ovh_expected_byte,
    ovh_transmitted_byte,
    ovh_received_byte,
    ovh_expected_label,
    ovh_transmitted_label,
    ovh_received_label,
    ovh_field_count
};

struct overhead_group {
    line_dialog dialog;
    const char* caption;
    const char* routine;
    const char* trace; // "J0", "J1", "J2"
    std::vector<oid> table;
    std::array<oid, ovh_field_count> columns;
    std::vector<trace_mode> modes;
    const char* failure;
};

const overhead_group& overhead_group_for(line_dialog dialog); // 164, 161 or 160

// A group as read: numbers and texts by field.
struct overhead_values {
    std::array<long, ovh_field_count> number{};
    std::array<std::string, ovh_field_count> text{};
};

int read_overhead(Chassis& box, const overhead_group& group, const HsEntry& node,
                  overhead_values& values);

const trace_mode* find_mode(const overhead_group& group, long mode);

// What the three message edits show in a mode: the messages, or in the 1-byte mode the
// bytes as "%02x"; the hint ("1 - 15 chars", "1 - 62 chars", "0 - FF"), the typing limit
// and whether the operator may edit them (not in NULL mode).
struct trace_display {
    std::string expected, transmitted, received;
    const char* hint;
    int limit;
    bool editable;
};
trace_display display_trace(const overhead_group& group, const overhead_values& read, long mode);

// The signal label lists: 256 high-order (C2) lines and 8 low-order (V5) lines.
std::string ho_signal_label(int value);
std::string lo_signal_label(int value);

// The operator's choice on OK: the mode, the two message texts as typed, the labels (the
// values read when none was chosen), and the copy range of dialog 160.
struct overhead_input {
    long mode = 0;
    std::string expected, transmitted;
    long expected_label = 0, transmitted_label = 0;
    int from = 0, to = 0;
};

// OK of dialogs 164, 161 and 160: the checks with their notes, then one SET for the
// endpoint, or one per path of the copy range for dialog 160.
apply_result apply_overhead(Chassis& box, const overhead_group& group, HsEntry& node,
                            const overhead_input& input);

// Granularity. The AUG of a node (the node itself for an AUG), and what the dialogs read.
struct granularity_read {
    int granularity = 0;
    child_kinds kinds{};
};
int read_granularity(Chassis& box, const HsEntry& node, granularity_read& read);

// The radios of dialog 155 (three) and 156 (one or two) and which is checked, -1 for none:
// a granularity or kind the radios do not name checks nothing, so an untouched OK writes
// nothing.
std::vector<std::string> granularity_labels(const HsEntry& node, const granularity_read& read);
int granularity_radio(const HsEntry& node, const granularity_read& read);
// OK with radio `radio` (-1: none chosen, nothing written). Dialog 155 sends one SET of the
// node's kind and rebuilds that node's paths; 156 writes the AUG's granularity and kinds.
apply_result apply_granularity(Chassis& box, HsEntry& node, const granularity_read& read,
                               int radio);

} // namespace vornex
