// Cross-connects against the simulator: probing runs of leaves, making and clearing
// cross-connects of every leaf kind, the device's refusals, and the map window's rules.
#include "map_fixture.h"
#include "xc/map_controls.h"
#include "xc/xc_commands.h"
#include "xc/xc_probe.h"

#include <gtest/gtest.h>

namespace vornex {
namespace {

class CrossConnects : public test::MapFixture {
protected:
    void SetUp() override {
        start("demo");
        sim->clear_requests();
    }

    void select(HsEntry& first, int count, int side) {
        HsEntry* leaf = &first;
        for (int i = 0; i < count; ++i, leaf = next_sibling(*leaf)) {
            leaf->view.open_or_selected[side] = 1;
        }
    }
    // The map window's controls for a run of `left_count` leaves on the left and `right_count`
    // on the right, nothing else selected.
    MapControls controls(HsEntry& left, int left_count, HsEntry& right, int right_count,
                         bool voice) {
        for (const auto& card : box->cards)
            clear_selection(card->endpoints);
        select(left, left_count, 0);
        select(right, right_count, 1);
        return update_map_controls(*box, voice);
    }
    void clear_selection(EndpointList& list) {
        for (auto& n : list) {
            n->view.open_or_selected = {0, 0};
            clear_selection(n->children);
        }
    }

    // The device's row for a leaf on map 1, as "source channel a_mu table", or "none".
    std::string row(const HsEntry& leaf) {
        const std::string index = "." + address_text(leaf.address);
        if (!sim->value("R.1.16.3.1.9.1" + index))
            return "none";
        std::string out, separator;
        for (int c : {9, 11, 12, 13, 14, 15, 16, 17, 18}) {
            out +=
                separator + sim->value("R.1.16.3.1." + std::to_string(c) + ".1" + index)->substr(2);
            separator = c < 15 ? "." : " ";
        }
        return out;
    }

    // A source address as the device reports it: its own business in levels 1 and 2 of a
    // T3 card (slot 5 of the demo).
    static std::string reported(EndpointAddress a) {
        if (a[0] == 5) {
            a[2] = a[3] = 0;
        }
        return address_text(a);
    }

