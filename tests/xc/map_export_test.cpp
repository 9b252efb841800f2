// The export file against the simulator: its exact header and rows, the grouping rules,
// the options, the two progress phases and their cancels, and the file errors.
#include "comments/comments.h"
#include "device/box.h"
#include "file_size_limit.h"
#include "map_fixture.h"
#include "scripted_progress.h"
#include "xc/map_export.h"
#include "xc/xc_probe.h"

namespace vornex {
namespace {

using test::export_header;
using test::MapFixture;
using test::ScriptedProgress;

// Two E1 cards: a bidirectional block of 24 timeslots, one-way cross-connects (one whose far
// end goes elsewhere, a pair that differs in channel type), and signal conversion tables.
const char* const scenario = R"({
  "sys_name": "r4150-export",
  "cards": [{"slot": 1, "type": "E1-NP", "ports": 8}, {"slot": 3, "type": "E1-NP", "ports": 8}],
  "cross_connects": [
    {"dst": "1.1.100.100.100.2", "src": "3.1.100.100.100.2", "count": 24, "type": 1},
    {"dst": "1.2.100.100.100.2", "src": "3.2.100.100.100.2", "type": 2},
    {"dst": "3.2.100.100.100.2", "src": "1.3.100.100.100.2", "type": 2},
    {"dst": "1.4.100.100.100.2", "src": "3.4.100.100.100.2", "type": 2, "channel": 1},
    {"dst": "3.4.100.100.100.2", "src": "1.4.100.100.100.2", "type": 2, "channel": 2},
    {"dst": "1.5.100.100.100.2", "src": "3.5.100.100.100.2", "type": 2, "channel": 2, "table": 7},
    {"dst": "1.6.100.100.100.2", "src": "3.6.100.100.100.2", "type": 2, "channel": 2}
  ]
})";

const std::string card1_rows =
    "bidirectional, 24, data, , , \"\", E1-NP, Trib1, Port-01, TS-01, , , , \"\", E1-NP, Trib3, "
    "Port-01, TS-01, , , , # \r\n"
    "unidirectional, 1, data, , , \"\", E1-NP, Trib1, Port-02, TS-01, , , , \"\", E1-NP, Trib3, "
    "Port-02, TS-01, , , , # \r\n"
    "unidirectional, 1, data, , , \"\", E1-NP, Trib1, Port-04, TS-01, , , , \"\", E1-NP, Trib3, "
    "Port-04, TS-01, , , , # \r\n"
    "unidirectional, 1, voice, , 007, \"\", E1-NP, Trib1, Port-05, TS-01, , , , \"\", E1-NP, "
    "Trib3, Port-05, TS-01, , , , # \r\n"
    "unidirectional, 1, voice, a-mu-conv, , \"\", E1-NP, Trib1, Port-06, TS-01, , , , \"\", "
    "E1-NP, Trib3, Port-06, TS-01, , , , # \r\n";

const std::string card3_rows =
    "unidirectional, 1, data, , , \"\", E1-NP, Trib3, Port-02, TS-01, , , , \"\", E1-NP, Trib1, "
    "Port-03, TS-01, , , , # \r\n"
    "unidirectional, 1, voice, , , \"\", E1-NP, Trib3, Port-04, TS-01, , , , \"\", E1-NP, Trib1, "
    "Port-04, TS-01, , , , # \r\n";

class MapExport : public MapFixture {
protected:
    void SetUp() override {
        start(scenario);
        // What the set command cannot make: a table of 0 and A->Mu on, written into the row.
        ASSERT_TRUE(sim->set_value("R.1.16.3.1.18.1.1.6.100.100.100.2", "i:0"));
        ASSERT_TRUE(sim->set_value("R.1.16.3.1.17.1.1.6.100.100.100.2", "i:2"));
    }

    std::string text(const ExportOptions& options) {
        bool stopped = false;
        return map_export_text(*box, options, progress, stopped);
    }

    void identify(HsEntry& leaf, const char* text) {
        ASSERT_EQ(comment_set_map_identifier(*box, leaf, text), 0);
    }

    ScriptedProgress progress;
};

TEST_F(MapExport, AssignedRowsExactly) {
    EXPECT_EQ(text({true, false}), export_header + card1_rows + card3_rows + "\r\n");
    EXPECT_TRUE(presenter.shown.empty());
    const auto* phase = progress.phase("Exporting...");
    ASSERT_NE(phase, nullptr); // every port and timeslot, the in-band's too
    EXPECT_EQ(std::tuple(phase->total, phase->done, phase->finished),
              std::tuple((8 + 8 + 2) * 32, (8 + 8 + 2) * 32, true));

    // Both options off: the header and the last line end only.
    EXPECT_EQ(text({false, false}), export_header + "\r\n");
}

