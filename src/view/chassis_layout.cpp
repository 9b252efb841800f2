#include "view/chassis_layout.h"

#include "device/box.h"
#include "model/card.h"

namespace vornex {

namespace {

struct LayoutRow {
    Rect area;
    const char* label;
    ChassisPart part;
    int slot; // the card slot matched to the row; 0 for positions that never hold a card
};

constexpr std::array<LayoutRow, chassis_positions> layout{{
    {{73, 12, 19, 97}, "1", ChassisPart::tributary, 1},
    {{95, 12, 19, 97}, "2", ChassisPart::tributary, 2},
    {{117, 12, 19, 97}, "3", ChassisPart::tributary, 3},
    {{139, 12, 19, 97}, "4", ChassisPart::tributary, 4},
    {{227, 12, 19, 97}, "5", ChassisPart::tributary, 5},
    {{249, 12, 19, 97}, "6", ChassisPart::tributary, 6},
    {{271, 12, 19, 97}, "7", ChassisPart::tributary, 7},
    {{293, 12, 19, 97}, "8", ChassisPart::tributary, 8},
    {{183, 12, 19, 97}, "", ChassisPart::in_band, in_band_slot},
    {{161, 12, 19, 97}, "X1", ChassisPart::controller, 0},
    {{205, 12, 19, 97}, "X2", ChassisPart::controller, 0},
    {{13, 12, 27, 97}, "", ChassisPart::power_supply, 0},
    {{43, 12, 27, 97}, "", ChassisPart::power_supply, 0},
}};

// Registered model codes that mean no working card: "empty", and the code of a slot whose
// card the controller could not name.
constexpr int empty_model = 1;
constexpr int unnamed_model = 99;

constexpr std::size_t title_limit = 79;

const Card* card_in(const Chassis& box, int slot) {
    if (slot == 0) {
        return nullptr;
    }
    for (const auto& card : box.cards) {
        if (card->slot == slot) {
            return card.get();
        }
    }
    return nullptr;
}

} // namespace

std::array<ChassisPosition, chassis_positions> chassis_drawing(const Chassis& box) {
    std::array<ChassisPosition, chassis_positions> positions;
    for (std::size_t i = 0; i < layout.size(); ++i) {
        const LayoutRow& row = layout[i];
        ChassisPosition& position = positions[i];
        position.area = row.area;
        position.part = row.part;
        if (const Card* card = card_in(box, row.slot)) {
            position.occupied =
                card->registered_model != empty_model && card->registered_model != unnamed_model;
            position.label = row.label;
            if (card->registered_model != empty_model) {
                position.text = card->type_name;
            }
        }
    }
    // The last two rows are the power supplies.
    positions[11].text = box.power_supply_1;
    positions[12].text = box.power_supply_2;
    return positions;
}

std::optional<Point> chassis_corner(int x, int y, int screen_width, int screen_height) {
    // A corner this close to the far edges would leave too little of the caption to grab.
    constexpr int reach = 34;
    if (x >= 0 && x < screen_width - reach && y >= 0 && y < screen_height - reach) {
        return Point{x, y};
    }
    return std::nullopt;
}

std::string chassis_title(const Box& box) {
    std::string title = box.host() + " - " + box.sys_name;
    if (title.size() > title_limit) {
        title.resize(title_limit);
    }
    return title;
}

} // namespace vornex
