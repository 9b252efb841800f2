#include "model/card.h"

#include "model/builders.h"
#include "model/chassis.h"
#include "snmp/snmp_access.h"

#include <cstdio>

namespace vornex {

using card_family::e1;
using card_family::none;
using card_family::stm;
using card_family::t1;
using card_family::t3;

const card_type card_types[] = {
    {0, 0, "HDLC", build_hdlc_channels, true, 0, none, none},
    {1, 1, "empty", nullptr, true, 0, none, none},
    {2, 2, "E1-NP", build_e1_ports, false, 12, e1, none},
    {3, 2, "E1-PRTD", build_e1_ports_odd_slot, false, 12, e1, e1},
    {4, 2, "T1-NP", build_t1_ports, false, 12, t1, none},
    {5, 2, "T1-PRTD", build_t1_ports_odd_slot, false, 12, t1, t1},
    {11, 6, "STM4-MSP(1+1)", build_stm_ports_odd_slot, false, 11, stm, stm},
    {13, 6, "STM1-NP", build_stm_ports, false, 11, stm, none},
    {15, 6, "STM1-MSP(1+1)", build_stm_ports_odd_slot, false, 11, stm, stm},
    {17, 6, "OC12-MSP(1+1)", build_stm_ports_odd_slot, false, 11, stm, stm},
    {19, 6, "OC3-NP", build_stm_ports, false, 11, stm, none},
    {21, 6, "OC3-MSP(1+1)", build_stm_ports_odd_slot, false, 11, stm, stm},
    {38, 15, "T3-MX3-NP", build_t3_ports, false, 13, t3, none},
    {39, 15, "T3-MX3-PRTD", build_t3_ports_odd_slot, false, 13, t3, t3},
    {40, 2, "E1-1:N", build_e1_ports_not_slot_1, false, 12, e1, none},
    {41, 2, "T1-1:N", build_t1_ports_not_slot_1, false, 12, t1, none},
    {255, 255, "unknown", unsupported_card, false, 0, none, none},
};

const card_type& card_type_for(int registered_model) {
    const card_type* row = card_types;
    while (row->registered != registered_model && row->registered != 255) {
        ++row;
    }
    return *row;
}

namespace {

void classify(Card& card, std::uint8_t slot, int registered) {
    const card_type& row = card_type_for(registered);
    card.slot = card.address_slot = card.name_index = slot;
    card.registered_model = static_cast<std::uint8_t>(registered);
    card.type = &row;
    card.type_name = row.name;
    card.hdlc = row.hdlc;
}

const char* power_supply_name(long code) {
    switch (code) {
    case 2:
        return "DC-48v";
    case 3:
        return "DC-24v";
    case 4:
        return "AC/DC";
    case 5:
        return "DC-20v-60v";
    default:
        return " ";
    }
}

// One INTEGER status object of the controllers; nullopt when the read fails.
std::optional<long> read_status(Chassis& box, std::initializer_list<oid> suffix) {
    std::int32_t value = 0;
    if (get_device_integer(box, suffix, value) != snmp_ok) {
        return std::nullopt;
    }
    return value;
}

} // namespace

const char* slot_name(const Chassis& box, const Card& card) {
    if (box.model == nullptr || card.name_index >= box.model->slot_names.size()) {
        return "";
    }
    return box.model->slot_names[card.name_index];
}

Chassis::Chassis(Presenter& presenter) : SnmpDevice(presenter) {}

Chassis::~Chassis() = default;

Card& new_card(Chassis& box) {
    return *box.cards.emplace_back(std::make_unique<Card>());
}

void free_cards(Chassis& box) {
    box.cards.clear();
}

int read_cards(Chassis& box) {
    free_cards(box);
    const int slots = box.model != nullptr ? box.model->card_slots : 0;
    SnmpGet get(box);
    for (int s = 1; s <= slots; ++s) {
        get.add({1, 1, 1, 4, static_cast<oid>(s)}, asn_integer);
        get.add({1, 1, 1, 2, static_cast<oid>(s)}, asn_integer);
    }
    if (get.send(reading_configuration_rescan) != snmp_ok) {
        return 1;
    }
    std::string mismatched;
    const auto& answer = get.answer();
    for (std::size_t i = 0; i < answer.size(); i += 2) {
        const snmp_value& registered = answer[i];
        Card* card = nullptr;
        if (registered.type == asn_integer) {
            if (registered.name.size() != box.root_len + 5) {
                note_box(*box.presenter, "vars->name_length wrong size");
                break;
            }
            card = &new_card(box);
            classify(*card, static_cast<std::uint8_t>(registered.name.back()),
                     static_cast<int>(registered.integer));
        }
        if (i + 1 >= answer.size()) {
            break;
        }
        const snmp_value& installed = answer[i + 1];
        if (installed.type == asn_integer && card != nullptr) {
            card->installed_model = static_cast<std::uint8_t>(installed.integer);
            if (card->installed_model != card->type->installed) {
                mismatched += slot_name(box, *card);
                mismatched += ", ";
                // The warning names at most 80 characters of slots.
                if (mismatched.size() > 80) {
                    mismatched.resize(80);
                }
            }
        }
    }
    Card& in_band = new_card(box);
    classify(in_band, in_band_slot, 0);
    in_band.installed_model = 0;

    if (!mismatched.empty()) {
        error_dialog_main(*box.presenter,
                          "**Warning\r\n\r\nInstalled cards do not match registered cards in "
                          "slot:\r\n\r\n%s\r\n\r\nPlease exit and correct this mismatch using the "
                          "%s terminal/telnet console.",
                          mismatched.c_str(), box.model != nullptr ? box.model->name : "");
    }
    return 0;
}

int get_controllers(Chassis& box) {
    box.serial_1 = box.serial_2 = 0;
    box.power_supply_1 = box.power_supply_2 = " ";
    box.displayed_map = box.active_map = 0;
    box.controller_version.clear();

    SnmpGet get(box);
    get.add({1, 2, 1, 1, 0}, asn_integer)
        .add({1, 2, 1, 5, 0}, asn_integer)
        .add({1, 10, 1, 2, 1}, asn_integer)
        .add({1, 10, 1, 2, 2}, asn_integer)
        .add({1, 16, 4, 1, 0}, asn_integer)
        .add({1, 2, 1, 3, 0}, asn_octet_string);
    if (get.send(reading_configuration_rescan) != snmp_ok) {
        return 1;
    }
    const std::size_t walked = std::min<std::size_t>(get.answer().size(), 6);
    if (const auto serial = get.integer(0)) {
        box.serial_1 = static_cast<std::uint32_t>(*serial);
    }
    if (const auto serial = get.integer(1)) {
        box.serial_2 = static_cast<std::uint32_t>(*serial);
    }
    if (const auto kind = get.integer(2)) {
        box.power_supply_1 = power_supply_name(*kind);
    }
    if (const auto kind = get.integer(3)) {
        box.power_supply_2 = power_supply_name(*kind);
    }
    if (const auto map = get.integer(4)) {
        box.active_map = box.displayed_map = static_cast<int>(*map);
    }
    if (const auto version = get.octets(5)) {
        const std::string text = version->substr(0, 255);
        box.controller_version = text;
        int major = 0, minor = 0, patch = 0;
        std::sscanf(text.c_str(), " V%d.%d.%d", &major, &minor, &patch);
        const int v = major * 10000 + minor * 100 + patch;
        box.fw_lt_2_15_01 = v < 21501;
        box.fw_ge_2_15_01 = v >= 21501;
        box.fw_ge_2_15_02 = v >= 21502;
    }
    if (walked < 6) {
        internal_error_box(*box.presenter,
                           "Get Controllers, device returned %d fields, expected 6.",
                           static_cast<int>(walked));
        return 1;
    }
    return 0;
}

int read_port_count(Chassis& box, Card& card, std::uint8_t& count) {
    std::int32_t value = 0;
    const snmp_result result = get_device_integer(box, {1, 1, 1, 5, card.slot}, value);
    if (result != snmp_ok) {
        count = 0;
        card.port_count = 0;
        snmp_report_error(box, result, reading_configuration_rescan);
        return 1;
    }
    count = card.port_count = static_cast<std::uint8_t>(value);
    return 0;
}

int card_state(Chassis& box, const Card& card, std::string& text) {
    const auto value = read_status(box, {1, 1, 1, 9, card.slot});
    if (!value) {
        text = "no response";
        return -1;
    }
    switch (*value) {
    case 1:
        text = "working";
        break;
    case 2:
        text = "cardTypeMismatch";
        break;
    case 3:
        text = "empty";
        break;
    case 4:
        text = "unplugged";
        break;
    default:
        text = "unknownState";
        break;
    }
    return static_cast<int>(*value);
}

int xcu_sync_status(Chassis& box, std::string& text) {
    const auto value = read_status(box, {1, 2, 1, 10, 0});
    if (!value) {
        text = "no response";
        return -1;
    }
    text = *value == 1 ? "unSync" : *value == 2 ? "sync" : "unknownState";
    return *value == 2 ? 1 : 0;
}

long working_xcu(Chassis& box) {
    return read_status(box, {1, 2, 1, 11, 0}).value_or(-1);
}

int standby_present(Chassis& box) {
    const auto value = read_status(box, {1, 2, 1, 12, 0});
    if (!value) {
        return -1;
    }
    return *value == 2 ? 1 : 0;
}

int firmware_bank_info(Chassis& box, int board, std::string& text, bool active_only) {
    const auto b = static_cast<oid>(board);
    char bank1[32] = {};
    char bank2[32] = {};
    std::int32_t active = 0;
    struct read {
        std::vector<oid> name;
        u_char type;
        void* buffer;
        std::size_t capacity;
    } reads[] = {
        {box.object({1, 2, 2, 1, 1, 3, b}), asn_octet_string, bank1, sizeof bank1},
        {box.object({1, 2, 2, 1, 1, 4, b}), asn_octet_string, bank2, sizeof bank2},
        {box.object({1, 2, 2, 1, 1, 5, b}), asn_integer, &active, sizeof active},
    };
    for (read& r : reads) {
        std::size_t length = r.capacity;
        const snmp_result result = my_snmp_get(*box.presenter, box.get_session, r.name.data(),
                                               r.name.size(), r.type, r.buffer, length);
        if (result != snmp_ok) {
            snmp_report_error(box, result, reading_configuration_rescan);
            return 1;
        }
    }
    if (active_only) {
        text = active == 1 ? bank1 : bank2;
    } else {
        char buffer[128];
        std::snprintf(buffer, sizeof buffer,
                      "Bank1 Version: %s\nBank2 Version: %s\nActive Bank: %d", bank1, bank2,
                      static_cast<int>(active));
        text = buffer;
    }
    return 0;
}

} // namespace vornex