    // The leaf's cache as "peer channel a_mu table"; cache() reads it again first.
    static std::string held(const HsEntry& leaf) {
        return address_text(leaf.peer) + " " + std::to_string(leaf.channel_type) + " " +
               std::to_string(leaf.a_mu_mode) + " " + std::to_string(leaf.sig_conv_table);
    }
    std::string cache(HsEntry& leaf) {
        leaf.xc_valid = false;
        EXPECT_EQ(xc_probe(*box, leaf), 0);
        return held(leaf);
    }
};

TEST_F(CrossConnects, OneProbeSettlesAFreeRunAndTheConnectedLeafThatEndsIt) {
    HsEntry& port = node(1, {"Port-01"});
    ASSERT_EQ(xc_probe(*box, *port.children[4]), 0); // TS-05
    EXPECT_EQ(sim->requests().size(), 1u);
    for (int ts = 4; ts <= 8; ++ts) { // free
        EXPECT_TRUE(port.children[ts]->xc_valid);
        EXPECT_EQ(held(*port.children[ts]), "100.100.100.100.100.100 100 100 257");
    }
    const HsEntry& ts10 = *port.children[9];
    EXPECT_TRUE(ts10.xc_valid);
    EXPECT_EQ(held(ts10), "3.1.100.100.100.2 1 1 257");
    EXPECT_FALSE(port.children[10]->xc_valid); // beyond the answer
    EXPECT_TRUE(presenter.shown.empty());

    // The far end names it back: bidirectional.
    bool failed = false;
    HsEntry* peer = xc_read_leaf(*box, *port.children[9], failed);
    ASSERT_NE(peer, nullptr);
    EXPECT_FALSE(failed);
    EXPECT_EQ(peer->name, "TS-01");
    EXPECT_TRUE(is_bidirectional(ts10, peer));
}

TEST_F(CrossConnects, ProbeIndexesAndTheEndOfTheTable) {
    HsEntry& unframed = *node(1, {"Port-03"}).children[0];
    ASSERT_EQ(xc_probe(*box, unframed), 0);
    const std::string r = "1.3.6.1.4.1.823.4150.1.16.3.1.";
    ASSERT_EQ(sim->requests().size(), 1u);
    EXPECT_EQ(sim->requests()[0].rfind("GETNEXT " + r + "9.1.1.3.100.100.100," + r + "11.", 0), 0u);
    EXPECT_EQ(address_text(unframed.peer), "3.8.100.100.100.1");

    // One-way voice with a table, as the scenario made it.
    HsEntry& voice = *node(1, {"Port-02", "TS-05"}).parent->children[4];
    ASSERT_EQ(xc_probe(*box, voice), 0);
    EXPECT_EQ(voice.channel_type, 2);
    EXPECT_EQ(voice.sig_conv_table, 5);
    bool failed = false;
    EXPECT_FALSE(is_bidirectional(voice, xc_read_leaf(*box, voice, failed)));

    // An answer of "Unknown object name" is the end of the table: no message.
    sim->fail_prefix("R.1.16.3.1", 2);
    HsEntry& last = *node(9, {"HDLC_2"}).children.back();
    ASSERT_EQ(xc_probe(*box, last), 0);
    EXPECT_TRUE(last.xc_valid);
    EXPECT_FALSE(is_connected(last));
    EXPECT_TRUE(presenter.shown.empty());

    // Over SNMPv3 the end is the exception value endOfMibView (130): the probed leaf alone
    // is settled, and its connected sibling TS-10 is left to be read.
    sim->clear_faults();
    sim->fail_prefix("R.1.16.3.1", 130);
    auto v3 = AM_New_Box(presenter, {}, test::sim_v3_config(*sim, "shaaes", auth_sha, priv_aes),
                         test::quick_timings);
    ASSERT_NE(v3, nullptr);
    v3->displayed_map = 1;
    HsEntry& ts05 = *node(1, {"Port-01"}).children[4];
    ASSERT_EQ(xc_probe(*v3, ts05), 0);
    EXPECT_TRUE(ts05.xc_valid);
    EXPECT_FALSE(is_connected(ts05));
    EXPECT_FALSE(node(1, {"Port-01"}).children[9]->xc_valid);
    EXPECT_TRUE(presenter.shown.empty());
    // Any other refusal is reported and leaves the leaf to be read: FaultSweep.Commands.
}

TEST_F(CrossConnects, IncompleteRowIsWarnedAndNotCached) {
    HsEntry& ts10 = *node(1, {"Port-01"}).children[9];
    sim->wrong_type("R.1.16.3.1.11.1.1.1.100.100.100.11");
    ASSERT_EQ(xc_probe(*box, ts10), 0);
    EXPECT_FALSE(ts10.xc_valid);
    EXPECT_EQ(presenter.texts(),
              std::vector<std::string>{"XC probe, device did not return all fields 0x01fd"});
}

TEST_F(CrossConnects, MakeAndClearEveryLeafKind) {
    struct pair_case {
        const char* what;
        HsEntry& dst;
        HsEntry& src;
        int count;
    };
    const pair_case cases[] = {
        {"E1 timeslots", *node(1, {"Port-06"}).children[0], *node(3, {"Port-03"}).children[4], 3},
        {"T3 T1-channel timeslots", *node(5, {"Port-01", "Chan-03"}).children[0],
         *node(2, {"Port-02"}).children[0], 5},
        {"TU12 timeslots", *node(6, {"Port-01", "AUG1-01", "AU4-02", "TU12-01"}).children[0],
         *node(1, {"Port-08"}).children[0], 31},
        {"TU11 timeslots", *node(6, {"Port-01", "AUG1-01", "AU4-03", "TU11-01"}).children[0],
         *node(2, {"Port-03"}).children[0], 24},
        {"VC4 with STS3C", node(6, {"Port-03", "AUG1-01", "VC4"}),
         node(7, {"Port-03", "STS3-01", "STS3C"}), 1},
        {"TU3", node(6, {"Port-04", "AUG1-01", "AU4-01", "TU3"}),
         node(6, {"Port-04", "AUG1-01", "AU4-02", "TU3"}), 1},
        {"AU3 with STS1", node(6, {"Port-02", "AUG1-01", "AU3-01", "AU3"}),
         node(7, {"Port-02", "STS3-01", "STS1-01", "STS1"}), 1},
    };
    for (const pair_case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(
            map_range(*box, c.dst, c.src, c.count, {.xc_type = xc_bidirectional}, false, "", ""),
            0);
        EXPECT_TRUE(presenter.shown.empty());
        EXPECT_TRUE(box->changes.not_stored());
        EXPECT_EQ(row(c.dst), address_text(c.src.address) + " 1 1 257");
        EXPECT_EQ(row(c.src), reported(c.dst.address) + " 1 1 257");
        EXPECT_FALSE(c.dst.xc_valid);
        EXPECT_EQ(cache(c.dst), address_text(c.src.address) + " 1 1 257");
        // The last leaf of the run too.
        HsEntry *last_dst = &c.dst, *last_src = &c.src;
        for (int i = 1; i < c.count; ++i)
            last_dst = next_sibling(*last_dst), last_src = next_sibling(*last_src);
        EXPECT_EQ(cache(*last_src), address_text(last_dst->address) + " 1 1 257");

        // Clearing the bidirectional cross-connect clears the far end's cache too.
        cache(c.src);
        ASSERT_EQ(unmap_range(*box, c.dst, c.count, {.xc_type = xc_bidirectional}, false), 0);
        EXPECT_EQ(row(c.dst), "none");
        EXPECT_EQ(row(c.src), "none");
        EXPECT_FALSE(c.src.xc_valid);
        EXPECT_EQ(c.src.peer, no_address);
        EXPECT_EQ(cache(c.src), "100.100.100.100.100.100 100 100 257");
    }
}

TEST_F(CrossConnects, OneWayUnframedSignalSends100AsItsIndex) {
    HsEntry& dst = *node(1, {"Port-07"}).children[0]; // TS-00
    HsEntry& src = *node(3, {"Port-08"}).children[0];
    ASSERT_EQ(map_range(*box, dst, src, 1, {.xc_type = xc_unidirectional}, false, "", ""), 0);
    const std::string set = sim->requests()[0];
    const std::string c = "1.3.6.1.4.1.823.4150.1.16.1.";
    EXPECT_NE(set.find(c + "7.0=i:100,"), std::string::npos) << set;
    EXPECT_NE(set.find(c + "13.0=i:100,"), std::string::npos) << set;
    EXPECT_NE(set.find(c + "14.0=i:2,"), std::string::npos) << set;
    EXPECT_EQ(sim->requests()[1], "GET " + c + "20.0");
    EXPECT_EQ(cache(dst), "3.8.100.100.100.1 1 1 257");
    // The source keeps its own (bidirectional) cross-connect with Trib1 Port-03.
    EXPECT_EQ(cache(src), "1.3.100.100.100.1 1 1 257");
    sim->clear_requests();
    ASSERT_EQ(unmap_range(*box, dst, 1, {.xc_type = xc_unidirectional}, false), 0);
    // Map 1, Trib1 Port-07 with index 100, one leaf, one-way, execute.
    const std::string t = "1.3.6.1.4.1.823.4150.1.16.2.";
    EXPECT_EQ(sim->requests()[0], "SET " + t + "1.0=i:1," + t + "2.0=i:1," + t + "3.0=i:7," + t +
                                      "4.0=i:100," + t + "5.0=i:100," + t + "6.0=i:100," + t +
                                      "7.0=i:100," + t + "8.0=i:1," + t + "9.0=i:2," + t +
                                      "10.0=i:2");
    EXPECT_EQ(row(dst), "none");
    EXPECT_EQ(cache(src), "1.3.100.100.100.1 1 1 257");
}

TEST_F(CrossConnects, RefusalsAreNamedAndChangeNothing) {
    HsEntry& busy = *node(1, {"Port-01"}).children[9]; // TS-10, connected
    HsEntry& free_src = *node(3, {"Port-05"}).children[0];
    const std::string before = cache(busy);
    const auto refused = [&](const std::string& operation, const std::string& reason) {
        return std::vector<std::string>{"!!Error\r\n\r\n\r\nThe R4150 at " + sim->peer() +
                                        " reported an error for the " + operation +
                                        " cross-connect operation:\r\n\r\n\"" + reason + "\""};
    };
    ASSERT_EQ(map_range(*box, busy, free_src, 1, {.xc_type = xc_bidirectional}, false, "", ""), 1);
    EXPECT_EQ(presenter.texts(), refused("current", "destination-timeslot-not-empty(27)"));
    EXPECT_TRUE(busy.xc_valid);
    EXPECT_EQ(held(busy), before);
    EXPECT_FALSE(box->changes.not_stored());

    for (const char* code : {"0", "99", "283"}) { // 283 is 27 in its low 8 bits
        presenter.clear();
        std::string error;
        ASSERT_TRUE(sim->command(std::string("force-result ") + code, error)) << error;
        ASSERT_EQ(unmap_range(*box, busy, 1, {.xc_type = xc_bidirectional}, false), 1);
        EXPECT_EQ(presenter.texts(),
                  refused("clear", std::string(code) == "283"
                                       ? "destination-timeslot-not-empty(27)"
                                       : "Unknown mapping error response from device."));
        EXPECT_TRUE(busy.xc_valid);
        EXPECT_EQ(row(busy), "3.1.100.100.100.2 1 1 257");
    }
    EXPECT_FALSE(box->changes.not_stored());

    // A run past the last timeslot is named as the device names it: the map window test and
    // MapImport.EveryRowWarningInTheProgramsWords. A failed request shows its SNMP message and
    // changes nothing: FaultSweep.Commands.
}

TEST_F(CrossConnects, MapWindowRules) {
    HsEntry& e1 = *node(1, {"Port-06"}).children[0];
    HsEntry& e1_other = *node(3, {"Port-06"}).children[0];
    cache(e1);
    cache(e1_other);

    // Runs of 3 and 4: no map button, and mapping does nothing.
    sim->clear_requests();
    MapControls c = controls(e1, 3, e1_other, 4, false);
    EXPECT_FALSE(c.map_both || c.map_left || c.map_right);
    EXPECT_TRUE(c.unmap_left && c.unmap_both_left && c.unmap_right && c.unmap_both_right);
    EXPECT_EQ(map_selection(*box, 0, xc_bidirectional, {}), 0);
    EXPECT_TRUE(sim->requests().empty());

    // A timeslot against a TU3 path: kinds differ.
    c = controls(e1, 1, node(6, {"Port-04", "AUG1-01", "AU4-01", "TU3"}), 1, false);
    EXPECT_FALSE(c.map_both || c.map_left || c.map_right);

    // Equal runs on two E1 cards: everything allowed; voice mode checks voice, enables the
    // table; A->Mu only across cards.
    c = controls(e1, 4, e1_other, 4, true);
    EXPECT_TRUE(c.map_both && c.map_left && c.map_right && c.channel_enabled && c.voice_checked &&
                !c.data_checked && c.sig_conv_enabled && c.a_mu_enabled);
    c = update_map_controls(*box, false);
    EXPECT_TRUE(c.data_checked && !c.voice_checked && !c.sig_conv_enabled);
    controls(e1, 2, *node(1, {"Port-07"}).children[0], 1, false); // same card, unframed vs framed
    select(*e1.parent->children[20], 1, 1);
    c = update_map_controls(*box, false);
    EXPECT_FALSE(c.a_mu_enabled);

    // The in-band card: no one-way unmap or map of its side, HDLC disables the options.
    HsEntry& hdlc = *node(9, {"HDLC_2"}).children[0];
    cache(hdlc);
    c = controls(hdlc, 2, e1, 2, true);
    EXPECT_TRUE(!c.unmap_left && c.unmap_both_left && c.data_checked && c.map_both);
    EXPECT_FALSE(c.channel_enabled || c.voice_checked || c.sig_conv_enabled || c.a_mu_enabled ||
                 c.map_left || c.map_right);

    // A one-way voice cross-connect sends the table only when it is 1..256; data never.
    controls(e1, 1, e1_other, 1, false);
    sim->clear_requests();
    ASSERT_EQ(map_selection(*box, 0, xc_unidirectional,
                            {.voice_checked = true, .sig_conv = "300", .identifier = ""}),
              0);
    EXPECT_NE(sim->requests()[0].find(".1.16.1.18.0=i:257"), std::string::npos);
    EXPECT_EQ(sig_conv_table_for(channel_voice, xc_unidirectional, "12"), 12);
    EXPECT_EQ(sig_conv_table_for(channel_voice, xc_unidirectional, "0"), 257);
    EXPECT_EQ(sig_conv_table_for(channel_voice, xc_bidirectional, "12"), 257);
    EXPECT_EQ(sig_conv_table_for(channel_data, xc_unidirectional, "12"), 257);
    EXPECT_EQ(row(e1), address_text(e1_other.address) + " 2 1 257");

    MapOptions none;
    none.data_checked = false;
    EXPECT_EQ(map_selection(*box, 1, xc_unidirectional, none), 1);
    EXPECT_EQ(presenter.texts().back(), "Unable to map. Channel type not selected");
}

} // namespace
} // namespace vornex
