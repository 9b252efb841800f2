#include "lineconf/path_overhead.h"

#include "model/card.h"
#include "model/chassis.h"
#include "snmp/snmp_access.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace vornex {

namespace {

const std::vector<trace_mode> j0_j1_modes{{1, "NULL", 0},
                                          {2, "16-byte (Space Padding)", 15},
                                          {4, "16-byte (NULL Padding)", 15},
                                          {6, "1-byte", 1}};

const std::vector<trace_mode> j2_modes{{1, "NULL", 0},
                                       {2, "16-byte (Space Padding)", 15},
                                       {3, "64-byte (Space Padding)", 62},
                                       {4, "16-byte (NULL Padding)", 15},
                                       {5, "64-byte (NULL Padding)", 62}};

// Columns by field: mode, expected, transmitted, received message, the three bytes, the
// expected, transmitted and received signal labels.
const overhead_group line_overhead{line_dialog::line_overhead,
                                   "Line Overhead Setup",
                                   "get_r155_line_overhead",
                                   "J0",
                                   {2, 2, 1, 1},
                                   {3, 4, 5, 6, 7, 8, 9, 0, 0, 0},
                                   j0_j1_modes,
                                   "Failure applying line_overhead_settings."};

const overhead_group ho_overhead{line_dialog::ho_overhead,
                                 "HO-Path Overhead Setup",
                                 "get_r155_ho_overhead",
                                 "J1",
                                 {2, 2, 2, 1},
                                 {5, 6, 7, 8, 10, 11, 12, 9, 13, 14},
                                 j0_j1_modes,
                                 "Failure applying ho_overhead_settings."};

const overhead_group lo_overhead{line_dialog::lo_overhead,
                                 "LO-Path Overhead Setup",
                                 "get_r155_lo_overhead",
                                 "J2",
                                 {2, 2, 3, 1},
                                 {7, 0, 9, 10, 0, 0, 0, 0, 12, 13},
                                 j2_modes,
                                 "Failure applying LO Overhead Settings to %d. Aborting"};

oid as_oid(int value) {
    return static_cast<oid>(value);
}

int paths_per_tug2(const HsEntry& path) {
    return path.parent != nullptr && path.parent->child_count() == 28 ? 4 : 3;
}

std::vector<oid> overhead_index(const overhead_group& group, const HsEntry& node, int path) {
    const int slot = node.card->slot;
    if (group.dialog == line_dialog::line_overhead) {
        return {as_oid(slot), as_oid(node.port())};
    }
    if (group.dialog == line_dialog::ho_overhead) {
        return {as_oid(slot), as_oid(node.port()), node.address[2], node.address[3]};
    }
    return lo_path_index(slot, node.port(),
                         {node.address[2], node.address[3], path, paths_per_tug2(node)});
}

// Fields in column order, as the group is read and written.
std::vector<int> fields_by_column(const overhead_group& group) {
    std::vector<int> fields;
    for (int f = 0; f < ovh_field_count; ++f) {
        if (group.columns[static_cast<std::size_t>(f)] != 0) {
            fields.push_back(f);
        }
    }
    std::sort(fields.begin(), fields.end(), [&](int a, int b) {
        return group.columns[static_cast<std::size_t>(a)] <
               group.columns[static_cast<std::size_t>(b)];
    });
    return fields;
}

bool text_field(int field) {
    return field == ovh_expected || field == ovh_transmitted || field == ovh_received;
}

// A 1-byte mode text: hexadecimal digits after optional blanks, then nothing or a blank.
// An empty text is refused rather than taken as 0.
std::optional<long> hex_byte(const std::string& text) {
    std::size_t at = text.find_first_not_of(' ');
    if (at == std::string::npos) {
        return std::nullopt;
    }
    long value = 0;
    const std::size_t first = at;
    for (; at < text.size() && std::isxdigit(static_cast<unsigned char>(text[at])) != 0; ++at) {
        const int c = std::tolower(static_cast<unsigned char>(text[at]));
        value = std::min(value * 16 + (std::isdigit(c) != 0 ? c - '0' : c - 'a' + 10), 256L);
    }
    if (at == first || (at < text.size() && text[at] != ' ') || value > 255) {
        return std::nullopt;
    }
    return value;
}

std::string hex_text(long value) {
    char text[16];
    std::snprintf(text, sizeof text, "%02lx", value);
    return text;
}

const char* hint_of(const trace_mode* mode) {
    if (mode == nullptr || mode->length == 0) {
        return "";
    }
    if (mode->length == 1) {
        return "0 - FF";
    }
    return mode->length == 15 ? "1 - 15 chars" : "1 - 62 chars";
}

void add_field(SnmpSet& set, const Chassis& box, const overhead_group& group,
               const std::vector<oid>& index, int field, long number, const std::string& text) {
    const std::vector<oid> suffix =
        object_suffix(group.table, group.columns[static_cast<std::size_t>(field)], index);
    if (text_field(field)) {
        std::vector<oid> name = box.object({});
        name.insert(name.end(), suffix.begin(), suffix.end());
        set.add_string_name(std::move(name), text);
    } else {
        add_integer_at(set, suffix, number);
    }
}

// The message checks of OK; false after the note.
bool check_message(Presenter& presenter, const overhead_group& group, const trace_mode& mode,
                   const char* which, const std::string& text, long& byte) {
    if (mode.length == 1) {
        const auto value = hex_byte(text);
        if (!value) {
            note_box(presenter, "%s %s Msg invalid.  Range is 0 - FF.  Please correct or cancel.",
                     which, group.trace);
            return false;
        }
        byte = *value;
    } else if (mode.length > 1 &&
               (text.empty() || text.size() > static_cast<std::size_t>(mode.length))) {
        note_box(presenter,
                 "%s %s Msg invalid size.  Should be 1 to %d characters.  Please correct or "
                 "cancel.",
                 which, group.trace, mode.length);
        return false;
    }
    return true;
}

oid node_number(const HsEntry& node) {
    return node.setup == SetupDialog::aug ? 0 : node.address[3];
}

} // namespace

