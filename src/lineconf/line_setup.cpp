#include "lineconf/line_setup.h"

#include "model/builders.h"
#include "model/card.h"
#include "model/chassis.h"
#include "snmp/snmp_access.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace vornex {

namespace {

const std::vector<setting_choice> off_on{{1, "Off"}, {2, "On"}};
const std::vector<setting_choice> sf_esf{{1, "SF"}, {2, "ESF"}};
const std::vector<setting_choice> oos_list{};

const char* const ssm_note =
    "\n\nNote: If the r4150 reported an \"SNMP error Generic Error\", it may be\ndue to "
    "enabling SSM on a port when it is already enabled on another port.";

// Written out once each so that the tables below stay plain data.
const std::string t1_ssm_failure =
    std::string("Failure applying settings to port %d.  Aborting.") + ssm_note;
const std::string e1_ssm_failure =
    std::string("Failure applying settings to %s.  Aborting.") + ssm_note;

const line_group t1_line{line_dialog::t1_line,
                         "T1 Line Interface Setup",
                         "get_t1_line_setup",
                         {4, 1, 1, 1},
                         {{"Coding", 3, {{1, "B8ZS"}, {2, "AMI"}}},
                          {"Equalizer",
                           4,
                           {{1, "0 - 110 ft"},
                            {2, "110 - 220 ft"},
                            {3, "220 - 330 ft"},
                            {4, "330 - 440 ft"},
                            {5, "440 - 550 ft"},
                            {6, "550 - 660 ft"}}},
                          {"Frame", 5, sf_esf},
                          {"YEL", 6, off_on},
                          {"OOS", 8, oos_list},
                          {"SSM", 9, off_on}},
                         range_unit::port,
                         0,
                         0,
                         5,
                         "Failure applying settings to port %d.  Aborting.",
                         t1_ssm_failure.c_str()};

const line_group e1_line{
    line_dialog::e1_line,
    "E1 Line Interface Setup",
    "get_e1_line_setup",
    {3, 1, 1, 1},
    {{"Coding", 3, {{1, "HDB3"}, {2, "AMI"}}},
     {"Impedance", 4, {{1, "Balanced"}, {2, "Unbalanced"}}, write_rule::never},
     {"Frame", 5, off_on, write_rule::if_changed, true},
     {"CRC", 6, off_on},
     {"CAS", 7, off_on},
     {"RAI", 8, off_on},
     {"OOS", 10, oos_list},
     {"SSM", 11, {{1, "Off"}, {2, "SA4"}, {3, "SA5"}, {4, "SA6"}, {5, "SA7"}, {6, "SA8"}}}},
    range_unit::port,
    0,
    0,
    7,
    "Failure applying settings to port %s.  Aborting.",
    e1_ssm_failure.c_str()};

// Type and Length are sent on every port of the range, whatever the port had.
const line_group t3_line{
    line_dialog::t3_line,
    "T3 Line Interface Setup",
    "get_t3_line_setup",
    {5, 1, 1, 1},
    {{"Coding", 3, {{1, "B3ZS"}}, write_rule::never},
     {"Type",
      4,
      {{3, "MX3-T1"}, {4, "MX3-E1"}, {5, "C-Bit-T1"}, {6, "C-Bit-E1"}},
      write_rule::always,
      true},
     {"Length", 5, {{1, "0 - 225 ft"}, {2, "225 - 450 ft"}}, write_rule::always}},
    range_unit::port,
    0,
    0,
    -1,
    "Failure applying settings to port %d.  Aborting.",
    nullptr};

const line_group t3_e1_framer{line_dialog::t3_e1_framer,
                              "T3 E1 Framer Setup",
                              "get_t3_e1_framer",
                              {5, 1, 2, 1, 1},
                              {{"Frame", 4, off_on, write_rule::if_changed, true},
                               {"CRC", 5, off_on},
                               {"CAS", 6, off_on, write_rule::if_changed, true},
                               {"RAI", 7, off_on},
                               {"OOS", 8, oos_list}},
                              range_unit::t3_channel,
                              21,
                              0,
                              -1,
                              "Failure applying settings to %s.  Aborting.",
                              nullptr};

const line_group t3_t1_framer{
    line_dialog::t3_t1_framer,
    "T3 T1 Framer Setup",
    "get_t3_t1_framer",
    {5, 1, 2, 2, 1},
    {{"Frame", 4, sf_esf, write_rule::if_changed, true}, {"YEL", 5, off_on}, {"OOS", 6, oos_list}},
    range_unit::t3_channel,
    28,
    0,
    -1,
    "Failure applying settings to %s.  Aborting.",
    nullptr};

const line_group pdh_e1_framer{line_dialog::pdh_e1_framer,
                               "PDH E1 Framer Setup",
                               "get_r155_e1_framer",
                               {2, 27, 1},
                               {{"Frame", 8, off_on, write_rule::if_changed, true},
                                {"CRC", 10, off_on},
                                {"CAS", 11, off_on, write_rule::if_changed, true},
                                {"RAI", 12, off_on},
                                {"OOS", 14, oos_list}},
                               range_unit::lo_path,
                               21,
                               3,
                               -1,
                               "Failure applying settings to %s.  Aborting.",
                               nullptr};

const line_group pdh_t1_framer{line_dialog::pdh_t1_framer,
                               "PDH T1 Framer Setup",
                               "get_r155_t1_framer",
                               {2, 27, 1},
                               {{"Frame", 9, sf_esf, write_rule::if_changed, true},
                                {"YEL", 12, off_on},
                                {"OOS", 14, oos_list}},
                               range_unit::lo_path,
                               28,
                               4,
                               -1,
                               "Failure applying settings to channel %s.  Aborting.",
                               nullptr};

const line_group* const all_groups[] = {&t1_line,      &e1_line,       &t3_line,      &t3_e1_framer,
                                        &t3_t1_framer, &pdh_e1_framer, &pdh_t1_framer};

oid as_oid(int value) {
    return static_cast<oid>(value);
}

} // namespace