TEST_F(MapExport, UnmappedRunsAreGroupedByIdentifier) {
    HsEntry& port7 = node(1, {"Port-07"});
    for (int ts = 0; ts < 3; ++ts)
        identify(*port7.children[static_cast<std::size_t>(ts)], "SPARE");
    const std::string all = text({false, true});
    const std::string unmapped =
        "unmapped, 3, , , , \"SPARE\", E1-NP, Trib1, Port-07, TS-01, , , , \"\", , , , , , , , "
        "# \r\n"
        "unmapped, 28, , , , \"\", E1-NP, Trib1, Port-07, TS-04, , , , \"\", , , , , , , , # \r\n";
    EXPECT_NE(all.find(unmapped), std::string::npos) << all;
    // Port-01 of card 1: only TS-25..TS-31 are free; a port with one connected timeslot
    // splits into no more rows than the free runs around it.
    EXPECT_NE(all.find("unmapped, 7, , , , \"\", E1-NP, Trib1, Port-01, TS-25,"),
              std::string::npos);
    EXPECT_NE(all.find("unmapped, 30, , , , \"\", E1-NP, Trib1, Port-02, TS-02,"),
              std::string::npos);
    EXPECT_EQ(all.find("bidirectional"), std::string::npos);
}

TEST_F(MapExport, DifferentIdentifiersSplitABlock) {
    identify(node(1, {"Port-01", "TS-05"}), "TRUNK-5");
    identify(node(3, {"Port-01", "TS-10"}), "FAR-10"); // a source's identifier counts too
    const std::string all = text({true, false});
    const std::string rows =
        "bidirectional, 4, data, , , \"\", E1-NP, Trib1, Port-01, TS-01, , , , \"\", E1-NP, "
        "Trib3, Port-01, TS-01, , , , # \r\n"
        "bidirectional, 1, data, , , \"TRUNK-5\", E1-NP, Trib1, Port-01, TS-05, , , , \"\", "
        "E1-NP, Trib3, Port-01, TS-05, , , , # \r\n"
        "bidirectional, 4, data, , , \"\", E1-NP, Trib1, Port-01, TS-06, , , , \"\", E1-NP, "
        "Trib3, Port-01, TS-06, , , , # \r\n"
        "bidirectional, 1, data, , , \"\", E1-NP, Trib1, Port-01, TS-10, , , , \"FAR-10\", "
        "E1-NP, Trib3, Port-01, TS-10, , , , # \r\n"
        "bidirectional, 14, data, , , \"\", E1-NP, Trib1, Port-01, TS-11, , , , \"\", E1-NP, "
        "Trib3, Port-01, TS-11, , , , # \r\n";
    EXPECT_EQ(all.substr(export_header.size(), rows.size()), rows);
    // Still written once: nothing from card 3's side of the block.
    EXPECT_EQ(all.find("Trib3, Port-01, TS-01, , , , \"\", E1-NP, Trib1"), std::string::npos);
}

