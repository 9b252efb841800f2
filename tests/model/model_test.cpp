// The device model read from the simulator: controllers, the card table and every card's
// endpoint tree, with the failures that stop or shorten the build.
#include "device/box.h"
#include "device/model_steps.h"
#include "model/builders.h"
#include "model/card.h"
#include "recording_presenter.h"
#include "sim_process.h"
#include "test_device.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace vornex {
namespace {

using test::RecordingPresenter;
using test::SimProcess;

// "name/short address kind" of a node, for compact assertions.
std::string describe(const HsEntry& node) {
    return node.name + "/" + node.short_name + " " + address_text(node.address) + " " +
           std::to_string(node.kind);
}

const Card& card_in(const Box& box, int slot) {
    for (const auto& card : box.cards) {
        if (card->slot == slot) {
            return *card;
        }
    }
    throw std::runtime_error("no card in slot " + std::to_string(slot));
}

const HsEntry& child(const HsEntry& node, std::size_t index) {
    return *node.children.at(index);
}

std::size_t count_nodes(const EndpointList& list) {
    std::size_t n = 0;
    for (const auto& node : list) {
        n += 1 + count_nodes(node->children);
    }
    return n;
}

// The demo device, opened and built once for the tests that only look at it.
class DemoDevice : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sim = SimProcess::start("demo").release();
        presenter = new RecordingPresenter;
        box = test::open_test_box(*presenter, *sim).release();
        get_controllers(*box);
        outcome = ModelSteps(*box).run();
    }
    static void TearDownTestSuite() {
        delete box;
        delete presenter;
        delete sim;
    }

    static SimProcess* sim;
    static RecordingPresenter* presenter;
    static Box* box;
    static ModelSteps::Outcome outcome;
};

SimProcess* DemoDevice::sim = nullptr;
RecordingPresenter* DemoDevice::presenter = nullptr;
Box* DemoDevice::box = nullptr;
ModelSteps::Outcome DemoDevice::outcome = ModelSteps::Outcome::failed;

// The controller values and the card list are asserted through vornex-cli identify --json and
// cards (CliDevice.ControllersCardsAndTree); here the warnings of the card table.
TEST_F(DemoDevice, CardTableWarnings) {
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(outcome, ModelSteps::Outcome::done);
    // The unknown card's installed code differs from its row's, so it is listed as a
    // mismatch too; then its builder warns.
    EXPECT_EQ(presenter->texts(),
              (std::vector<std::string>{
                  "**Warning\r\n\r\nInstalled cards do not match registered cards in "
                  "slot:\r\n\r\nTrib8, \r\n\r\nPlease exit and correct this mismatch using the "
                  "R4150 terminal/telnet console.",
                  "**Warning\r\n\r\n\r\nUnsupported card in Trib8.\r\n\r\nRegistered "
                  "Model/Mode: 7, Card Model: 2"}));
}

TEST_F(DemoDevice, E1AndT1Ports) {
    const Card& e1 = card_in(*box, 1);
    ASSERT_EQ(e1.endpoints.size(), 8u);
    const HsEntry& framed = *e1.endpoints[0];
    EXPECT_EQ(describe(framed), "Port-01/P01 1.1.100.100.100.0 0");
    EXPECT_EQ(framed.setup, SetupDialog::e1_port);
    ASSERT_EQ(framed.child_count(), 31u);
    EXPECT_EQ(describe(child(framed, 0)), "TS-01/01 1.1.100.100.100.2 0");
    EXPECT_EQ(describe(child(framed, 30)), "TS-31/31 1.1.100.100.100.32 0");
    EXPECT_EQ(child(framed, 0).channel_type, 100);
    EXPECT_EQ(child(framed, 0).setup, SetupDialog::none);
    EXPECT_EQ(child(framed, 0).parent, &framed);

    const HsEntry& unframed = *e1.endpoints[2];
    ASSERT_EQ(unframed.child_count(), 1u);
    EXPECT_EQ(describe(child(unframed, 0)), "TS-00/00 1.3.100.100.100.1 90");

    // Identifiers: as stored, blanks included for E1 ports; none where the device has none.
    EXPECT_EQ(e1.endpoints[0]->identifier, "PBX-NORTH");
    EXPECT_EQ(e1.endpoints[1]->identifier, std::string(20, ' '));
    EXPECT_EQ(e1.endpoints[2]->identifier, "VIDEO-LINK");
    EXPECT_FALSE(e1.endpoints[3]->identifier.has_value());

    const Card& t1 = card_in(*box, 2);
    ASSERT_EQ(t1.endpoints.size(), 8u);
    for (const auto& port : t1.endpoints) {
        ASSERT_EQ(port->child_count(), 24u);
        EXPECT_EQ(port->setup, SetupDialog::t1_port);
        EXPECT_EQ(describe(*port->children.back()),
                  "TS-24/24 2." + std::to_string(port->port()) + ".100.100.100.25 0");
    }
    EXPECT_EQ(t1.endpoints[0]->identifier, "CARRIER-T1-A");
}

