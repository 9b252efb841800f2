// The device model read from the simulator: controllers, the card table and every card's
// endpoint tree, with the failures that stop or shorten the build.
#include "device/box.h"
#include "device/model_steps.h"
#include "model/builders.h"
#include "model/card.h"
#include "recording_presenter.h"
#include "sim_process.h"
#include "test_device.h"

#include <array>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>

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
    for (const auto& card : box.cards)
        if (card->slot == slot)
            return *card;
    throw std::runtime_error("no card in slot " + std::to_string(slot));
}

const HsEntry& child(const HsEntry& node, std::size_t index) {
    return *node.children.at(index);
}

std::size_t count_nodes(const EndpointList& list) {
    std::size_t n = 0;
    for (const auto& node : list)
        n += 1 + count_nodes(node->children);
    return n;
}

// The card table's warning of installed cards that differ from the registered ones.
std::string mismatch(const std::string& slots) {
    return "**Warning\r\n\r\nInstalled cards do not match registered cards in slot:\r\n\r\n" +
           slots +
           ", \r\n\r\nPlease exit and correct this mismatch using the R4150 "
           "terminal/telnet console.";
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

    static inline SimProcess* sim = nullptr;
    static inline RecordingPresenter* presenter = nullptr;
    static inline Box* box = nullptr;
    static inline ModelSteps::Outcome outcome = ModelSteps::Outcome::failed;
};

// The controller values and the card list are asserted through vornex-cli identify --json and
// cards (CliDevice.ControllersCardsAndTree); here the warnings of the card table.
TEST_F(DemoDevice, CardTableWarnings) {
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(outcome, ModelSteps::Outcome::done);
    // The unknown card's installed code differs from its row's, so it is listed as a
    // mismatch too; then its builder warns.
    EXPECT_EQ(presenter->texts(),
              (std::vector<std::string>{mismatch("Trib8"),
                                        "**Warning\r\n\r\n\r\nUnsupported card in "
                                        "Trib8.\r\n\r\nRegistered Model/Mode: 7, Card Model: 2"}));
}