TEST_F(MapExport, CancelsOfBothPhases) {
    // While reading: everything is exported all the same.
    progress.cancel_at("Reading Map...", 1);
    const auto path = dir / "cancel.csv";
    ASSERT_EQ(map_export(presenter, {}, box.get(), path, {true, false}, progress), 0);
    const auto* reading = progress.phase("Reading Map...");
    ASSERT_NE(reading, nullptr);
    EXPECT_EQ(std::tuple(reading->done, reading->finished), std::tuple(1, true));
    EXPECT_EQ(test::read_text(path), export_header + card1_rows + card3_rows + "\r\n");

    // While exporting, at the first poll on card 3 (card 1 has 8 ports of 32 endpoints): the
    // rows written are kept.
    progress.cancel_at("Exporting...", 8 * 32 + 1);
    ASSERT_EQ(map_export(presenter, {}, box.get(), path, {true, false}, progress), 0);
    EXPECT_EQ(test::read_text(path), export_header + card1_rows + "\r\n");
    EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(MapExport, AFailedReadLeavesTheRowsReadUnderATemporaryName) {
    ASSERT_TRUE(sim->fail_prefix("R.1.16.3.1.9.1.3.1", 5)); // card 3's Port-01 rows
    const auto path = dir / "failed.csv";
    EXPECT_EQ(map_export(presenter, {}, box.get(), path, {true, false}, progress), 1);
    EXPECT_FALSE(std::filesystem::exists(path));
    const std::string prefix = "!!Export Incomplete\r\n\r\n\r\nSome cross-connects could not be "
                               "read, so the export was not saved as " +
                               path.string() + ".\r\n\r\nThe rows written are in ";
    const std::string& shown = presenter.last().text;
    ASSERT_EQ(shown.rfind(prefix, 0), 0u) << shown;
    const std::filesystem::path temporary =
        shown.substr(prefix.size(), shown.size() - prefix.size() - 1);
    EXPECT_EQ(temporary.parent_path(), dir);
    // The block whose far end could not be read is in no row, not a one-way one.
    EXPECT_EQ(test::read_text(temporary), export_header +
                                              card1_rows.substr(card1_rows.find("unidirectional")) +
                                              card3_rows + "\r\n");
}

TEST_F(MapExport, FileErrorsAndNoDevice) {
    const auto path = dir / "missing-folder" / "map.csv";
    EXPECT_EQ(map_export(presenter, {}, box.get(), path, {}, progress), 1);
    EXPECT_EQ(presenter.last().text, "!!Write Error\r\n\r\n\r\nUnable to create export file " +
                                         path.string() + "\r\n\r\nNo such file or directory");
    EXPECT_TRUE(progress.phases.empty()); // nothing read before the file exists

    EXPECT_EQ(map_export(presenter, {}, nullptr, dir / "x.csv", {}, progress), 1);
    EXPECT_EQ(map_read_all(presenter, {}, nullptr, progress), 1);
    EXPECT_EQ(presenter.texts().back(), "!Error\r\n\r\n\r\n\r\nPlease select a device.");
    EXPECT_FALSE(std::filesystem::exists(dir / "x.csv"));

    // No room for the file: writing fails, and nothing is left.
    const auto big = dir / "big.csv";
    EXPECT_EQ(test::with_file_size_limit(
                  100, [&] { return map_export(presenter, {}, box.get(), big, {}, progress); }),
              1);
    EXPECT_EQ(presenter.last().text, "!!Write Error\r\n\r\n\r\nError writing file " + big.string() +
                                         "\r\n\r\nFile too large");
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        EXPECT_NE(entry.path().filename().string().rfind("big.csv", 0), 0u) << entry.path();

    EXPECT_EQ(export_file_name("/home/op/devices/north-hub.lcf"), "north-hub.csv");
    EXPECT_EQ(export_file_name(""), "export.csv");
}

// Two leaves that claim one address (which a device never reports) make the far end of a
// written pair come up again with an unmarked partner: the export says so and goes on.
TEST(MapExportMarks, MarkErrorIsShownAndTheExportGoesOn) {
    test::RecordingPresenter presenter;
    Box box(presenter);
    box.model = &device_models[0];
    box.displayed_map = 1;
    // Port-01 TS-01 in slots 1, 3 and 1 again (a later card), each naming the other slot's.
    for (std::uint8_t slot : {1, 3, 1}) {
        Card& card = new_card(box);
        card.slot = card.address_slot = card.name_index = slot;
        card.type_name = "E1-NP";
        HsEntry& port = append_entry(card.endpoints, nullptr, card);
        port.name = "Port-01";
        port.address = {slot, 1, 100, 100, 100, 100};
        NewHsEntry(card, port, 2, 2);
        HsEntry& leaf = *port.children[0];
        leaf.peer = {static_cast<std::uint8_t>(4 - slot), 1, 100, 100, 100, 2};
        leaf.channel_type = leaf.a_mu_mode = 1;
        leaf.sig_conv_table = 257;
        leaf.xc_valid = true;
    }
    ScriptedProgress progress;
    bool cancelled = false;
    const std::string text = map_export_text(box, {true, false}, progress, cancelled);
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{"Error\r\n\r\n\r\nExport mark error for "
                                                          "dst 1 1 100 100 100 2."});
    EXPECT_EQ(presenter.last().owner, OwnerWindow::main_window());
    // Written from the first leaf, and again from the second.
    const std::string row = "bidirectional, 1, data, , , \"\", E1-NP, Trib1, Port-01, TS-01, , , , "
                            "\"\", E1-NP, Trib3, Port-01, TS-01, , , , # \r\n";
    EXPECT_EQ(text.substr(text.find("#\r\n") + 3), row + row + "\r\n");
}

} // namespace
} // namespace vornex
