#include "model/builders.h"

#include "model/chassis.h"
#include "model/setting_reads.h"
#include "snmp/snmp_access.h"

namespace vornex {

namespace {

std::uint8_t byte(int value) {
    return static_cast<std::uint8_t>(value);
}

HsEntry& add_port(Card& card, int port, SetupDialog setup, std::uint8_t fill) {
    HsEntry& node = append_entry(card.endpoints, nullptr, card);
    node.name = entry_name(16, "Port-%02d", port);
    node.short_name = entry_name(4, "P%02d", port);
    node.setup = setup;
    node.address = {card.address_slot, byte(port), fill, fill, fill, 0};
    return node;
}

// E1 and T1 ports differ only in their identifier group, dialog, and how the timeslots
// of a port are chosen.
template <typename Timeslots>
int build_pdh_ports(Chassis& box, Card& card, int group, SetupDialog setup, Timeslots timeslots) {
    std::uint8_t count = 0;
    if (read_port_count(box, card, count) != 0) {
        return 0; // a card without ports; the other cards are still built
    }
    for (int p = 1; p <= count; ++p) {
        HsEntry& port = add_port(card, p, setup, not_applicable);
        read_identifier(box, port, group, false);
        if (timeslots(port) != 0) {
            return 1;
        }
    }
    return 0;
}

bool odd_slot(const Card& card) {
    return card.slot % 2 == 1;
}

// Timeslots of a framed or unframed E1 signal by its frame setting.
void add_e1_timeslots(Card& card, HsEntry& parent, std::uint8_t frame) {
    if (frame == frame_off) {
        NewHsEntry(card, parent, unframed_index, unframed_index);
    } else {
        NewHsEntry(card, parent, e1_first_index, e1_last_index);
    }
}

// The timeslots of an E1 port, a T3 channel or a low-order path as its line or framer
// setting says. A setting that cannot be read (the failure has been shown) is taken as
// framed: the timeslots are then all there for the operator to see and rescan, and the
// node never becomes a bare cross-connectable leaf.
void add_framed_timeslots(Chassis& box, Card& card, HsEntry& node, const snmp_action& what) {
    const int slot = card.slot;
    const int port = node.address[1];
    std::uint8_t frame = 2;
    bool t1 = false;
    if (node.setup == SetupDialog::e1_port) {
        e1_line_settings line{};
        if (get_e1_line_setup(box, slot, port, line, what) == 0) {
            frame = line[frame_setting];
        }
    } else if (node.setup == SetupDialog::t3_channel) {
        e1_framer_settings framer{};
        t1 = node.address[5] == 28; // T1 channels have no unframed mode
        if (!t1 && get_t3_e1_framer(box, slot, port, node.address[4], framer, what) == 0) {
            frame = framer[0];
        }
    } else {
        t1 = node.kind == kind_tu11;
        const lo_path_position at{node.address[2], node.address[3], node.address[4], t1 ? 4 : 3};
        e1_framer_settings e1{};
        t1_framer_settings t1_framer{};
        if (t1 ? get_r155_t1_framer(box, slot, port, at, t1_framer, what) == 0
               : get_r155_e1_framer(box, slot, port, at, e1, what) == 0) {
            frame = t1 ? t1_framer[0] : e1[0];
        }
    }
    if (frame == frame_off) {
        NewHsEntry(card, node, unframed_index, unframed_index);
    } else if (t1) {
        NewHsEntry(card, node, t1_first_index, t1_last_index);
    } else {
        NewHsEntry(card, node, e1_first_index, e1_last_index);
    }
}

const char* sdh_or_sonet(const Card& card, const char* sdh, const char* sonet) {
    return card.sonet() ? sonet : sdh;
}

// An identifier value as the tree keeps it: a non-empty text is stored; an empty one
// empties an existing identifier and creates none.
void store_identifier(HsEntry& node, const std::string& text) {
    if (!text.empty()) {
        node.identifier = text.substr(0, 63);
    } else if (node.identifier) {
        node.identifier->clear();
    }
}

std::vector<oid> identifier_object(const Chassis& box, const HsEntry& node, int group) {
    if (group == 0) {
        return box.object({2, 25, 1, 3, node.card->slot, node.address[1]});
    }
    return box.object({static_cast<oid>(group), 1, 3, 1, 3, node.card->slot, node.address[1]});
}

int read_identifier_object(Chassis& box, HsEntry& node, int group, bool report, bool blanks_empty) {
    const std::vector<oid> name = identifier_object(box, node, group);
    char text[64] = {};
    std::size_t length = sizeof text;
    const snmp_result result = my_snmp_get(*box.presenter, box.get_session, name.data(),
                                           name.size(), asn_octet_string, text, length);
    if (result != snmp_ok) {
        if (report) {
            snmp_report_error(box, result, reading_configuration_rescan);
        }
        return 1;
    }
    std::string value(text, length);
    if (blanks_empty && value.find_first_not_of(' ') == std::string::npos) {
        value.clear();
    }
    store_identifier(node, value);
    return 0;
}

} // namespace

int build_e1_ports(Chassis& box, Card& card) {
    return build_pdh_ports(box, card, identifier_group_e1, SetupDialog::e1_port,
                           [&](HsEntry& port) {
                               e1_line_settings line{};
                               if (get_e1_line_setup(box, card.slot, port.port(), line,
                                                     reading_configuration_rescan) != 0) {
                                   return 1;
                               }
                               add_e1_timeslots(card, port, line[frame_setting]);
                               return 0;
                           });
}

int build_t1_ports(Chassis& box, Card& card) {
    return build_pdh_ports(
        box, card, identifier_group_t1, SetupDialog::t1_port,
        [&](HsEntry& port) { return NewHsEntry(card, port, t1_first_index, t1_last_index); });
}

int build_hdlc_channels(Chassis&, Card& card) {
    for (int channel = 1; channel <= 2; ++channel) {
        HsEntry& node = append_entry(card.endpoints, nullptr, card);
        node.name = entry_name(16, "HDLC_%d", channel);
        node.short_name = entry_name(4, "H%02d", channel);
        node.address = {card.address_slot, byte(channel),  not_applicable,
                        not_applicable,    not_applicable, 0};
        NewHsEntry(card, node, e1_first_index, e1_last_index);
    }
    return 0;
}

int build_t3_ports(Chassis& box, Card& card) {
    std::uint8_t count = 0;
    if (read_port_count(box, card, count) != 0) {
        return 0;
    }
    for (int p = 1; p <= count; ++p) {
        HsEntry& port = add_port(card, p, SetupDialog::t3_port, 0);
        read_identifier(box, port, identifier_group_t3, false);
        t3_line_settings line{};
        if (get_t3_line_setup(box, card.slot, p, line, reading_configuration_rescan) != 0) {
            return 1;
        }
        if (build_t3_channels(box, card, port, line[t3_type_setting]) != 0) {
            return 1;
        }
    }
    return 0;
}

int build_t3_channels(Chassis& box, Card& card, HsEntry& port, int t3_type) {
    const int count = t3_type == t3_mx3_t1 || t3_type == t3_cbit_t1 ? 28 : 21;
    for (int c = 1; c <= count; ++c) {
        HsEntry& channel = append_entry(port.children, &port, card);
        channel.name = entry_name(16, "Chan-%02d", c);
        channel.short_name = entry_name(4, "C%02d", c);
        channel.setup = SetupDialog::t3_channel;
        channel.address = {card.address_slot, port.address[1], not_applicable,
                           not_applicable,    byte(c),         byte(count)};
        add_framed_timeslots(box, card, channel, reading_configuration_rescan);
    }
    return 0;
}

int build_stm_ports(Chassis& box, Card& card) {
    std::uint8_t count = 0;
    if (read_port_count(box, card, count) != 0) {
        return 0;
    }
    for (int p = 1; p <= count; ++p) {
        HsEntry& port = add_port(card, p, SetupDialog::stm_port, 0);
        read_stm_identifier(box, port, false);
        for (int a = 1; a <= 4; ++a) {
            int granularity = 0;
            child_kinds kinds{};
            r155_granularity_probe(box, card.slot, p, a, granularity, kinds);
            if (granularity < granularity_vc4 || granularity > granularity_tug3) {
                break; // the AUGs of a port end at the first one that is not there
            }
            HsEntry& aug = append_entry(port.children, &port, card);
            const char* word = sdh_or_sonet(card, "AUG1", "STS3");
            aug.name = entry_name(16, "%s-%02d", word, a);
            aug.short_name = entry_name(4, "%c%02d", word[0], a);
            aug.address = {0, byte(p), byte(a), not_applicable, not_applicable, 0};
            aug.kind = byte(granularity);
            aug.setup = SetupDialog::aug;
            build_aug_children(box, card, aug, kinds);
        }
    }
    return 0;
}

int build_aug_children(Chassis& box, Card& card, HsEntry& aug, const child_kinds& kinds) {
    const std::uint8_t port = aug.address[1];
    const std::uint8_t number = aug.address[2];
    if (aug.kind == granularity_vc4) {
        HsEntry& path = append_entry(aug.children, &aug, card);
        path.name = sdh_or_sonet(card, "VC4", "STS3C");
        path.kind = kind_vc4;
        path.channel_type = 1;
        path.address = {card.address_slot, port, number, not_applicable, not_applicable, 0};
        return 0;
    }
    if (aug.kind != granularity_au3 && aug.kind != granularity_tug3) {
        return 0;
    }
    for (int n = 1; n <= 3; ++n) {
        HsEntry& node = append_entry(aug.children, &aug, card);
        if (aug.kind == granularity_au3) {
            const char* word = sdh_or_sonet(card, "AU3", "STS1");
            node.name = entry_name(16, "%s-%02d", word, n);
            node.short_name = entry_name(4, "%c%02d", word[0], n);
        } else {
            node.name = entry_name(16, "AU4-%02d", n);
            node.short_name = entry_name(4, "A%02d", n);
        }
        node.address = {0, port, number, byte(n), 0, 0};
        node.kind = byte(kinds[n]);
        node.setup = SetupDialog::ho_node;
        build_paths(box, card, node);
    }
    return 0;
}

int build_paths(Chassis& box, Card& card, HsEntry& node) {
    const int k = node.kind;
    int count = 0;
    const char* single_name = nullptr;
    const char* numbered_name = nullptr;
    switch (k) {
    case kind_tu3:
        count = 1;
        single_name = "TU3";
        break;
    case kind_au3:
        count = 1;
        single_name = sdh_or_sonet(card, "AU3", "STS1");
        break;
    case kind_tu11:
        count = 28;
        numbered_name = sdh_or_sonet(card, "TU11-%02d", "VT15-%02d");
        break;
    case kind_tu12:
        count = 21;
        numbered_name = sdh_or_sonet(card, "TU12-%02d", "VT2-%02d");
        break;
    default:
        return 0;
    }
    const std::uint8_t port = node.address[1];
    const std::uint8_t aug = node.address[2];
    const std::uint8_t level2 = node.address[3];
    for (int n = 1; n <= count; ++n) {
        HsEntry& path = append_entry(node.children, &node, card);
        path.name =
            single_name != nullptr ? std::string(single_name) : entry_name(16, numbered_name, n);
        path.short_name = entry_name(4, "%02d", n);
        path.address = {card.address_slot, port, aug, level2, count == 1 ? not_applicable : byte(n),
                        not_applicable};
        path.kind = byte(k);
        path.channel_type = 1;
        if (count == 1) {
            continue;
        }
        path.setup = SetupDialog::lo_path;
        add_framed_timeslots(box, card, path, reading_configuration_rescan);
    }
    return 0;
}

int r155_granularity_probe(Chassis& box, int slot, int port, int aug, int& granularity,
                           child_kinds& kinds) {
    granularity = 0;
    kinds = {};
    SnmpGet get(box);
    for (oid column = 4; column <= 7; ++column) {
        get.add({2, 1, 1, column, static_cast<oid>(slot), static_cast<oid>(port),
                 static_cast<oid>(aug)},
                asn_integer);
    }
    const snmp_result result = get.send();
    if (result != snmp_ok) {
        if (snmp_transport_status(result) == 0 &&
            snmp_error_status(result) == SNMP_ERR_NOSUCHNAME) {
            return 0; // the AUG does not exist
        }
        snmp_report_error(box, result, reading_configuration_rescan);
        return 1;
    }
    std::array<int*, 4> outputs{&granularity, &kinds[1], &kinds[2], &kinds[3]};
    std::size_t filled = 0;
    for (const snmp_value& var : get.answer()) {
        if (var.type == asn_integer && filled < outputs.size()) {
            *outputs[filled++] = static_cast<int>(var.integer);
        }
    }
    if (filled < outputs.size()) {
        internal_error_box(*box.presenter, "R155 Granularity probe, device only returned %d fields",
                           static_cast<int>(filled));
        granularity = 0;
        return 1;
    }
    return 0;
}

int set_granularity(Chassis& box, HsEntry& aug, int granularity, const child_kinds& kinds) {
    const oid slot = aug.card->slot;
    const oid port = aug.address[1];
    const oid number = aug.address[2];
    SnmpSet set(box);
    set.add_integer({2, 1, 1, 4, slot, port, number}, granularity)
        .add_integer({2, 1, 1, 5, slot, port, number}, kinds[1])
        .add_integer({2, 1, 1, 6, slot, port, number}, kinds[2])
        .add_integer({2, 1, 1, 7, slot, port, number}, kinds[3]);
    if (set.send(setting_granularity) != snmp_ok) {
        return 1;
    }
    free_endpoints(aug.children);
    aug.kind = byte(granularity);
    return build_aug_children(box, *aug.card, aug, kinds);
}

int read_identifier(Chassis& box, HsEntry& node, int group, bool report) {
    return read_identifier_object(box, node, group, report, false);
}

int read_stm_identifier(Chassis& box, HsEntry& node, bool report) {
    return read_identifier_object(box, node, 0, report, true);
}

int write_identifier(Chassis& box, HsEntry& node, int group, const std::string& text) {
    const std::vector<oid> name = identifier_object(box, node, group);
    SnmpSet set(box);
    // The STM-1/OC-3 identifier object takes no empty text: one blank clears it.
    set.add_string_name(name, group == 0 && text.empty() ? std::string(" ") : text);
    if (set.send(setting_configuration) != snmp_ok) {
        return 1;
    }
    store_identifier(node, text);
    return 0;
}

void rebuild_timeslots(Chassis& box, HsEntry& node) {
    free_endpoints(node.children);
    add_framed_timeslots(box, *node.card, node, reading_configuration_retry);
}

int unsupported_card(Chassis& box, Card& card) {
    error_dialog_main(*box.presenter,
                      "**Warning\r\n\r\n\r\nUnsupported card in %s.\r\n\r\nRegistered Model/Mode: "
                      "%d, Card Model: %d",
                      slot_name(box, card), card.registered_model, card.installed_model);
    return 0;
}

int build_e1_ports_odd_slot(Chassis& box, Card& card) {
    return odd_slot(card) ? build_e1_ports(box, card) : 0;
}
int build_t1_ports_odd_slot(Chassis& box, Card& card) {
    return odd_slot(card) ? build_t1_ports(box, card) : 0;
}
int build_t3_ports_odd_slot(Chassis& box, Card& card) {
    return odd_slot(card) ? build_t3_ports(box, card) : 0;
}
int build_stm_ports_odd_slot(Chassis& box, Card& card) {
    return odd_slot(card) ? build_stm_ports(box, card) : 0;
}
int build_e1_ports_not_slot_1(Chassis& box, Card& card) {
    return card.slot != 1 ? build_e1_ports(box, card) : 0;
}
int build_t1_ports_not_slot_1(Chassis& box, Card& card) {
    return card.slot != 1 ? build_t1_ports(box, card) : 0;
}

} // namespace vornex