TEST_F(DemoDevice, ProtectedPairBuildsOnTheOddSlotOnly) {
    EXPECT_EQ(card_in(*box, 3).endpoints.size(), 8u);
    EXPECT_EQ(card_in(*box, 3).endpoints[7]->child_count(), 1u); // port 8 unframed
    EXPECT_TRUE(card_in(*box, 4).endpoints.empty());
    EXPECT_TRUE(card_in(*box, 8).endpoints.empty());
}

TEST_F(DemoDevice, T3PortsAndChannels) {
    const Card& t3 = card_in(*box, 5);
    ASSERT_EQ(t3.endpoints.size(), 4u);
    const std::size_t channels[] = {28, 21, 21, 28}; // MX3-T1, C-Bit-E1, MX3-E1, C-Bit-T1
    for (std::size_t p = 0; p < 4; ++p) {
        EXPECT_EQ(t3.endpoints[p]->child_count(), channels[p]) << "port " << p + 1;
    }
    const HsEntry& port = *t3.endpoints[1];
    EXPECT_EQ(describe(port), "Port-02/P02 5.2.0.0.0.0 0");
    EXPECT_EQ(port.setup, SetupDialog::t3_port);
    EXPECT_EQ(port.identifier, "DS3-CBIT-E1");
    const HsEntry& e1_channel = child(port, 20);
    EXPECT_EQ(describe(e1_channel), "Chan-21/C21 5.2.100.100.21.21 0");
    EXPECT_EQ(e1_channel.setup, SetupDialog::t3_channel);
    EXPECT_EQ(e1_channel.child_count(), 31u);
    EXPECT_EQ(describe(child(e1_channel, 0)), "TS-01/01 5.2.100.100.21.2 0");
    const HsEntry& t1_channel = child(*t3.endpoints[0], 27);
    EXPECT_EQ(describe(t1_channel), "Chan-28/C28 5.1.100.100.28.28 0");
    EXPECT_EQ(t1_channel.child_count(), 24u);
}

