// Line, framer, overhead and granularity settings against the simulator: what each OK sends,
// what it refuses before sending anything, and how the endpoint tree follows a change.
#include "lineconf/line_setup.h"
#include "lineconf/path_overhead.h"
#include "map_fixture.h"
#include "model/builders.h"

namespace vornex {
namespace {

const std::string root = "1.3.6.1.4.1.823.4150";

class LineSetup : public test::MapFixture {
protected:
    void SetUp() override {
        start("demo");
        sim->clear_requests();
    }
    std::vector<std::string> requests(const char* kind) {
        std::vector<std::string> found = sim->requests();
        std::erase_if(found, [&](const std::string& r) { return r.rfind(kind, 0) != 0; });
        return found;
    }
    // The values one endpoint's group reads now, by the dialog's own read.
    line_values read(line_dialog dialog, HsEntry& entry) {
        line_values values;
        const line_group& group = *line_group_of(*box, dialog, entry);
        EXPECT_EQ(read_line_group(*box, group, entry,
                                  entry.address[group.unit == range_unit::port ? 1 : 4], values),
                  0);
        return values;
    }
    // Each apply starts with no message shown and an empty request log.
    apply_result apply(line_dialog dialog, HsEntry& entry, int from, int to,
                       const line_values& wanted) {
        presenter.clear();
        sim->clear_requests();
        return apply_line_group(*box, *line_group_for(dialog), entry, from, to, wanted);
    }
    apply_result apply(line_dialog dialog, HsEntry& entry, const overhead_input& input) {
        presenter.clear();
        sim->clear_requests();
        return apply_overhead(*box, overhead_group_for(dialog), entry, input);
    }
};

TEST_F(LineSetup, T1RangesAreCheckedBeforeAnythingIsSent) {
    HsEntry& port = node(2, {"Port-02"});
    const line_values unchanged = read(line_dialog::t1_line, port);
    line_values ssm = unchanged;
    ssm[5] = 2;
    struct Case {
        int from, to;
        line_values wanted;
        const char* note;
    } cases[] = {
        {3, 2, unchanged, "Invalid port range 3 through 2.  Please correct or cancel."},
        {0, 1, unchanged, "Invalid port range 0 through 1.  Please correct or cancel."},
        {1, 2, ssm, "SSM may only be enabled on one port per card."},
        {1, range_number(std::string(99, '9')), unchanged,
         "Invalid port range 1 through 2147483647.  Please correct or cancel."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(apply(line_dialog::t1_line, port, c.from, c.to, c.wanted), apply_result::refused);
        EXPECT_EQ(presenter.texts(), std::vector<std::string>{c.note});
        EXPECT_TRUE(sim->requests().empty()) << c.from << "-" << c.to;
    }
    // Unchanged settings cost one GET per port and no SET.
    EXPECT_EQ(apply(line_dialog::t1_line, port, 1, 4, unchanged), apply_result::applied);
    EXPECT_EQ(requests("GET").size(), 4u);
    EXPECT_TRUE(requests("SET").empty());
    // SF to ESF sends that one object.
    sim->set_value("R.4.1.1.1.5.2.2", "i:1");
    line_values esf = unchanged;
    esf[2] = 2;
    EXPECT_EQ(apply(line_dialog::t1_line, port, 2, 2, esf), apply_result::applied);
    EXPECT_EQ(requests("SET"), std::vector<std::string>{"SET " + root + ".4.1.1.1.5.2.2=i:2"});
}

TEST_F(LineSetup, AFailingPortStopsTheLoopAndKeepsThePortsBefore) {
    HsEntry& port = node(2, {"Port-01"});
    line_values wanted = read(line_dialog::t1_line, port);
    wanted[3] = 2; // YEL On
    sim->fail_prefix("R.4.1.1.1.6.2.3", 5);
    EXPECT_EQ(apply(line_dialog::t1_line, port, 1, 4, wanted), apply_result::failed);
    EXPECT_EQ(presenter.texts().back(), "Failure applying settings to port 3.  Aborting.");
    sim->clear_faults();
    EXPECT_EQ(sim->value("R.4.1.1.1.6.2.1"), "i:2");
    EXPECT_EQ(sim->value("R.4.1.1.1.6.2.2"), "i:2");
    EXPECT_EQ(sim->value("R.4.1.1.1.6.2.4"), "i:1");
    // The device refuses SSM on a second port of the card; the note says why it may have.
    wanted = read(line_dialog::t1_line, port);
    wanted[5] = 2;
    EXPECT_EQ(apply(line_dialog::t1_line, port, 1, 1, wanted), apply_result::applied);
    EXPECT_EQ(apply(line_dialog::t1_line, port, 2, 2, wanted), apply_result::failed);
    EXPECT_NE(presenter.texts().back().find("Failure applying settings to port 2.  Aborting.\n\n"
                                            "Note: If the r4150 reported"),
              std::string::npos);
    EXPECT_EQ(sim->value("R.4.1.1.1.9.2.2"), "i:1");
    // A short or mistyped answer refuses the read; a silent device is reported as such.
    const auto read_fails = [&](const char* says) {
        presenter.clear();
        line_values values;
        EXPECT_EQ(read_line_group(*box, *line_group_for(line_dialog::t1_line), port, 1, values), 1);
        EXPECT_NE(presenter.texts().back().find(says), std::string::npos)
            << presenter.texts().back();
        sim->clear_faults();
    };
    sim->omit("R.4.1.1.1.9.2.1");
    read_fails("get_t1_line_setup(), device did not return all parameters");
    sim->wrong_type("R.4.1.1.1.3.2.1");
    read_fails("get_t1_line_setup(), device did not return all parameters");
    sim->drop_next(2);
    read_fails("Retry Operation");
}

TEST_F(LineSetup, FrameAndTypeChangesRebuildTheTree) {
    HsEntry& e1 = node(1, {"Port-01"});
    line_values wanted = read(line_dialog::e1_line, e1);
    ASSERT_EQ(e1.child_count(), 31u);
    wanted[1] = 2; // Impedance: never written, never compared
    wanted[2] = 1; // Frame Off
    EXPECT_EQ(apply(line_dialog::e1_line, e1, 1, 1, wanted), apply_result::applied);
    EXPECT_EQ(requests("SET"), std::vector<std::string>{"SET " + root + ".3.1.1.1.5.1.1=i:1"});
    EXPECT_EQ(e1.child_count(), 1u);
    // A port whose settings cannot be read again is built framed, never bare.
    sim->omit("R.3.1.1.1.11.1.1");
    rebuild_timeslots(*box, e1);
    EXPECT_EQ(e1.child_count(), 31u);
    sim->clear_faults();

    HsEntry& t3 = node(5, {"Port-01"});
    ASSERT_EQ(t3.child_count(), 28u);
    wanted = read(line_dialog::t3_line, t3);
    EXPECT_EQ(apply(line_dialog::t3_line, t3, 1, 1, wanted), apply_result::applied);
    EXPECT_EQ(requests("SET").size(), 1u); // Type and Length go even when unchanged
    wanted[1] = 6;                         // C-Bit-E1
    EXPECT_EQ(apply(line_dialog::t3_line, t3, 1, 1, wanted), apply_result::applied);
    EXPECT_EQ(t3.child_count(), 21u);
    EXPECT_EQ(line_group_of(*box, line_dialog::t3_e1_framer, *t3.children[0])->dialog,
              line_dialog::t3_e1_framer);

    // The E1 framer of a channel: CAS alone rebuilds; the channel range is 1 to 21.
    HsEntry& channel = *t3.children[1];
    wanted = read(line_dialog::t3_e1_framer, channel);
    EXPECT_EQ(apply(line_dialog::t3_e1_framer, channel, 1, 22, wanted), apply_result::refused);
    EXPECT_EQ(presenter.texts().back(),
              "Invalid channel range 1 through 22.  Please correct or cancel.");
    wanted[0] = 1;
    EXPECT_EQ(apply(line_dialog::t3_e1_framer, channel, 2, 3, wanted), apply_result::applied);
    EXPECT_EQ(t3.children[1]->child_count(), 1u);
    EXPECT_EQ(t3.children[2]->child_count(), 1u);
    EXPECT_EQ(t3.children[3]->child_count(), 31u);
}

TEST_F(LineSetup, Granularity) {
    HsEntry& au4 = node(6, {"Port-01", "AUG1-01", "AU4-01"});
    granularity_read present;
    ASSERT_EQ(read_granularity(*box, au4, present), 0);
    EXPECT_EQ(granularity_labels(au4, present), (std::vector<std::string>{"TU11", "TU12", "TU3"}));
    ASSERT_EQ(granularity_radio(au4, present), 1);
    ASSERT_EQ(au4.child_count(), 21u);
    sim->clear_requests();
    EXPECT_EQ(apply_granularity(*box, au4, present, 0), apply_result::applied);
    EXPECT_EQ(requests("SET"), std::vector<std::string>{"SET " + root + ".2.1.1.5.6.1.1=i:4"});
    EXPECT_EQ(au4.child_count(), 28u);
    EXPECT_EQ(au4.children[27]->name, "TU11-28");

    // A VC4 AUG checks no radio: an untouched OK sends nothing.
    HsEntry& vc4 = node(6, {"Port-03", "AUG1-01"});
    ASSERT_EQ(read_granularity(*box, vc4, present), 0);
    EXPECT_EQ(granularity_radio(vc4, present), -1);
    sim->clear_requests();
    EXPECT_EQ(apply_granularity(*box, vc4, present, granularity_radio(vc4, present)),
              apply_result::applied);
    EXPECT_TRUE(requests("SET").empty());
    // AU4-TUG3 chosen: the VC4's kinds become TU12 and three nodes of 21 paths appear.
    EXPECT_EQ(apply_granularity(*box, vc4, present, 1), apply_result::applied);
    EXPECT_EQ(requests("SET"),
              std::vector<std::string>{"SET " + root + ".2.1.1.4.6.3.1=i:4," + root +
                                       ".2.1.1.5.6.3.1=i:5," + root + ".2.1.1.6.6.3.1=i:5," + root +
                                       ".2.1.1.7.6.3.1=i:5"});
    ASSERT_EQ(vc4.child_count(), 3u);
    EXPECT_EQ(vc4.children[2]->child_count(), 21u);
}

TEST_F(LineSetup, TraceMessagesAndLabels) {
    HsEntry& port = node(6, {"Port-01"});
    const overhead_group& j0 = overhead_group_for(line_dialog::line_overhead);
    const std::string mode = "SET " + root + ".2.2.1.1.3.6.1=i:";
    struct Case {
        long mode;
        const char* expected;
        const char* transmitted;
        const char* result; // the SET, or the note
    } cases[] = {
        {2, "0123456789ABCDEF", "x",
         "Exp J0 Msg invalid size.  Should be 1 to 15 characters.  Please correct or cancel."},
        {4, "x", "",
         "Tx J0 Msg invalid size.  Should be 1 to 15 characters.  Please correct or cancel."},
        {6, "7g", "01", "Exp J0 Msg invalid.  Range is 0 - FF.  Please correct or cancel."},
        {6, "7f", "100", "Tx J0 Msg invalid.  Range is 0 - FF.  Please correct or cancel."},
        {6, "7f", "", "Tx J0 Msg invalid.  Range is 0 - FF.  Please correct or cancel."},
        {2, "0123456789ABCDE", "far end",
         ".2.2.1.1.3.6.1=i:2,R.2.2.1.1.4.6.1=s:0123456789ABCDE,R.2.2.1.1.5.6.1=s:far end"},
        {6, "7f", " 0a ", ".2.2.1.1.3.6.1=i:6,R.2.2.1.1.7.6.1=i:127,R.2.2.1.1.8.6.1=i:10"},
        {1, "ignored", "", ".2.2.1.1.3.6.1=i:1"},
    };
    for (const Case& c : cases) {
        const apply_result result =
            apply(line_dialog::line_overhead, port, {c.mode, c.expected, c.transmitted});
        if (c.result[0] == '.') {
            std::string set = "SET " + root + c.result;
            for (std::size_t at; (at = set.find(",R.")) != std::string::npos;)
                set.replace(at, 3, "," + root + ".");
            EXPECT_EQ(result, apply_result::applied);
            EXPECT_EQ(requests("SET"), std::vector<std::string>{set});
        } else {
            EXPECT_EQ(result, apply_result::refused);
            EXPECT_EQ(presenter.texts(), std::vector<std::string>{c.result});
            EXPECT_TRUE(sim->requests().empty());
        }
    }
    // The far end of the simulated loop sends back what was transmitted.
    overhead_values values;
    ASSERT_EQ(read_overhead(*box, j0, port, values), 0);
    EXPECT_EQ(values.text[ovh_received], "far end");
    EXPECT_EQ(display_trace(j0, values, 6).received, "0a");

    // High-order labels, and the low-order copy range.
    sim->set_value("R.2.2.2.1.14.6.1.1.100", "i:254");
    HsEntry& aug = node(6, {"Port-01", "AUG1-01"});
    ASSERT_EQ(read_overhead(*box, overhead_group_for(line_dialog::ho_overhead), aug, values), 0);
    EXPECT_EQ(ho_signal_label(static_cast<int>(values.number[ovh_received_label])),
              "FE (Test signal)");
    EXPECT_EQ(lo_signal_label(4), "04 (Byte Synchronous");
    HsEntry& path = node(6, {"Port-01", "AUG1-01", "AU4-01", "TU12-05"});
    overhead_input copy{1, "", "J2", 0, 3, 1, 22};
    EXPECT_EQ(apply(line_dialog::lo_overhead, path, copy), apply_result::refused);
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{"Invalid copy range.  Limit is 1 - 21."});
    copy.to = 2;
    EXPECT_EQ(apply(line_dialog::lo_overhead, path, copy), apply_result::applied);
    EXPECT_EQ(requests("SET").size(), 2u);
    EXPECT_EQ(sim->value("R.2.2.3.1.10.6.1.1.1.1.2"), "s:J2");
}

TEST_F(LineSetup, PopupsOfEveryKindOfEndpoint) {
    // clang-format off
    const struct {
        int slot;
        std::initializer_list<const char*> path;
        std::vector<std::string> entries;
    } cases[] = {
        {2, {"Port-01"}, {"Customer Info", "Line Interface Setup"}},
        {1, {"Port-01"}, {"Customer Info", "Line Interface Setup"}},
        {5, {"Port-01"}, {"Customer Info", "Line Interface Type Setup"}},
        {5, {"Port-01", "Chan-01"}, {"Channel Framer Setup"}},
        {6, {"Port-01"}, {"Line Overhead Setup", "Customer Information Setup"}},
        {6, {"Port-01", "AUG1-01"}, {"HO-Path Granularity Setup", "HO-Path Overhead Setup"}},
        {7, {"Port-01", "STS3-01"}, {"HO-Path Granularity Setup"}},
        {6, {"Port-01", "AUG1-01", "AU4-01"}, {"LO-Path Granularity Setup"}},
        {7, {"Port-01", "STS3-01", "AU4-01"},
            {"LO-Path Granularity Setup", "HO-Path/STS-Path Overhead Setup"}},
        {6, {"Port-01", "AUG1-01", "AU4-01", "TU12-01"},
            {"LO-Path Overhead Setup", "PDH Framer Setup"}},
        {6, {"Port-01", "AUG1-01", "AU4-01", "TU12-01", "TS-01"}, {}},
    };
    // clang-format on
    for (const auto& c : cases) {
        std::vector<std::string> entries;
        for (const popup_entry& e : setup_popup(*box, node(c.slot, c.path)))
            entries.push_back(e.label);
        EXPECT_EQ(entries, c.entries) << *std::prev(c.path.end());
    }
    // The framer dialogs follow the parent's path count and the T3 port's line type.
    HsEntry& channel = node(5, {"Port-01", "Chan-01"});
    EXPECT_EQ(setup_popup(*box, node(6, {"Port-01", "AUG1-01", "AU4-03", "TU11-01"})).back().dialog,
              line_dialog::pdh_t1_framer);
    EXPECT_EQ(line_group_of(*box, line_dialog::t3_e1_framer, channel)->dialog,
              line_dialog::t3_t1_framer);
    sim->set_value("R.5.1.1.1.4.5.1", "i:7");
    EXPECT_EQ(line_group_of(*box, line_dialog::t3_e1_framer, channel), nullptr);
}

TEST_F(LineSetup, CustomerInfo) {
    HsEntry& port = node(1, {"Port-02"});
    EXPECT_EQ(apply_customer_info(*box, port, "   ", true, 1, 3), apply_result::applied);
    for (const char* p : {"R.3.1.3.1.3.1.1", "R.3.1.3.1.3.1.2", "R.3.1.3.1.3.1.3"})
        EXPECT_EQ(sim->value(p), "s:") << p;
    HsEntry& stm = node(6, {"Port-02"});
    sim->clear_requests();
    EXPECT_EQ(apply_customer_info(*box, stm, "", false, 0, 0), apply_result::applied);
    EXPECT_EQ(requests("SET"), std::vector<std::string>{"SET " + root + ".2.25.1.3.6.2=s: "});
    EXPECT_EQ(stm.identifier.value_or(""), "");
}

} // namespace
} // namespace vornex