// Port-01 of Trib6 down to TU12-01 is in the tree of CliDevice.ControllersCardsAndTree.
TEST_F(DemoDevice, EveryCardFamilysTree) {
    // Trib3 and Trib4 are a protected pair, built on the odd slot only; Trib8 is unknown.
    const std::size_t ports[] = {8, 8, 8, 0, 4, 4, 3, 0, 2};
    for (int slot = 1; slot <= 9; ++slot)
        EXPECT_EQ(card_in(*box, slot).endpoints.size(), ports[slot - 1]) << "Trib" << slot;
    EXPECT_EQ(box->cards.back()->slot, 9); // the in-band card comes last
    std::size_t all = 0;
    for (const auto& card : box->cards)
        all += count_nodes(card->endpoints);
    // E1 196, T1 200, E1-PRTD 226, T3 2748, STM-1 4109, OC-3 3458, in-band 64.
    EXPECT_EQ(all, 11001u);

    // A node by its indexes from the card down: "name/short address kind" (or its name
    // alone), its number of children (-1: not checked) and its setup dialog.
    const struct {
        int slot;
        std::vector<std::size_t> at;
        const char* described;
        int children = -1;
        std::optional<SetupDialog> setup = {};
    } nodes[] = {
        {1, {0}, "Port-01/P01 1.1.100.100.100.0 0", 31, SetupDialog::e1_port},
        {1, {0, 0}, "TS-01/01 1.1.100.100.100.2 0", 0, SetupDialog::none},
        {1, {0, 30}, "TS-31/31 1.1.100.100.100.32 0"},
        {1, {2}, "Port-03", 1}, // unframed
        {1, {2, 0}, "TS-00/00 1.3.100.100.100.1 90"},
        {3, {7}, "Port-08", 1}, // unframed
        // T3: MX3-T1, C-Bit-E1, MX3-E1 and C-Bit-T1 ports.
        {5, {0}, "Port-01", 28},
        {5, {1}, "Port-02/P02 5.2.0.0.0.0 0", 21, SetupDialog::t3_port},
        {5, {2}, "Port-03", 21},
        {5, {3}, "Port-04", 28},
        {5, {1, 20}, "Chan-21/C21 5.2.100.100.21.21 0", 31, SetupDialog::t3_channel},
        {5, {1, 20, 0}, "TS-01/01 5.2.100.100.21.2 0"},
        {5, {0, 27}, "Chan-28/C28 5.1.100.100.28.28 0", 24},
        // STM-1 granularity 4 (Port-01): AUG 2 is absent, so the list ends without a message.
        {6, {0}, "Port-01", 1},
        {6, {0, 0}, "AUG1-01", 3, SetupDialog::aug},
        {6, {0, 0, 0}, "AU4-01", 21},
        {6, {0, 0, 1}, "AU4-02", 21},
        {6, {0, 0, 2}, "AU4-03/A03 0.1.1.3.0.0 4", 28},
        {6, {0, 0, 1, 4}, "TU12-05/05 6.1.1.2.5.100 5", 31, SetupDialog::lo_path},
        {6, {0, 0, 1, 4, 0}, "TS-01/01 6.1.1.2.5.2 0"},
        {6, {0, 0, 2, 27}, "TU11-28/28 6.1.1.3.28.100 4", 24},
        // Granularity 3: an AU3 of kind 3 holds the single path "AU3".
        {6, {1, 0, 0}, "AU3-01/A01 0.2.1.1.0.0 3", 1},
        {6, {1, 0, 0, 0}, "AU3/01 6.2.1.1.100.100 3", 0, SetupDialog::none},
        // Granularity 4 with TUG3s of kind 2: each holds the single path "TU3".
        {6, {3, 0, 1, 0}, "TU3/01 6.4.1.2.100.100 2"},
        // Granularity 2: the single leaf VC4.
        {6, {2, 0}, "AUG1-01", 1},
        {6, {2, 0, 0}, "VC4/ 6.3.1.100.100.0 6", 0},
        // SONET names on the OC-3 card.
        {7, {0, 0}, "STS3-01/S01 0.1.1.100.100.0 4"},
        {7, {0, 0, 0}, "AU4-01/A01 0.1.1.1.0.0 5"},
        {7, {0, 0, 0, 20}, "VT2-21"},
        {7, {0, 0, 1, 27}, "VT15-28"},
        {7, {1, 0, 0}, "STS1-01/S01 0.2.1.1.0.0 3"},
        {7, {1, 0, 0, 0}, "STS1"},
        {9, {1}, "HDLC_2/H02 9.2.100.100.100.0 0", 31, SetupDialog::none},
    };
    for (const auto& row : nodes) {
        SCOPED_TRACE(row.described);
        const HsEntry* node = card_in(*box, row.slot).endpoints.at(row.at[0]).get();
        for (std::size_t i = 1; i < row.at.size(); ++i) {
            const HsEntry* parent = node;
            node = &child(*parent, row.at[i]);
            EXPECT_EQ(node->parent, parent);
        }
        EXPECT_EQ(std::strchr(row.described, '/') ? describe(*node) : node->name, row.described);
        if (row.children >= 0) {
            EXPECT_EQ(node->child_count(), static_cast<std::size_t>(row.children));
        }
        if (row.setup) {
            EXPECT_EQ(node->setup, *row.setup);
        }
    }
    EXPECT_EQ(child(*card_in(*box, 1).endpoints[0], 0).channel_type, 100);
    EXPECT_EQ(child(child(child(*card_in(*box, 6).endpoints[0], 0), 1), 4).channel_type, 1);
    EXPECT_EQ(child(*card_in(*box, 6).endpoints[1], 0).kind, 3);
    for (const auto& port : card_in(*box, 2).endpoints) {
        ASSERT_EQ(port->child_count(), 24u);
        EXPECT_EQ(port->setup, SetupDialog::t1_port);
        EXPECT_EQ(describe(*port->children.back()),
                  "TS-24/24 2." + std::to_string(port->port()) + ".100.100.100.25 0");
    }

    // Identifiers: as stored, blanks included for E1 ports; none where the device has none.
    const struct {
        int slot;
        std::size_t port;
        std::optional<std::string> identifier;
    } identifiers[] = {{1, 0, "PBX-NORTH"},  {1, 1, std::string(20, ' ')}, {1, 2, "VIDEO-LINK"},
                       {1, 3, std::nullopt}, {2, 0, "CARRIER-T1-A"},       {5, 1, "DS3-CBIT-E1"},
                       {7, 1, "SONET-SPAN"}};
    for (const auto& row : identifiers)
        EXPECT_EQ(card_in(*box, row.slot).endpoints[row.port]->identifier, row.identifier)
            << "Trib" << row.slot << " port " << row.port + 1;
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
    for (std::size_t i = 0; i < box->cards.size(); ++i)
        EXPECT_EQ(count_nodes(v3->cards[i]->endpoints), count_nodes(box->cards[i]->endpoints));
}

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
        EXPECT_EQ((std::array{box->fw_lt_2_15_01, box->fw_ge_2_15_01, box->fw_ge_2_15_02}),
                  (std::array{v.lt_01, v.ge_01, v.ge_02}))
            << v.version;
    }
    for (const auto& [code, text] :
         {std::pair{0, " "}, {1, " "}, {6, " "}, {9, " "}, {5, "DC-20v-60v"}}) {
        sim->set_value("R.1.10.1.2.1", "i:" + std::to_string(code));
        get_controllers(*box);
        EXPECT_EQ(box->power_supply_1, text) << code;
    }
    EXPECT_TRUE(presenter.shown.empty());

    // An object left out of the answer: the values that came stay, and the count is told.
    sim->omit("R.1.2.1.3.0");
    get_controllers(*box);
    EXPECT_EQ(box->serial_1, 415001u);
    EXPECT_EQ(presenter.texts(),
              std::vector<std::string>{"Get Controllers, device returned 5 fields, expected 6."});
}

