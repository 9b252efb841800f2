#include "xc/xc_probe.h"

#include "comments/comments.h"
#include "device/box.h"
#include "model/card.h"
#include "snmp/snmp_access.h"
#include "xc/xc_commands.h"

namespace vornex {

namespace {

constexpr oid xc_table[] = {1, 16, 3, 1};
constexpr oid columns[] = {9, 11, 12, 13, 14, 15, 16, 17, 18};
constexpr unsigned complete_row = 0x1FF;

// Stores a column's value in the leaf field it caches.
void store_column(HsEntry& leaf, std::size_t column, long value) {
    const auto byte = static_cast<std::uint8_t>(value);
    if (column < 6) {
        leaf.peer[column] = byte;
    } else if (column == 6) {
        leaf.channel_type = byte;
    } else if (column == 7) {
        leaf.a_mu_mode = byte;
    } else {
        leaf.sig_conv_table = static_cast<std::int32_t>(value);
    }
}

std::vector<oid> expected_row(const Box& box, oid column, const HsEntry& leaf) {
    std::vector<oid> name = box.object({xc_table[0], xc_table[1], xc_table[2], xc_table[3], column,
                                        static_cast<oid>(box.displayed_map)});
    name.insert(name.end(), leaf.address.begin(), leaf.address.end());
    return name;
}

const Card* card_at_slot(const Box& box, int address_slot) {
    for (const auto& card : box.cards) {
        if (card->address_slot == address_slot) {
            return card.get();
        }
    }
    return nullptr;
}

// Matches the answer against `leaf`: returns the mask of the columns found.
unsigned match_row(const Box& box, HsEntry& leaf, const std::vector<snmp_value>& answer) {
    unsigned mask = 0;
    std::vector<std::vector<oid>> expected;
    for (oid column : columns) {
        expected.push_back(expected_row(box, column, leaf));
    }
    int walked = 0;
    for (auto var = answer.begin(); var != answer.end() && walked < 9; ++var, ++walked) {
        if (var->name.size() != expected[0].size()) {
            break;
        }
        for (std::size_t c = 0; c < 9; ++c) {
            if (var->name == expected[c]) {
                if (var->type == asn_integer) {
                    store_column(leaf, c, var->integer);
                    mask |= 1u << c;
                }
                break;
            }
        }
    }
    return mask;
}

} // namespace

void mark_not_connected(HsEntry& leaf) {
    leaf.peer = no_address;
    leaf.channel_type = not_applicable;
    leaf.a_mu_mode = not_applicable;
    leaf.sig_conv_table = no_sig_conv_table;
    leaf.xc_valid = true;
}

int xc_probe(Box& box, HsEntry& leaf) {
    // The row index of the leaf, less one in its last component so that GETNEXT lands on
    // the leaf's own row or the next one after it. A leaf whose timeslot index is 1 (or 0,
    // a VC4/STS3C path, which has no index one below it) is asked by its prefix instead.
    std::vector<oid> index{static_cast<oid>(box.displayed_map)};
    index.insert(index.end(), leaf.address.begin(), leaf.address.begin() + 5);
    if (leaf.address[5] > 1) {
        index.push_back(static_cast<oid>(leaf.address[5] - 1));
    }
    SnmpGet get(box);
    for (oid column : columns) {
        std::vector<oid> name =
            box.object({xc_table[0], xc_table[1], xc_table[2], xc_table[3], column});
        name.insert(name.end(), index.begin(), index.end());
        get.add_name(std::move(name), asn_integer);
    }
    const snmp_result result = get.send_next();
    if (result == snmp_result_from_error_status(SNMP_ERR_NOSUCHNAME)) {
        mark_not_connected(leaf); // the end of the table
        return 0;
    }
    if (result != snmp_ok) {
        snmp_report_error(box, result, reading_configuration_rescan);
        return snmp_transport_status(result) != 0 ? xc_no_answer : 1;
    }
    // Leaves without a row before the first row in the answer are not cross-connected.
    HsEntry* current = &leaf;
    while (current != nullptr) {
        const unsigned mask = match_row(box, *current, get.answer());
        if (mask == 0) {
            mark_not_connected(*current);
            current = next_sibling(*current);
            continue;
        }
        if (mask != complete_row) {
            internal_error_box(*box.presenter, "XC probe, device did not return all fields 0x%04x",
                               mask);
            return 0;
        }
        current->xc_valid = true;
        // What a T3 card reports in levels 1 and 2 of a source is not part of its address.
        const Card* source_card = card_at_slot(box, current->peer[0]);
        if (source_card != nullptr && source_card->installed_model == 15) {
            current->peer[2] = current->peer[3] = not_applicable;
        }
        return 0;
    }
    return 0;
}

HsEntry* find_peer(const EndpointList& list, const HsEntry& leaf) {
    for (const auto& node : list) {
        if (node->address == leaf.peer) {
            return node.get();
        }
        if (HsEntry* found = find_peer(node->children, leaf)) {
            return found;
        }
    }
    return nullptr;
}

HsEntry* find_peer_in_device(Box& box, const HsEntry& leaf) {
    for (const auto& card : box.cards) {
        if (card->address_slot == leaf.peer[0]) {
            if (HsEntry* found = find_peer(card->endpoints, leaf)) {
                return found;
            }
        }
    }
    return nullptr;
}

namespace {

// Returns true when the walk is to stop.
bool walk_selected(const EndpointList& list, int side, HsEntry*& first, int& count) {
    for (const auto& node : list) {
        if (!node->is_leaf()) {
            if (walk_selected(node->children, side, first, count)) {
                return true;
            }
            continue;
        }
        if (node->view.open_or_selected[side] != 0) {
            if (first == nullptr) {
                first = node.get();
            }
            ++count;
        } else if (first != nullptr) {
            return true;
        }
    }
    return false;
}

} // namespace

void first_selected(const EndpointList& list, int side, HsEntry*& first, int& count) {
    first = nullptr;
    count = 0;
    walk_selected(list, side, first, count);
}

void forget_peer(Box& box, EndpointList& list, const HsEntry& target, bool clear_identifier) {
    for (const auto& node : list) {
        if (node->is_leaf() && node->peer == target.address) {
            node->peer = no_address;
            node->xc_valid = false;
            if (clear_identifier) {
                comment_set_map_identifier(box, *node, "");
            }
        }
        forget_peer(box, node->children, target, clear_identifier);
    }
}

HsEntry* xc_read_leaf(Box& box, HsEntry& leaf, bool& failed, bool* no_answer) {
    const auto probe = [&](HsEntry& which) {
        const int result = xc_probe(box, which);
        failed = result != 0;
        if (no_answer != nullptr) {
            *no_answer = result == xc_no_answer;
        }
        return !failed;
    };
    failed = false;
    if (no_answer != nullptr) {
        *no_answer = false;
    }
    if (!leaf.xc_valid && !probe(leaf)) {
        return nullptr;
    }
    if (!leaf.xc_valid || !is_connected(leaf)) {
        return nullptr;
    }
    HsEntry* peer = find_peer_in_device(box, leaf);
    if (peer != nullptr && !peer->xc_valid) {
        probe(*peer);
    }
    return peer;
}

bool is_bidirectional(const HsEntry& leaf, const HsEntry* peer) {
    return peer != nullptr && peer->xc_valid && peer->peer == leaf.address &&
           peer->channel_type == leaf.channel_type && peer->a_mu_mode == leaf.a_mu_mode &&
           peer->sig_conv_table == leaf.sig_conv_table;
}

} // namespace vornex
