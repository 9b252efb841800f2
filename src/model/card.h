#pragma once
// The chassis as the program knows it: one Card per occupied slot in slot order, the
// in-band management channel last, each classified through card_types; and the controller
// and firmware-bank status reads that the reset and transfer commands use.

#include "model/hs_entry.h"

#include <array>
#include <cstdint>
#include <string>

namespace vornex {

struct Chassis;
struct card_type;

// Builds a card's endpoint tree; 0 on success, 1 stops the opening of the device.
using endpoint_builder = int (*)(Chassis& box, Card& card);

enum class card_family { none, e1, t1, t3, stm };

struct card_type {
    int registered; // registered model/mode code; 255 is the catch-all row ending the table
    int installed;  // the installed model code that goes with it
    const char* name;
    endpoint_builder builder; // null: no endpoints
    bool hdlc;
    int firmware_type;        // file type of card firmware transfers; 0 none
    card_family reset;        // which card reset applies; none for no reset
    card_family working_test; // protected types: which working-card test; none otherwise
};

extern const card_type card_types[];
const card_type& card_type_for(int registered_model);

inline constexpr std::uint8_t in_band_slot = 9;
inline constexpr int first_sonet_code = 17;

struct Card {
    std::uint8_t slot = 0;
    std::uint8_t address_slot = 0;
    std::uint8_t name_index = 0;
    std::uint8_t registered_model = 0;
    std::uint8_t installed_model = 0;
    bool hdlc = false;
    const char* type_name = "";
    const card_type* type = nullptr;
    std::uint8_t port_count = 0;
    EndpointList endpoints;
    // Per side of the map view (0 left, 1 right); owned by the view.
    std::array<int, 2> expanded{};
    std::array<int, 2> row{};

    bool sonet() const { return registered_model >= first_sonet_code; }
};

// Appends a zeroed card to the box's list.
Card& new_card(Chassis& box);
void free_cards(Chassis& box);

// Rebuilds the card list from the device's card table; 1 after a failure already shown.
int read_cards(Chassis& box);
// Reads the controllers, power supplies, active map and firmware version into the box; 1
// after a failure that was shown (the values that came stay), which ends an opening.
int get_controllers(Chassis& box);
// Reads the card's port count into `count` (0 on failure, which is reported); 0 or 1.
int read_port_count(Chassis& box, Card& card, std::uint8_t& count);

// The state of a card's slot (1 working, 2 cardTypeMismatch, 3 empty, 4 unplugged), -1
// when the read fails; `text` names it.
int card_state(Chassis& box, const Card& card, std::string& text);
// 1 synchronised, 0 not, -1 no answer; `text` names the state.
int xcu_sync_status(Chassis& box, std::string& text);
// The number of the working XCU, or -1 when the read fails.
long working_xcu(Chassis& box);
// 1 when a standby XCU is present, 0 when not, -1 when the read fails.
int standby_present(Chassis& box);
// The firmware banks of a board (a card's slot + 2); 0 or 1 after a reported failure.
int firmware_bank_info(Chassis& box, int board, std::string& text, bool active_only);

// The slot's name in messages and views: "Trib3", "In-Band".
const char* slot_name(const Chassis& box, const Card& card);

} // namespace vornex