TEST_F(DemoDevice, SdhPortsAugsAndPaths) {
    const Card& stm = card_in(*box, 6);
    ASSERT_EQ(stm.endpoints.size(), 4u);
    // Port-01's names, addresses, kinds and identifier down to TU12-01 are in the tree of
    // CliDevice.ControllersCardsAndTree.
    const HsEntry& port1 = *stm.endpoints[0];
    ASSERT_EQ(port1.child_count(), 1u); // AUG 2 is absent: the list ends without a message
    const HsEntry& aug = child(port1, 0);
    EXPECT_EQ(aug.setup, SetupDialog::aug);
    ASSERT_EQ(aug.child_count(), 3u);
    EXPECT_EQ(child(aug, 0).child_count(), 21u);
    EXPECT_EQ(child(aug, 1).child_count(), 21u);
    EXPECT_EQ(describe(child(aug, 2)), "AU4-03/A03 0.1.1.3.0.0 4");
    EXPECT_EQ(child(aug, 2).child_count(), 28u);
    const HsEntry& tu12 = child(child(aug, 1), 4);
    EXPECT_EQ(describe(tu12), "TU12-05/05 6.1.1.2.5.100 5");
    EXPECT_EQ(tu12.setup, SetupDialog::lo_path);
    EXPECT_EQ(tu12.channel_type, 1);
    ASSERT_EQ(tu12.child_count(), 31u);
    EXPECT_EQ(describe(child(tu12, 0)), "TS-01/01 6.1.1.2.5.2 0");
    EXPECT_EQ(describe(child(child(aug, 2), 27)), "TU11-28/28 6.1.1.3.28.100 4");
    EXPECT_EQ(child(child(aug, 2), 27).child_count(), 24u);

    // Granularity 3: an AU3 of kind 3 holds the single path "AU3".
    const HsEntry& au3_aug = child(*stm.endpoints[1], 0);
    EXPECT_EQ(au3_aug.kind, 3);
    EXPECT_EQ(describe(child(au3_aug, 0)), "AU3-01/A01 0.2.1.1.0.0 3");
    ASSERT_EQ(child(au3_aug, 0).child_count(), 1u);
    const HsEntry& single = child(child(au3_aug, 0), 0);
    EXPECT_EQ(describe(single), "AU3/01 6.2.1.1.100.100 3");
    EXPECT_TRUE(single.is_leaf());
    EXPECT_EQ(single.setup, SetupDialog::none);

    // Granularity 4 with TUG3s of kind 2: each holds the single path "TU3".
    const HsEntry& tu3_aug = child(*stm.endpoints[3], 0);
    EXPECT_EQ(describe(child(child(tu3_aug, 1), 0)), "TU3/01 6.4.1.2.100.100 2");

    // Granularity 2: the single leaf VC4.
    const HsEntry& vc4_aug = child(*stm.endpoints[2], 0);
    ASSERT_EQ(vc4_aug.child_count(), 1u);
    EXPECT_EQ(describe(child(vc4_aug, 0)), "VC4/ 6.3.1.100.100.0 6");
    EXPECT_TRUE(child(vc4_aug, 0).is_leaf());
}

TEST_F(DemoDevice, SonetNames) {
    const Card& oc3 = card_in(*box, 7);
    ASSERT_EQ(oc3.endpoints.size(), 3u);
    const HsEntry& sts3 = child(*oc3.endpoints[0], 0);
    EXPECT_EQ(describe(sts3), "STS3-01/S01 0.1.1.100.100.0 4");
    EXPECT_EQ(describe(child(sts3, 0)), "AU4-01/A01 0.1.1.1.0.0 5");
    EXPECT_EQ(child(child(sts3, 0), 20).name, "VT2-21");
    EXPECT_EQ(child(child(sts3, 1), 27).name, "VT15-28");
    const HsEntry& sts1_aug = child(*oc3.endpoints[1], 0);
    EXPECT_EQ(describe(child(sts1_aug, 0)), "STS1-01/S01 0.2.1.1.0.0 3");
    EXPECT_EQ(child(child(sts1_aug, 0), 0).name, "STS1");
    EXPECT_EQ(oc3.endpoints[1]->identifier, "SONET-SPAN");
}

TEST_F(DemoDevice, InBandChannels) {
    const Card& in_band = *box->cards.back();
    EXPECT_EQ(in_band.slot, 9);
    ASSERT_EQ(in_band.endpoints.size(), 2u);
    EXPECT_EQ(describe(*in_band.endpoints[1]), "HDLC_2/H02 9.2.100.100.100.0 0");
    EXPECT_EQ(in_band.endpoints[1]->child_count(), 31u);
    EXPECT_EQ(in_band.endpoints[1]->setup, SetupDialog::none);
}

TEST_F(DemoDevice, StatusReads) {
    // The sync text and the working XCU are in CliDevice.ControllersCardsAndTree.
    std::string text;
    EXPECT_EQ(standby_present(*box), 1);
    EXPECT_EQ(firmware_bank_info(*box, 2, text, false), 0);
    EXPECT_EQ(text, "Bank1 Version: V2.15.01\nBank2 Version: V2.15.02\nActive Bank: 2");
    EXPECT_EQ(firmware_bank_info(*box, 2, text, true), 0);
    EXPECT_EQ(text, "V2.15.02");
}

