#include "device/box.h"
#include "model/card.h"
#include "recording_presenter.h"
#include "view/chassis_layout.h"

#include <gtest/gtest.h>
#include <net-snmp/net-snmp-includes.h>

namespace vornex {
namespace {

using test::RecordingPresenter;

void add_card(Box& box, int slot, int registered, const char* name) {
    Card& card = new_card(box);
    card.slot = static_cast<std::uint8_t>(slot);
    card.registered_model = static_cast<std::uint8_t>(registered);
    card.type_name = name;
}

TEST(ChassisDrawing, FacesLabelsAndTextsFollowTheCardsOfTheBox) {
    RecordingPresenter presenter;
    Box box(presenter);
    add_card(box, 1, 7, "E1-NP");
    add_card(box, 2, 1, "empty");
    add_card(box, 3, 99, "UNKNOWN");
    add_card(box, 8, 30, "OC3-NP");
    add_card(box, in_band_slot, 0, "HDLC");
    box.power_supply_1 = "AC";
    box.power_supply_2 = " ";

    const auto drawn = chassis_drawing(box);
    std::vector<std::string> faces; // "occupied|label|text" of each position
    for (const ChassisPosition& p : drawn)
        faces.push_back(std::to_string(p.occupied) + "|" + p.label + "|" + p.text);
    EXPECT_EQ(faces, (std::vector<std::string>{"1|1|E1-NP", "0|2|", "0|3|UNKNOWN", "0||", "0||",
                                               "0||", "0||", "1|8|OC3-NP", "1||HDLC", "0||", "0||",
                                               "0||AC", "0|| "}));
    // Slot 5 sits right of the controllers and the in-band slot; the supplies are wider.
    EXPECT_EQ(drawn[4].area.left, 227);
    EXPECT_EQ(drawn[8].area.left, 183);
    EXPECT_EQ(drawn[9].part, ChassisPart::controller);
    EXPECT_EQ(drawn[12].area.width, 27);
    EXPECT_EQ(drawn[12].part, ChassisPart::power_supply);
}

// The window's size and the "host - sysName" title are checked on the shown view by the
// chassis view GUI test; here the corner rule and the cut of a long host name.
TEST(ChassisWindow, CornerAndTitle) {
    EXPECT_EQ(chassis_corner(0, 0, 800, 600), (Point{0, 0}));
    EXPECT_EQ(chassis_corner(765, 565, 800, 600), (Point{765, 565}));
    EXPECT_FALSE(chassis_corner(766, 10, 800, 600));
    EXPECT_FALSE(chassis_corner(10, 566, 800, 600));
    EXPECT_FALSE(chassis_corner(-1, 10, 800, 600));
    EXPECT_FALSE(chassis_corner(INT_MIN, INT_MIN, 800, 600));

    RecordingPresenter presenter;
    Box box(presenter);
    const std::string host(90, 'h');
    netsnmp_session session{};
    session.peername = const_cast<char*>(host.c_str());
    box.get_session = &session;
    box.sys_name = "R4150-DEMO";
    EXPECT_EQ(chassis_title(box), host.substr(0, 79));
    box.get_session = nullptr;
}

} // namespace
} // namespace vornex
