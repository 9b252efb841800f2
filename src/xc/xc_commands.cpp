#include "xc/xc_commands.h"

#include "comments/comments.h"
#include "device/box.h"
#include "model/card.h"
#include "snmp/snmp_access.h"
#include "xc/xc_probe.h"

namespace vornex {

namespace {

const char* const mapping_errors[] = {
    nullptr,
    nullptr,
    "fail(2)",
    "source-ts-not-set-in-frame-mode(3)",
    "source-ts-set-in-unframe-mode(4)",
    "source-augtugtu1x-neednot-set(5)",
    "source-port-set-error(6)",
    "source-hdlc-ts-not-set(7)",
    "source-slot-set-error(8)",
    "destination-ts-not-set-in-frame-mode(9)",
    "destination-ts-set-in-unframe-mode(10)",
    "destination-augtugtu1x-neednot-set(11)",
    "destination-port-set-error(12)",
    "destination-hdlc-ts-not-set(13)",
    "destination-slot-set-error(14)",
    "hdlc-xc-each-other(15)",
    "hdlc-set-in-uni-xc(16)",
    "hdlc-set-in-voice-type(17)",
    "hdlc-set-with-the-other-cas-mode(18)",
    "cas-xc-non-cas(19)",
    "frame-xc-unframe(20)",
    "card-registration-in-progress(21)",
    "card-no-registration(22)",
    "parameter-out-of-range(23)",
    "invalid-parameter-or-granularity-in-msgdst(24)",
    "clear-xc-fail(25)",
    "inband-timeslot-not-empty1(26)",
    "destination-timeslot-not-empty(27)",
    "inband-timeslot-not-empty2(28)",
    "source-timeslot-not-empty(29)",
    "invalid-parameter-or-granularity-in-msgsrc(30)",
    "signal-conversion-table-not-valid(31)",
    "ts-set-out-of-range(32)",
    "source-exceed-cas-16ts(33)",
    "destination-exceed-cas-16ts(34)",
    "data-type-error(35)",
    "xc-direction-not-set(36)",
    "xc-map-number-not-set(37)",
    "irc-fail(38)",
    "dst-port-conflict-with-TAP-port(39)",
    "src-port-conflict-with-TAP-port(40)",
    "dst-port-conflict-with-signal-monitoring-port(41)",
    "src-port-conflict-with-signal-monitoring-port(42)",
};

// A command carries the timeslot index 1 (a whole unframed signal) as 100.
long command_index(const HsEntry& leaf) {
    return leaf.address[5] == 1 ? not_applicable : leaf.address[5];
}

void add_address(SnmpSet& set, oid table, oid first_column, const HsEntry& leaf) {
    for (oid i = 0; i < 5; ++i) {
        set.add_integer({1, 16, table, first_column + i, 0}, leaf.address[i]);
    }
    set.add_integer({1, 16, table, first_column + 5, 0}, command_index(leaf));
}

// Sends the command and reads its result; 0 when the device carried it out.
int run_command(Box& box, SnmpSet& set, const snmp_action& failed_set, oid table, oid result_column,
                const char* refusal) {
    if (set.send(failed_set) != snmp_ok) {
        return 1;
    }
    std::int32_t result = 0;
    const snmp_result read = get_device_integer(box, {1, 16, table, result_column, 0}, result);
    if (read != snmp_ok) {
        snmp_report_error(box, read, setting_map_entries);
        return 1;
    }
    if (result == 1) {
        return 0;
    }
    const std::string host = box.host();
    error_dialog_main(*box.presenter, refusal, box.model != nullptr ? box.model->name : "",
                      host.c_str(), mapping_error_name(result));
    return 1;
}

} // namespace

const char* mapping_error_name(long code) {
    const long low = code & 0xFF;
    if (low >= 2 && low < static_cast<long>(std::size(mapping_errors))) {
        return mapping_errors[low];
    }
    return "Unknown mapping error response from device.";
}

int set_map_entries(Box& box, const HsEntry& destination, const HsEntry& source, int count,
                    const xc_attributes& attributes) {
    SnmpSet set(box);
    set.add_integer({1, 16, 1, 1, 0}, box.displayed_map);
    add_address(set, 1, 2, source);
    add_address(set, 1, 8, destination);
    set.add_integer({1, 16, 1, 14, 0}, attributes.xc_type)
        .add_integer({1, 16, 1, 15, 0}, count)
        .add_integer({1, 16, 1, 16, 0}, attributes.channel_type)
        .add_integer({1, 16, 1, 17, 0}, attributes.a_mu_mode)
        .add_integer({1, 16, 1, 18, 0}, attributes.sig_conv_table)
        .add_integer({1, 16, 1, 19, 0}, 2);
    return run_command(box, set, setting_map_entries, 1, 20,
                       "!!Error\r\n\r\n\r\nThe %s at %s reported an error for the current "
                       "cross-connect operation:\r\n\r\n\"%s\"");
}

int clear_map_entries(Box& box, const HsEntry& first, int count, const xc_attributes& attributes) {
    SnmpSet set(box);
    set.add_integer({1, 16, 2, 1, 0}, box.displayed_map);
    add_address(set, 2, 2, first);
    set.add_integer({1, 16, 2, 8, 0}, count)
        .add_integer({1, 16, 2, 9, 0}, attributes.xc_type)
        .add_integer({1, 16, 2, 10, 0}, 2);
    return run_command(box, set, clearing_map_entries, 2, 11,
                       "!!Error\r\n\r\n\r\nThe %s at %s reported an error for the clear "
                       "cross-connect operation:\r\n\r\n\"%s\"");
}

int map_range(Box& box, HsEntry& destination, HsEntry& source, int count,
              const xc_attributes& attributes, bool apply,
              const std::string& destination_identifier, const std::string& source_identifier) {
    if (set_map_entries(box, destination, source, count, attributes) != 0) {
        return 1;
    }
    HsEntry* dst = &destination;
    HsEntry* src = &source;
    for (int i = 0; i < count && dst != nullptr && src != nullptr; ++i) {
        dst->peer = src->address;
        dst->channel_type = static_cast<std::uint8_t>(attributes.channel_type);
        dst->a_mu_mode = static_cast<std::uint8_t>(attributes.a_mu_mode);
        dst->sig_conv_table = attributes.sig_conv_table;
        dst->xc_valid = false;
        if (apply) {
            comment_set_map_identifier(box, *dst, destination_identifier);
        }
        if (attributes.xc_type == xc_bidirectional) {
            src->peer = dst->address;
            src->channel_type = static_cast<std::uint8_t>(attributes.channel_type);
            src->a_mu_mode = static_cast<std::uint8_t>(attributes.a_mu_mode);
            src->xc_valid = false;
            if (apply) {
                comment_set_map_identifier(box, *src, source_identifier);
            }
        }
        dst = next_sibling(*dst);
        src = next_sibling(*src);
    }
    box.changes.set_not_stored(true);
    box.changes.notify(change_leaf_cross_connects | (apply ? change_comments : 0u));
    return 0;
}

int unmap_range(Box& box, HsEntry& first, int count, const xc_attributes& attributes, bool apply) {
    if (count == 0) {
        return 0;
    }
    if (clear_map_entries(box, first, count, attributes) != 0) {
        return 1;
    }
    HsEntry* leaf = &first;
    for (int i = 0; i < count && leaf != nullptr; ++i, leaf = next_sibling(*leaf)) {
        leaf->peer = no_address;
        leaf->xc_valid = false;
        if (apply) {
            comment_set_map_identifier(box, *leaf, "");
        }
        if (attributes.xc_type == xc_bidirectional) {
            for (const auto& card : box.cards) {
                forget_peer(box, card->endpoints, *leaf, apply);
            }
        }
    }
    box.changes.set_not_stored(true);
    box.changes.notify(change_leaf_cross_connects | (apply ? change_comments : 0u));
    return 0;
}

} // namespace vornex