TEST_F(DemoDevice, Version3BuildsTheSameTreesWithTheSameMessages) {
    // Absent AUGs come back as exception values over SNMPv3, not as noSuchName.
    RecordingPresenter v3_presenter;
    auto v3 = AM_New_Box(v3_presenter, {}, test::sim_v3_config(*sim, "shaaes", auth_sha, priv_aes),
                         test::quick_timings);
    ASSERT_NE(v3, nullptr);
    EXPECT_EQ(ModelSteps(*v3).run(), outcome);
    EXPECT_EQ(v3_presenter.texts(), presenter->texts());
    ASSERT_EQ(v3->cards.size(), box->cards.size());
    for (std::size_t i = 0; i < box->cards.size(); ++i) {
        EXPECT_EQ(count_nodes(v3->cards[i]->endpoints), count_nodes(box->cards[i]->endpoints));
    }
}

// What a failed read of the building shows; it follows the card table's mismatch warning.
const char* const generic_error_text =
    "!!SNMP Error\r\n\r\n\r\nA SNMP error occurred while reading configuration.\r\n\r\nSNMP "
    "error: Generic Error\r\n\r\nRescan device";

// Tests that change the device get a simulator of their own.
class ModelFaults : public ::testing::Test {
protected:
    void open(const char* scenario) {
        sim = SimProcess::start(scenario);
        ASSERT_NE(sim, nullptr);
        box = test::open_test_box(presenter, *sim);
        ASSERT_NE(box, nullptr);
    }
    std::unique_ptr<SimProcess> sim;
    RecordingPresenter presenter;
    std::unique_ptr<Box> box;
};

TEST_F(ModelFaults, ControllerVersionsAndPowerSupplies) {
    open("small");
    const struct {
        const char* version;
        bool lt_01, ge_01, ge_02;
    } versions[] = {{" V2.15.00", true, false, false},
                    {" V2.15.01", false, true, false},
                    {" V2.15.02", false, true, true},
                    {" V3.0", false, true, true},
                    {"garbage", true, false, false}};
    for (const auto& v : versions) {
        sim->set_value("R.1.2.1.3.0", std::string("s:") + v.version);
        get_controllers(*box);
        EXPECT_EQ(box->fw_lt_2_15_01, v.lt_01) << v.version;
        EXPECT_EQ(box->fw_ge_2_15_01, v.ge_01) << v.version;
        EXPECT_EQ(box->fw_ge_2_15_02, v.ge_02) << v.version;
    }
    for (int code : {0, 1, 6, 9}) {
        sim->set_value("R.1.10.1.2.1", "i:" + std::to_string(code));
        get_controllers(*box);
        EXPECT_EQ(box->power_supply_1, " ") << code;
    }
    sim->set_value("R.1.10.1.2.1", "i:5");
    get_controllers(*box);
    EXPECT_EQ(box->power_supply_1, "DC-20v-60v");
    EXPECT_TRUE(presenter.shown.empty());

    // An object left out of the answer: the values that came stay, and the count is told.
    sim->omit("R.1.2.1.3.0");
    get_controllers(*box);
    EXPECT_EQ(box->serial_1, 415001u);
    EXPECT_EQ(presenter.texts(),
              std::vector<std::string>{"Get Controllers, device returned 5 fields, expected 6."});
}