TEST_F(ModelFaults, CardTableMismatchMissingSlotsAndTimeout) {
    open("small");
    sim->set_value("R.1.1.1.2.1", "i:6");
    ASSERT_EQ(read_cards(*box), 0);
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{mismatch("Trib1")});

    // No slot answers an INTEGER: the in-band card is there all the same.
    presenter.clear();
    for (int s = 1; s <= 8; ++s)
        sim->wrong_type("R.1.1.1.4." + std::to_string(s));
    ASSERT_EQ(read_cards(*box), 0);
    ASSERT_EQ(box->cards.size(), 1u);
    EXPECT_EQ(box->cards[0]->slot, 9);
    EXPECT_STREQ(box->cards[0]->type_name, "HDLC");
    EXPECT_TRUE(presenter.shown.empty());

    // A time-out of the card table ends the opening, though the device answers again; its
    // words are asserted by FaultSweep.Opening.
    sim->clear_faults();
    sim->drop_next(2);
    EXPECT_EQ(ModelSteps(*box).step(), ModelSteps::Outcome::failed);
    EXPECT_TRUE(box->cards.empty());
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.shown[0].text.rfind("!!Communication Error", 0), 0u);
}

// A failed read that shortens the build shows, after the card table's mismatch warning:
TEST_F(ModelFaults, FailedReadsEmptyACardOrStopTheBuild) {
    open("demo");
    const struct {
        const char* fault;
        ModelSteps::Outcome outcome;
        std::size_t trib1, trib3; // ports built
    } cases[] = {
        // The port count of Trib2: that card stays empty, the build goes on.
        {"R.1.1.1.5.2", ModelSteps::Outcome::done, 8, 8},
        // The frame setting of Trib1 Port-02: the build stops there.
        {"R.3.1.1.1.5.1.2", ModelSteps::Outcome::failed, 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        presenter.clear();
        ASSERT_TRUE(sim->clear_faults() && sim->fail_prefix(c.fault, 5));
        EXPECT_EQ(ModelSteps(*box).run(), c.outcome);
        EXPECT_EQ(card_in(*box, 1).endpoints.size(), c.trib1);
        EXPECT_TRUE(card_in(*box, 2).endpoints.empty());
        EXPECT_EQ(card_in(*box, 3).endpoints.size(), c.trib3);
        EXPECT_EQ(presenter.shown.at(1).text,
                  "!!SNMP Error\r\n\r\n\r\nA SNMP error occurred while reading "
                  "configuration.\r\n\r\nSNMP error: Generic Error\r\n\r\nRescan device");
    }
}

TEST_F(ModelFaults, MissingFramerObjectAndUnframedPaths) {
    open("demo");
    sim->omit("R.2.27.1.10.6.1.1.1.1.1");            // CRC of the first TU12 path of Trib6 AUG1-01
    sim->set_value("R.2.27.1.8.6.1.1.1.2.1", "i:1"); // TU12-04 of AU4-01: TUG2 2, path 1
    sim->set_value("R.5.1.2.1.1.4.5.2.7", "i:1");    // Chan-07 of Trib5 Port-02 (C-Bit-E1)
    EXPECT_EQ(ModelSteps(*box).run(), ModelSteps::Outcome::done);
    const HsEntry& au4 = child(child(*card_in(*box, 6).endpoints[0], 0), 0);
    EXPECT_EQ(child(au4, 0).name, "TU12-01");
    EXPECT_EQ(child(au4, 0).child_count(), 31u); // left framed
    EXPECT_EQ(child(au4, 3).child_count(), 1u);
    EXPECT_EQ(describe(child(child(au4, 3), 0)), "TS-00/00 6.1.1.1.4.1 90");
    EXPECT_EQ(child(au4, 2).child_count(), 31u);
    EXPECT_EQ(child(*card_in(*box, 5).endpoints[1], 6).child_count(), 1u);
    // Between the card table's mismatch warning and the unknown card's warning.
    ASSERT_EQ(presenter.shown.size(), 3u);
    EXPECT_EQ(presenter.shown[1].text,
              "get_r155_e1_framer(), device did not return all parameters");
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

// Built under LeakSanitizer: a rebuild must free the trees it replaces, and freeing the box
// every node of every tree.
TEST_F(ModelFaults, IdentifiersReadAndWrittenOnARebuiltTree) {
    open("demo");
    ASSERT_EQ(ModelSteps(*box).run(), ModelSteps::Outcome::done);
    presenter.clear();
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
    free_cards(*box);
    EXPECT_TRUE(box->cards.empty());
}

} // namespace
} // namespace vornex