const overhead_group& overhead_group_for(line_dialog dialog) {
    if (dialog == line_dialog::ho_overhead) {
        return ho_overhead;
    }
    return dialog == line_dialog::lo_overhead ? lo_overhead : line_overhead;
}

int read_overhead(Chassis& box, const overhead_group& group, const HsEntry& node,
                  overhead_values& values) {
    const std::vector<int> fields = fields_by_column(group);
    std::vector<group_column> columns;
    for (int field : fields) {
        columns.push_back({group.columns[static_cast<std::size_t>(field)], text_field(field)});
    }
    std::vector<snmp_value> read;
    if (read_setting_group(box, group.routine, group.table, columns,
                           overhead_index(group, node, node.address[4]), read,
                           reading_configuration_retry) != 0) {
        return 1;
    }
    values = {};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto field = static_cast<std::size_t>(fields[i]);
        values.number[field] = read[i].integer;
        values.text[field] = read[i].octets;
    }
    return 0;
}

const trace_mode* find_mode(const overhead_group& group, long mode) {
    for (const trace_mode& m : group.modes) {
        if (m.value == mode) {
            return &m;
        }
    }
    return nullptr;
}

trace_display display_trace(const overhead_group& group, const overhead_values& read, long mode) {
    const trace_mode* m = find_mode(group, mode);
    trace_display shown{read.text[ovh_expected], read.text[ovh_transmitted],
                        read.text[ovh_received], hint_of(m),
                        trace_text_typed,        m != nullptr && m->length != 0};
    if (m != nullptr && m->length == 1) {
        shown.expected = hex_text(read.number[ovh_expected_byte]);
        shown.transmitted = hex_text(read.number[ovh_transmitted_byte]);
        shown.received = hex_text(read.number[ovh_received_byte]);
    } else if (m != nullptr && group.dialog == line_dialog::lo_overhead && m->length > 1) {
        shown.limit = m->length; // dialog 160 limits the edit itself
    }
    return shown;
}

std::string ho_signal_label(int value) {
    switch (value) {
    case 0:
        return "00 (Unequipped)";
    case 1:
        return "01 (Equipped)";
    case 2:
        return "02 (TUG)";
    case 3:
        return "03 (Locked TUG)";
    case 4:
        return "04 (Async. mapping into Container-3)";
    case 254:
        return "FE (Test signal)";
    case 255:
        return "FF (VC-AIS)";
    default: {
        char text[8];
        std::snprintf(text, sizeof text, "%02X", value & 0xff);
        return text;
    }
    }
}

std::string lo_signal_label(int value) {
    // Line 4 has no closing parenthesis, as the device's own list shows it.
    static const char* const labels[] = {"00 (Unequipped)",      "01 (Equipped)",
                                         "02 (Asynchronous)",    "03 (Bit Synchronous)",
                                         "04 (Byte Synchronous", "05 (Extended Signal Label)",
                                         "6 (Test signal)",      "7 (VC-AIS)"};
    return value >= 0 && value < 8 ? labels[value] : std::string();
}