TEST_F(ModelFaults, CardTableMismatchAndMissingSlots) {
    open("small");
    sim->set_value("R.1.1.1.2.1", "i:6");
    ASSERT_EQ(read_cards(*box), 0);
    EXPECT_EQ(presenter.texts(),
              std::vector<std::string>{
                  "**Warning\r\n\r\nInstalled cards do not match registered cards in "
                  "slot:\r\n\r\nTrib1, \r\n\r\nPlease exit and correct this mismatch using the "
                  "R4150 terminal/telnet console."});

    // No slot answers an INTEGER: the in-band card is there all the same.
    presenter.clear();
    for (int s = 1; s <= 8; ++s) {
        sim->wrong_type("R.1.1.1.4." + std::to_string(s));
    }
    ASSERT_EQ(read_cards(*box), 0);
    ASSERT_EQ(box->cards.size(), 1u);
    EXPECT_EQ(box->cards[0]->slot, 9);
    EXPECT_STREQ(box->cards[0]->type_name, "HDLC");
    EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(ModelFaults, CardTableTimeoutEndsTheOpening) {
    open("small");
    sim->drop_next(2);
    ModelSteps steps(*box);
    EXPECT_EQ(steps.step(), ModelSteps::Outcome::failed);
    EXPECT_TRUE(box->cards.empty());
    EXPECT_EQ(presenter.texts(),
              std::vector<std::string>{"!!Communication Error\r\n\r\n\r\nA communication timeout "
                                       "occurred with " +
                                       sim->peer() +
                                       " while reading configuration.\r\n\r\nVerify network "
                                       "connection.\r\nRescan device\r\n"});
}

TEST_F(ModelFaults, PortCountFailureLeavesThatCardEmpty) {
    open("demo");
    sim->fail_prefix("R.1.1.1.5.2", 5);
    EXPECT_EQ(ModelSteps(*box).run(), ModelSteps::Outcome::done);
    EXPECT_TRUE(card_in(*box, 2).endpoints.empty());
    EXPECT_EQ(card_in(*box, 3).endpoints.size(), 8u);
    EXPECT_EQ(presenter.shown.at(1).text, generic_error_text);
}

TEST_F(ModelFaults, E1LineFailureStopsTheBuildAtThatCard) {
    open("demo");
    sim->fail_prefix("R.3.1.1.1.5.1.2", 5); // frame setting of Trib1 Port-02
    EXPECT_EQ(ModelSteps(*box).run(), ModelSteps::Outcome::failed);
    EXPECT_EQ(card_in(*box, 1).endpoints.size(), 2u); // as far as it got
    EXPECT_TRUE(card_in(*box, 2).endpoints.empty());
    EXPECT_EQ(presenter.shown.at(1).text, generic_error_text);
}

TEST_F(ModelFaults, FramerMissingOneObjectLeavesThePathFramed) {
    open("demo");
    sim->omit("R.2.27.1.10.6.1.1.1.1.1"); // CRC of the first TU12 path of Trib6 AUG1-01
    EXPECT_EQ(ModelSteps(*box).run(), ModelSteps::Outcome::done);
    const HsEntry& path = child(child(child(*card_in(*box, 6).endpoints[0], 0), 0), 0);
    EXPECT_EQ(path.name, "TU12-01");
    EXPECT_EQ(path.child_count(), 31u);
    // Between the card table's mismatch warning and the unknown card's warning.
    ASSERT_EQ(presenter.shown.size(), 3u);
    EXPECT_EQ(presenter.shown[1].text,
              "get_r155_e1_framer(), device did not return all parameters");
}

TEST_F(ModelFaults, UnframedLowOrderPathAndT3Channel) {
    open("demo");
    sim->set_value("R.2.27.1.8.6.1.1.1.2.1", "i:1"); // TU12-04 of AU4-01: TUG2 2, path 1
    sim->set_value("R.5.1.2.1.1.4.5.2.7", "i:1");    // Chan-07 of Trib5 Port-02 (C-Bit-E1)
    EXPECT_EQ(ModelSteps(*box).run(), ModelSteps::Outcome::done);
    const HsEntry& au4 = child(child(*card_in(*box, 6).endpoints[0], 0), 0);
    EXPECT_EQ(child(au4, 3).child_count(), 1u);
    EXPECT_EQ(describe(child(child(au4, 3), 0)), "TS-00/00 6.1.1.1.4.1 90");
    EXPECT_EQ(child(au4, 2).child_count(), 31u);
    const HsEntry& channel = child(*card_in(*box, 5).endpoints[1], 6);
    EXPECT_EQ(channel.child_count(), 1u);
}

TEST_F(ModelFaults, SetGranularityRebuildsOrLeavesTheTree) {
    open("demo");
    ASSERT_EQ(ModelSteps(*box).run(), ModelSteps::Outcome::done);
    HsEntry& aug = *card_in(*box, 6).endpoints[2]->children[0]; // granularity 2, VC4
    presenter.clear();
    sim->fail_prefix("R.2.1.1.4.6.3.1", 5);
    EXPECT_EQ(set_granularity(*box, aug, granularity_tug3, {0, 5, 5, 5}), 1);
    EXPECT_EQ(aug.kind, 2);
    ASSERT_EQ(aug.child_count(), 1u);
    EXPECT_EQ(aug.children[0]->name, "VC4");
    EXPECT_EQ(sim->value("R.2.1.1.4.6.3.1"), "i:2");
    EXPECT_NE(presenter.shown.front().parsed.body.find("setting granularity"), std::string::npos);

    sim->clear_faults();
    presenter.clear();
    EXPECT_EQ(set_granularity(*box, aug, granularity_tug3, {0, 5, 5, 4}), 0);
    EXPECT_TRUE(presenter.shown.empty());
    EXPECT_EQ(aug.kind, 4);
    ASSERT_EQ(aug.child_count(), 3u);
    EXPECT_EQ(describe(*aug.children[2]), "AU4-03/A03 0.3.1.3.0.0 4");
    EXPECT_EQ(aug.children[0]->child_count(), 21u);
    EXPECT_EQ(aug.children[2]->child_count(), 28u);
    EXPECT_EQ(sim->value("R.2.1.1.4.6.3.1"), "i:4");
    EXPECT_EQ(sim->value("R.2.1.1.7.6.3.1"), "i:4");
}

TEST_F(ModelFaults, IdentifiersReadAndWritten) {
    open("demo");
    ASSERT_EQ(ModelSteps(*box).run(), ModelSteps::Outcome::done);
    HsEntry& port = *card_in(*box, 1).endpoints[3];
    EXPECT_EQ(write_identifier(*box, port, identifier_group_e1, "NEW-CIRCUIT"), 0);
    EXPECT_EQ(port.identifier, "NEW-CIRCUIT");
    EXPECT_EQ(sim->value("R.3.1.3.1.3.1.4"), "s:NEW-CIRCUIT");
    EXPECT_EQ(write_identifier(*box, port, identifier_group_e1, ""), 0);
    EXPECT_EQ(port.identifier, ""); // emptied, not dropped

    // An STM-1 identifier of blanks only counts as empty.
    HsEntry& stm_port = *card_in(*box, 6).endpoints[1];
    sim->set_value("R.2.25.1.3.6.2", "s:     ");
    EXPECT_EQ(read_stm_identifier(*box, stm_port, true), 0);
    EXPECT_FALSE(stm_port.identifier.has_value());

    sim->fail_prefix("R.3.1.3.1.3.1.4", 5);
    EXPECT_EQ(read_identifier(*box, port, identifier_group_e1, false), 1);
    EXPECT_TRUE(presenter.shown.size() == 2u); // the two warnings of the demo only
    EXPECT_EQ(read_identifier(*box, port, identifier_group_e1, true), 1);
    EXPECT_EQ(presenter.shown.size(), 3u);
}

// Built under LeakSanitizer: freeing the box must release every node of every tree, and a
// rebuild must free the trees it replaces.
TEST_F(ModelFaults, RebuildingAndFreeingKeepNothing) {
    open("demo");
    ASSERT_EQ(ModelSteps(*box).run(), ModelSteps::Outcome::done);
    std::size_t nodes = 0;
    for (const auto& card : box->cards) {
        nodes += count_nodes(card->endpoints);
    }
    // E1 196, T1 200, E1-PRTD 226, T3 2748, STM-1 4109, OC-3 3458, in-band 64.
    EXPECT_EQ(nodes, 11001u);
    ASSERT_EQ(ModelSteps(*box).run(), ModelSteps::Outcome::done);
    free_cards(*box);
    EXPECT_TRUE(box->cards.empty());
}

} // namespace
} // namespace vornex