std::vector<oid> object_suffix(const std::vector<oid>& table, oid column,
                               const std::vector<oid>& index) {
    std::vector<oid> suffix = table;
    suffix.push_back(column);
    suffix.insert(suffix.end(), index.begin(), index.end());
    return suffix;
}

void add_integer_at(SnmpSet& set, const std::vector<oid>& s, long value) {
    // SnmpSet names objects by an initializer list below the root; the settings tables
    // have suffixes of 7 to 11 sub-identifiers.
    switch (s.size()) {
    case 7:
        set.add_integer({s[0], s[1], s[2], s[3], s[4], s[5], s[6]}, value);
        break;
    case 8:
        set.add_integer({s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7]}, value);
        break;
    case 9:
        set.add_integer({s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8]}, value);
        break;
    case 10:
        set.add_integer({s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9]}, value);
        break;
    default:
        set.add_integer({s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9], s[10]}, value);
        break;
    }
}

namespace {

// The endpoint's own number: its port, or its channel or path number.
int own_number(const line_group& group, const HsEntry& endpoint) {
    return group.unit == range_unit::port ? endpoint.port() : endpoint.address[4];
}

std::vector<oid> group_index(const line_group& group, const HsEntry& endpoint, int number) {
    const int slot = endpoint.card->slot;
    switch (group.unit) {
    case range_unit::port:
        return {as_oid(slot), as_oid(number)};
    case range_unit::t3_channel:
        return {as_oid(slot), as_oid(endpoint.port()), as_oid(number)};
    case range_unit::lo_path:
        break;
    }
    return lo_path_index(slot, endpoint.port(),
                         {endpoint.address[2], endpoint.address[3], number, group.paths_per_tug2});
}

// The endpoint with `number` among the dialog endpoint's siblings, or null.
HsEntry* sibling_numbered(const line_group& group, HsEntry& endpoint, int number) {
    EndpointList& list =
        endpoint.parent != nullptr ? endpoint.parent->children : endpoint.card->endpoints;
    for (const auto& entry : list) {
        if (own_number(group, *entry) == number) {
            return entry.get();
        }
    }
    return nullptr;
}

int t3_type_of_port(Chassis& box, const HsEntry& channel) {
    t3_line_settings line{};
    if (get_t3_line_setup(box, channel.card->slot, channel.port(), line,
                          reading_configuration_retry) != 0) {
        return -1;
    }
    return line[t3_type_setting];
}

// After a change that alters what a node carries, its children are built again as a
// reload builds them.
void rebuild_after_change(Chassis& box, const line_group& group, HsEntry& entry,
                          const line_values& wanted) {
    if (group.dialog == line_dialog::t3_line) {
        free_endpoints(entry.children);
        build_t3_channels(box, *entry.card, entry, static_cast<int>(wanted[t3_type_setting]));
    } else {
        rebuild_timeslots(box, entry);
    }
}

bool blank_only(const std::string& text) {
    return text.find_first_not_of(' ') == std::string::npos;
}

} // namespace