apply_result apply_overhead(Chassis& box, const overhead_group& group, HsEntry& node,
                            const overhead_input& input) {
    Presenter& presenter = *box.presenter;
    const bool lo = group.dialog == line_dialog::lo_overhead;
    int from = node.address[4], to = node.address[4];
    if (lo) {
        const int paths = node.parent != nullptr ? static_cast<int>(node.parent->child_count()) : 0;
        if (input.from < 1 || input.from > paths || input.to < 1 || input.to > paths ||
            input.from > input.to) {
            note_box(presenter, "Invalid copy range.  Limit is 1 - %d.", paths);
            return apply_result::refused;
        }
        from = input.from;
        to = input.to;
    }
    const trace_mode* mode = find_mode(group, input.mode);
    long expected_byte = 0, transmitted_byte = 0;
    if (mode != nullptr && group.columns[ovh_expected] != 0 &&
        !check_message(presenter, group, *mode, "Exp", input.expected, expected_byte)) {
        return apply_result::refused;
    }
    if (mode != nullptr &&
        !check_message(presenter, group, *mode, "Tx", input.transmitted, transmitted_byte)) {
        return apply_result::refused;
    }
    const int length = mode != nullptr ? mode->length : 0;
    for (int path = from; path <= to; ++path) {
        const std::vector<oid> index = overhead_index(group, node, path);
        SnmpSet set(box);
        add_field(set, box, group, index, ovh_mode, input.mode, {});
        // Dialog 160 sends its message in every mode; 164 and 161 only in the message
        // modes, and the bytes in the 1-byte mode.
        if (lo || length > 1) {
            if (group.columns[ovh_expected] != 0) {
                add_field(set, box, group, index, ovh_expected, 0, input.expected);
            }
            add_field(set, box, group, index, ovh_transmitted, 0, input.transmitted);
        } else if (length == 1) {
            add_field(set, box, group, index, ovh_expected_byte, expected_byte, {});
            add_field(set, box, group, index, ovh_transmitted_byte, transmitted_byte, {});
        }
        if (group.columns[ovh_expected_label] != 0) {
            add_field(set, box, group, index, ovh_expected_label, input.expected_label, {});
        }
        if (group.columns[ovh_transmitted_label] != 0) {
            add_field(set, box, group, index, ovh_transmitted_label, input.transmitted_label, {});
        }
        if (set.send(setting_configuration) != snmp_ok) {
            if (lo) {
                note_box(presenter, group.failure, path);
            } else {
                note_box(presenter, "%s", group.failure);
            }
            return apply_result::failed;
        }
    }
    return apply_result::applied;
}

int read_granularity(Chassis& box, const HsEntry& node, granularity_read& read) {
    return r155_granularity_probe(box, node.card->slot, node.port(), node.address[2],
                                  read.granularity, read.kinds);
}

std::vector<std::string> granularity_labels(const HsEntry& node, const granularity_read& read) {
    const bool sonet = node.card->sonet();
    if (node.setup == SetupDialog::aug) {
        if (sonet) {
            return {"STS3"};
        }
        return {"AU3-3", "AU4-TUG3"};
    }
    if (sonet) {
        return {"VT15", "VT2", "STS1"};
    }
    return {"TU11", "TU12", read.granularity == granularity_tug3 ? "TU3" : "AU3"};
}

int granularity_radio(const HsEntry& node, const granularity_read& read) {
    if (node.setup == SetupDialog::aug) {
        if (read.granularity == granularity_au3) {
            return 0;
        }
        return read.granularity == granularity_tug3 && !node.card->sonet() ? 1 : -1;
    }
    switch (read.kinds[node_number(node)]) {
    case kind_tu11:
        return 0;
    case kind_tu12:
        return 1;
    case kind_tu3:
    case kind_au3:
        return 2;
    default:
        return -1;
    }
}

apply_result apply_granularity(Chassis& box, HsEntry& node, const granularity_read& read,
                               int radio) {
    if (radio < 0) {
        return apply_result::applied;
    }
    const bool sonet = node.card->sonet();
    if (node.setup == SetupDialog::aug) {
        const int granularity = radio == 0 ? granularity_au3 : granularity_tug3;
        if (granularity == read.granularity) {
            return apply_result::applied;
        }
        // The kinds go with the new granularity as read, except that a VC4's kinds (6) name
        // nothing the new nodes could carry: they become TU12 on SDH and VT1.5 on SONET
        // cards, and so does any other kind the new granularity has no node for; a TU3/AU3
        // kind becomes the container of the new granularity.
        child_kinds kinds = read.kinds;
        const int fallback = sonet ? kind_tu11 : kind_tu12;
        for (int n = 1; n <= 3; ++n) {
            int& kind = kinds[static_cast<std::size_t>(n)];
            if (kind == kind_tu3 || kind == kind_au3) {
                kind = granularity == granularity_tug3 ? kind_tu3 : kind_au3;
            } else if (kind != kind_tu11 && kind != kind_tu12) {
                kind = fallback;
            }
        }
        if (set_granularity(box, node, granularity, kinds) != 0) {
            return apply_result::failed;
        }
    } else {
        const int n = static_cast<int>(node_number(node));
        const int kinds[] = {kind_tu11, kind_tu12,
                             read.granularity == granularity_tug3 ? kind_tu3 : kind_au3};
        const int kind = kinds[std::min(radio, 2)];
        if (kind == read.kinds[static_cast<std::size_t>(n)]) {
            return apply_result::applied;
        }
        SnmpSet set(box);
        set.add_integer(
            {2, 1, 1, as_oid(4 + n), as_oid(node.card->slot), as_oid(node.port()), node.address[2]},
            kind);
        if (set.send(setting_granularity) != snmp_ok) {
            return apply_result::failed;
        }
        free_endpoints(node.children);
        node.kind = static_cast<std::uint8_t>(kind);
        build_paths(box, *node.card, node);
    }
    box.changes.notify(change_tree_rebuilt);
    return apply_result::applied;
}

} // namespace vornex