std::vector<popup_entry> setup_popup(Chassis& box, HsEntry& node) {
    switch (node.setup) {
    case SetupDialog::none:
        break;
    case SetupDialog::t1_port:
        return {{"Customer Info", line_dialog::customer_info},
                {"Line Interface Setup", line_dialog::t1_line}};
    case SetupDialog::e1_port:
        return {{"Customer Info", line_dialog::customer_info},
                {"Line Interface Setup", line_dialog::e1_line}};
    case SetupDialog::t3_port:
        return {{"Customer Info", line_dialog::customer_info},
                {"Line Interface Type Setup", line_dialog::t3_line}};
    case SetupDialog::t3_channel:
        if (t3_type_of_port(box, node) < 0) {
            return {};
        }
        return {{"Channel Framer Setup", line_dialog::t3_e1_framer}};
    case SetupDialog::stm_port:
        return {{"Line Overhead Setup", line_dialog::line_overhead},
                {"Customer Information Setup", line_dialog::stm_customer_info}};
    case SetupDialog::aug:
        if (node.card->sonet()) {
            return {{"HO-Path Granularity Setup", line_dialog::aug_granularity}};
        }
        return {{"HO-Path Granularity Setup", line_dialog::aug_granularity},
                {"HO-Path Overhead Setup", line_dialog::ho_overhead}};
    case SetupDialog::ho_node:
        if (!node.card->sonet()) {
            return {{"LO-Path Granularity Setup", line_dialog::node_granularity}};
        }
        return {{"LO-Path Granularity Setup", line_dialog::node_granularity},
                {"HO-Path/STS-Path Overhead Setup", line_dialog::ho_overhead}};
    case SetupDialog::lo_path: {
        std::vector<popup_entry> entries{{"LO-Path Overhead Setup", line_dialog::lo_overhead}};
        const std::size_t paths = node.parent != nullptr ? node.parent->child_count() : 0;
        if (paths == 28) {
            entries.push_back({"PDH Framer Setup", line_dialog::pdh_t1_framer});
        } else if (paths == 21) {
            entries.push_back({"PDH Framer Setup", line_dialog::pdh_e1_framer});
        }
        return entries;
    }
    }
    return {};
}

const line_group* line_group_for(line_dialog dialog) {
    for (const line_group* group : all_groups) {
        if (group->dialog == dialog) {
            return group;
        }
    }
    return nullptr;
}

const line_group* line_group_of(Chassis& box, line_dialog dialog, const HsEntry& node) {
    if (dialog != line_dialog::t3_e1_framer && dialog != line_dialog::t3_t1_framer) {
        return line_group_for(dialog);
    }
    // A channel's framer follows its port's present line type.
    switch (t3_type_of_port(box, node)) {
    case t3_mx3_t1:
    case t3_cbit_t1:
        return &t3_t1_framer;
    case t3_mx3_e1:
    case t3_cbit_e1:
        return &t3_e1_framer;
    default:
        return nullptr;
    }
}

std::string oos_label(int line) {
    std::string text;
    for (int bit = 3; bit >= 0; --bit) {
        text += (line >> bit & 1) != 0 ? '1' : '0';
    }
    return text;
}

std::optional<std::string> value_label(const line_setting& setting, long value) {
    if (setting.choices.empty()) {
        if (value >= 1 && value <= 16) {
            return oos_label(static_cast<int>(value - 1));
        }
        return std::nullopt;
    }
    for (const setting_choice& choice : setting.choices) {
        if (choice.value == value) {
            return choice.label;
        }
    }
    return std::nullopt;
}

std::optional<long> value_of_label(const line_setting& setting, std::string_view label) {
    const auto same = [&](std::string_view text) {
        return std::equal(text.begin(), text.end(), label.begin(), label.end(),
                          [](char a, char b) { return std::tolower(a) == std::tolower(b); });
    };
    if (setting.choices.empty()) {
        for (int line = 0; line < 16; ++line) {
            if (same(oos_label(line))) {
                return line + 1;
            }
        }
    }
    for (const setting_choice& choice : setting.choices) {
        if (same(choice.label)) {
            return choice.value;
        }
    }
    return std::nullopt;
}

int read_line_group(Chassis& box, const line_group& group, const HsEntry& endpoint, int number,
                    line_values& values) {
    std::vector<group_column> columns;
    for (const line_setting& setting : group.settings) {
        columns.push_back({setting.column});
    }
    std::vector<snmp_value> read;
    if (read_setting_group(box, group.routine, group.table, columns,
                           group_index(group, endpoint, number), read,
                           reading_configuration_retry) != 0) {
        return 1;
    }
    values.clear();
    for (const snmp_value& value : read) {
        values.push_back(value.integer);
    }
    return 0;
}

int range_number(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])) != 0) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
        negative = text[at++] == '-';
    }
    long long number = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) != 0; ++at) {
        number = std::min<long long>(number * 10 + (text[at] - '0'), INT_MAX + 1LL);
    }
    return static_cast<int>(negative ? std::max(-number, static_cast<long long>(INT_MIN))
                                     : std::min<long long>(number, INT_MAX));
}

int range_limit(const line_group& group, const HsEntry& endpoint) {
    return group.unit == range_unit::port ? endpoint.card->port_count : group.channel_limit;
}

apply_result apply_line_group(Chassis& box, const line_group& group, HsEntry& endpoint, int from,
                              int to, const line_values& wanted) {
    Presenter& presenter = *box.presenter;
    const int limit = range_limit(group, endpoint);
    if (from < 1 || from > limit || to < 1 || to > limit || from > to) {
        note_box(presenter,
                 group.unit == range_unit::port
                     ? "Invalid port range %d through %d.  Please correct or cancel."
                     : "Invalid channel range %d through %d.  Please correct or cancel.",
                 from, to);
        return apply_result::refused;
    }
    // T1's SSM is on only at On (2); E1's at anything but Off, an SA bit or a value no radio
    // names alike.
    const long ssm = group.ssm >= 0 ? wanted[static_cast<std::size_t>(group.ssm)] : 1;
    const bool ssm_on = group.dialog == line_dialog::t1_line ? ssm == 2 : ssm != 1;
    if (ssm_on && from != to) {
        note_box(presenter, "SSM may only be enabled on one port per card.");
        return apply_result::refused;
    }
    bool rebuilt = false;
    apply_result result = apply_result::applied;
    for (int number = from; number <= to; ++number) {
        HsEntry* entry = sibling_numbered(group, endpoint, number);
        line_values present;
        bool failed = read_line_group(box, group, endpoint, number, present) != 0;
        bool rebuild = false;
        if (!failed) {
            const std::vector<oid> index = group_index(group, endpoint, number);
            SnmpSet set(box);
            bool any = false;
            for (std::size_t i = 0; i < group.settings.size(); ++i) {
                const line_setting& setting = group.settings[i];
                const bool changed = wanted[i] != present[i];
                if (setting.write == write_rule::always ||
                    (setting.write == write_rule::if_changed && changed)) {
                    add_integer_at(set, object_suffix(group.table, setting.column, index),
                                   wanted[i]);
                    any = true;
                    rebuild = rebuild || (setting.rebuilds && changed);
                }
            }
            failed = any && set.send(setting_configuration) != snmp_ok;
        }
        if (failed) {
            const char* format = ssm_on ? group.ssm_failure : group.failure;
            if (std::string_view(format).find("%s") != std::string_view::npos) {
                const std::string name = entry != nullptr ? entry->name : std::to_string(number);
                note_box(presenter, format, name.c_str());
            } else {
                note_box(presenter, format, number);
            }
            result = apply_result::failed;
            break;
        }
        if (rebuild && entry != nullptr) {
            rebuild_after_change(box, group, *entry, wanted);
            rebuilt = true;
        }
    }
    if (rebuilt) {
        box.changes.notify(change_tree_rebuilt);
    }
    return result;
}

int identifier_group(const HsEntry& port) {
    switch (port.setup) {
    case SetupDialog::e1_port:
        return identifier_group_e1;
    case SetupDialog::t1_port:
        return identifier_group_t1;
    case SetupDialog::t3_port:
        return identifier_group_t3;
    default:
        return 0;
    }
}

std::size_t identifier_limit(const HsEntry& port) {
    return identifier_group(port) == 0 ? 60 : 20;
}

int read_customer_info(Chassis& box, HsEntry& port, std::string& text) {
    const int group = identifier_group(port);
    const int failed =
        group == 0 ? read_stm_identifier(box, port, true) : read_identifier(box, port, group, true);
    text = port.identifier.value_or("");
    return failed;
}

apply_result apply_customer_info(Chassis& box, HsEntry& port, const std::string& text,
                                 bool with_range, int from, int to) {
    Presenter& presenter = *box.presenter;
    const std::size_t limit = identifier_limit(port);
    if (text.size() > limit) {
        note_box(presenter, "Customer info is limited to %d characters.", static_cast<int>(limit));
        return apply_result::refused;
    }
    const std::string value = blank_only(text) ? std::string() : text;
    const int group = identifier_group(port);
    if (!with_range) {
        from = to = port.port();
    }
    const int count = port.card->port_count;
    if (from < 1 || from > count || to < 1 || to > count || from > to) {
        note_box(presenter, "Invalid port range %d through %d.  Please correct or cancel.", from,
                 to);
        return apply_result::refused;
    }
    apply_result result = apply_result::applied;
    for (const auto& entry : port.card->endpoints) {
        if (entry->port() < from || entry->port() > to) {
            continue;
        }
        if (write_identifier(box, *entry, group, value) != 0) {
            note_box(presenter, "Failure applying customer info to port %d.", entry->port());
            result = apply_result::failed;
        }
    }
    box.changes.notify(change_comments);
    return result;
}

} // namespace vornex
