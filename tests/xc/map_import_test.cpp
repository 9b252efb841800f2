// The import against the simulator: the round trip through export, every row warning in
// the program's words, suppressed and stopped imports, the cancel question, the older
// layout, identifiers, line ends, and the dry run.
#include "comments/comments.h"
#include "device/box.h"
#include "map_fixture.h"
#include "scripted_progress.h"
#include "xc/map_export.h"
#include "xc/map_import.h"
#include "xc/xc_probe.h"

namespace vornex {
namespace {

using test::count_requests;
using test::export_header;
using test::MapFixture;
using test::ScriptedProgress;

const char* const two_cards = R"({
  "cards": [{"slot": 1, "type": "E1-NP", "ports": 8}, {"slot": 3, "type": "E1-NP", "ports": 8}],
  "cross_connects": [
    {"dst": "1.1.100.100.100.2", "src": "3.1.100.100.100.2", "count": 4, "type": 1}
  ]
})";

// A row of the current layout between E1 timeslots: "1.7.3" is Trib1 Port-07 TS-03.
std::string row(const std::string& type, const std::string& count, const std::string& channel,
                const std::string& dst, const std::string& src, const std::string& a_mu = "",
                const std::string& table = "", const std::string& dst_id = "",
                const std::string& src_id = "") {
    const auto path = [](const std::string& at) {
        int slot = 0, port = 0, ts = 0;
        if (std::sscanf(at.c_str(), "%d.%d.%d", &slot, &port, &ts) != 3)
            return std::string(", , , , , , , ");
        char text[80];
        std::snprintf(text, sizeof text, "E1-NP, Trib%d, Port-%02d, TS-%02d, , , , ", slot, port,
                      ts);
        return std::string(text);
    };
    return type + ", " + count + ", " + channel + ", " + a_mu + ", " + table + ", \"" + dst_id +
           "\", " + path(dst) + "\"" + src_id + "\", " + path(src) + "# \r\n";
}

class MapImport : public MapFixture {
protected:
    std::filesystem::path file(const std::string& name, const std::string& text) {
        const auto path = dir / name;
        test::write_file(path, text);
        return path;
    }

    // Rows applied, warnings counted, and whether the operator stopped it.
    static std::tuple<long, long, bool> counts(const ImportResult& r) {
        return {r.applied, r.errors, r.stopped};
    }

    ImportResult import(const std::filesystem::path& path, ImportOptions options = {}) {
        ImportResult result;
        EXPECT_EQ(map_import(*box, path, options, progress, &result), 0);
        return result;
    }

    std::string export_text(Box& which) {
        ScriptedProgress quiet;
        map_read_all(presenter, OwnerWindow{}, &which, quiet);
        bool cancelled = false;
        return map_export_text(which, {}, quiet, cancelled);
    }

    // The device's source of a destination on Map1, "slot.port.ts", or "none".
    std::string source_of(const std::string& dst) {
        int slot = 0, port = 0, ts = 0;
        std::sscanf(dst.c_str(), "%d.%d.%d", &slot, &port, &ts);
        const std::string index = "1." + std::to_string(slot) + "." + std::to_string(port) +
                                  ".100.100.100." + std::to_string(ts + 1);
        const auto s = sim->value("R.1.16.3.1.9." + index);
        if (!s) {
            return "none";
        }
        const auto p = sim->value("R.1.16.3.1.11." + index);
        const auto t = sim->value("R.1.16.3.1.15." + index);
        return s->substr(2) + "." + p->substr(2) + "." +
               std::to_string(std::stoi(t->substr(2)) - 1);
    }

    std::vector<std::string> warnings() {
        std::vector<std::string> out;
        for (const auto& text : presenter.texts()) {
            if (text.rfind("Import Error\r\n", 0) == 0) {
                out.push_back(text.substr(14));
            }
        }
        return out;
    }

    // Options for a dry run that collects what it would do in `lines`.
    ImportOptions dry_run() {
        ImportOptions options;
        options.dry_run = [this](const std::string& line) { lines.push_back(line); };
        return options;
    }

    ScriptedProgress progress;
    std::vector<std::string> lines;
};

// Export, emptied map, import and the same export again are in
// MapsCli.ExportIsTheProgramsAndADryRunSendsNothing; here the file with LF line ends, into a
// map that is still full: every row is cleared and made again.
TEST_F(MapImport, RoundTripWithLfLinesIntoAFullMap) {
    start("demo");
    const std::string first = export_text(*box);
    ASSERT_NE(first.find("bidirectional, 31, "), std::string::npos);
    std::string lf = first;
    std::erase(lf, '\r');
    box->changes.set_not_stored(false);
    const ImportResult result = import(file("demo-lf.csv", lf));
    EXPECT_TRUE(presenter.shown.empty()) << presenter.texts().front();
    EXPECT_EQ(counts(result), std::tuple(6, 0, false)); // the demo's six cross-connects
    EXPECT_TRUE(box->changes.not_stored());
    rebuild(*box);
    EXPECT_EQ(export_text(*box), first);
}

TEST_F(MapImport, EveryRowWarningInTheProgramsWords) {
    start(two_cards);
    std::string text = export_header;
    const std::string full = row("unidirectional", "1", "data", "1.7.1", "3.7.1");
    text += full.substr(0, full.size() - 8) + "\r\n";                             // 2: 20 fields
    text += row("unidirectional", "0", "data", "1.7.1", "3.7.1");                 // 3
    text += row("unidirectional", "32", "data", "1.7.1", "3.7.1");                // 4
    text += row("unidirectional", "", "data", "1.7.1", "3.7.1");                  // 5
    text += row("sideways", "1", "data", "1.7.1", "3.7.1");                       // 6
    text += row("unidirectional", "1", "fax", "1.7.1", "3.7.1");                  // 7
    text += row("unidirectional", "1", "data", "1.7.1", "3.7.1", "mu-a");         // 8
    text += row("unidirectional", "1", "voice", "1.7.1", "3.7.1", "", "300");     // 9
    text += row("unidirectional", "1", "data", "1.9.1", "3.7.1");                 // 10
    text += row("unidirectional", "1", "data", "1.7.1", "3.7.40");                // 11
    text += row("unidirectional", "1", "data", "1.7.1", "3.7.1", "", "", "A\\B"); // 12
    text += row("unidirectional", "3", "data", "1.7.30", "3.7.30");               // 13: past TS-31
    text += "\r\n";
    text += row("BIDIRECTIONAL", "2", "Data", "1.7.5", "3.7.5", "A-MU-CONV", "", "EAST", "WEST");
    text += row("unmapped", "3", "", "1.7.10", "");
    presenter.answers.assign(20, dialog_ok);
    const ImportResult result = import(file("warnings.csv", text), {false, true, {}});
    EXPECT_EQ(warnings(),
              (std::vector<std::string>{
                  "Import file line 2, insufficient number of fields. (20 fields)",
                  "Import file line 3, invalid TS_Count 0.",
                  "Import file line 4, invalid TS_Count 32.",
                  "Import file line 5, missing TS_Count.",
                  "Import file line 6, unknown XC type. \"sideways\"",
                  "Import file line 7, channel type is invalid.",
                  "Import file line 8, A->Mu Mode is invalid.",
                  "Import file line 9, Signal Conversion Table value is invalid.",
                  "Import file line 10, invalid target. May be due to configuration mismatch.",
                  "Import file line 11, invalid source. May be due to configuration or "
                  "granularity mismatch.",
                  "Import file line 12, invalid identifier.",
                  "Import file line 13, mapping error.",
              }));
    // The device named its refusal first.
    EXPECT_NE(presenter.texts()[11].find("ts-set-out-of-range(32)"), std::string::npos);
    EXPECT_EQ(counts(result), std::tuple(1, 12, false));
    EXPECT_EQ(
        std::tuple(progress.phase("Importing...")->errors, progress.phase("Importing...")->total),
        std::tuple(12, 16));
    EXPECT_EQ((std::vector{source_of("1.7.5"), source_of("3.7.6"), source_of("1.7.7"),
                           source_of("1.7.1")}),
              (std::vector<std::string>{"3.7.5", "1.7.6", "none", "none"}));
    EXPECT_EQ(sim->value("R.1.16.3.1.17.1.1.7.100.100.100.6"), "i:2");
    EXPECT_EQ(endpoint_identifier(box.get(), node(1, {"Port-07", "TS-06"})), "EAST");
    EXPECT_EQ(endpoint_identifier(box.get(), node(3, {"Port-07", "TS-05"})), "WEST");

    // Suppressed: the same rows are counted, and no box is shown for them.
    presenter.clear();
    const ImportResult quiet = import(file("warnings.csv", text), {true, true, {}});
    EXPECT_EQ(warnings().size(), 0u);
    EXPECT_EQ(counts(quiet), std::tuple(1, 12, false));
}

TEST_F(MapImport, MissingFileAndCancelInAWarningOrInTheProgress) {
    start(two_cards);
    EXPECT_EQ(map_import(*box, dir / "none.csv", {}, progress), 1);
    EXPECT_EQ(presenter.last().text, "!!Read Error\r\n\r\n\r\nUnable to open file " +
                                         (dir / "none.csv").string() +
                                         "\r\n\r\nNo such file or directory");
    EXPECT_TRUE(progress.phases.empty());
    EXPECT_FALSE(box->changes.not_stored());
    // Cancel in a row's warning stops the import and keeps the partial map.
    std::string text = row("unidirectional", "2", "data", "1.6.1", "3.6.1");
    text += row("unidirectional", "0", "data", "1.6.5", "3.6.5");
    text += row("unidirectional", "2", "data", "1.6.9", "3.6.9");
    presenter.answers = {dialog_cancel};
    const ImportResult stopped = import(file("stop.csv", text));
    EXPECT_EQ(counts(stopped), std::tuple(1, 0, true));
    EXPECT_EQ(stopped.lines, 2);
    EXPECT_EQ(source_of("1.6.2"), "3.6.2");
    EXPECT_EQ(source_of("1.6.9"), "none");
    EXPECT_TRUE(box->changes.not_stored());
    EXPECT_TRUE(progress.phase("Importing...")->finished);

    // Cancel in the progress asks first: No goes on with the line, Yes stops.
    text = row("unidirectional", "1", "data", "1.6.11", "3.6.11");
    text += row("unidirectional", "1", "data", "1.6.12", "3.6.12");
    text += row("unidirectional", "1", "data", "1.6.13", "3.6.13");
    const auto path = file("cancel.csv", text);
    progress.cancel_at("Importing...", 1);
    presenter.clear();
    presenter.answers = {dialog_cancel};
    EXPECT_FALSE(import(path).stopped);
    EXPECT_EQ(presenter.texts(),
              std::vector<std::string>{"Cancel Import\r\n\r\n\r\nCancelling the import will result "
                                       "in a partial map.  Cancel?"});
    EXPECT_EQ(source_of("1.6.13"), "3.6.13");

    progress.cancel_at("Importing...", 2);
    presenter.answers = {dialog_ok};
    EXPECT_EQ(counts(import(path)), std::tuple(1, 0, true));
}

TEST_F(MapImport, OlderLayoutIsGatheredIntoRuns) {
    start(two_cards);
    std::string text = "Channel Type,A->Mu Mode,Signal Conv. Table,Dst Card,Dst Slot,Dst Port,"
                       "Dst TS,,,Src Card,Src Slot,Src Port,Src TS,,\n";
    for (int ts = 1; ts <= 24; ++ts) {
        char line[160];
        std::snprintf(line, sizeof line,
                      "data,,,E1-NP,Trib3,Port-05,TS-%02d,,,E1-NP,Trib1,Port-05,TS-%02d,,\n", ts,
                      ts);
        text += line;
    }
    // A voice timeslot after the block starts a run of its own.
    text += "voice,a-mu-conv,12,E1-NP,Trib3,Port-05,TS-25,,,E1-NP,Trib1,Port-05,TS-25,,\n";
    text += "data,,,E1-NP,Trib3,Port-09,TS-01,,,E1-NP,Trib1,Port-05,TS-26,,\n";
    sim->clear_requests();
    presenter.answers = {dialog_ok};
    EXPECT_EQ(counts(import(file("legacy.csv", text))), std::tuple(2, 1, false));
    EXPECT_EQ(warnings(), std::vector<std::string>{"Import file line 27, invalid target. May be "
                                                   "due to configuration mismatch."});
    // One clear and one set for each run, nothing more.
    EXPECT_EQ(count_requests(sim->requests(), "SET "), 4);
    EXPECT_EQ(source_of("3.5.1"), "1.5.1");
    EXPECT_EQ(source_of("3.5.24"), "1.5.24");
    EXPECT_EQ(source_of("1.5.1"), "none"); // one-way
    EXPECT_EQ(sim->value("R.1.16.3.1.18.1.3.5.100.100.100.26"), "i:12");
}

// A row that differs from the device: what is there is cleared first. (An unchanged map
// gives nothing to change: MapsCli.ExportIsTheProgramsAndADryRunSendsNothing.)
TEST_F(MapImport, DryRunClearsFirstSendsNoSetAndNamesTheOneWayRowLeft) {
    start(two_cards);
    ASSERT_EQ(map_import(*box,
                         file("make.csv", row("unidirectional", "1", "data", "1.6.1", "3.6.1")), {},
                         progress),
              0);
    rebuild(*box);
    box->changes.set_not_stored(false);
    sim->clear_requests();
    import(file("busy.csv", row("unidirectional", "1", "voice", "1.6.1", "3.6.1")), dry_run());
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "line 1: clear E1-NP Trib1 Port-06 TS-01 count 1",
                         "line 1: make unidirectional E1-NP Trib1 Port-06 TS-01 <- E1-NP Trib3 "
                         "Port-06 TS-01 count 1"}));
    EXPECT_EQ(count_requests(sim->requests(), "SET "), 0);
    EXPECT_FALSE(box->changes.not_stored());

    // Re-pointing one end of a bidirectional block leaves the far end's half as a one-way row;
    // the dry run tells of it as of the rest.
    lines.clear();
    const auto path = file("repoint.csv", row("unidirectional", "2", "data", "1.1.2", "3.2.1"));
    import(path, dry_run());
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "line 1: clear E1-NP Trib1 Port-01 TS-02 count 2",
                         "line 1: leave unidirectional E1-NP Trib3 Port-01 TS-02 <- E1-NP Trib1 "
                         "Port-01 TS-02 count 2",
                         "line 1: make unidirectional E1-NP Trib1 Port-01 TS-02 <- E1-NP Trib3 "
                         "Port-02 TS-01 count 2"}));
    import(path);
    EXPECT_EQ((std::vector{source_of("1.1.2"), source_of("3.1.2"), source_of("3.1.3")}),
              (std::vector<std::string>{"3.2.1", "1.1.2", "1.1.3"}));
}

// Runs of the older layout hold at most 31 lines; checked on a tree of 40 siblings, which
// no card has, through the dry run (which reads nothing for leaves already read).
TEST_F(MapImport, OlderLayoutRunsHoldAtMost31Lines) {
    box = std::make_unique<Box>(presenter);
    box->model = &device_models[0];
    for (std::uint8_t slot : {1, 3}) {
        Card& card = new_card(*box);
        card.slot = card.address_slot = card.name_index = slot;
        card.type_name = "E1-NP";
        HsEntry& port = append_entry(card.endpoints, nullptr, card);
        port.name = "Port-01";
        port.address = {slot, 1, 100, 100, 100, 100};
        NewHsEntry(card, port, 2, 41); // TS-01 to TS-40
        for (auto& leaf : port.children)
            mark_not_connected(*leaf);
    }
    std::string text;
    for (int i = 1; i <= 40; ++i) {
        const std::string ts = (i < 10 ? "TS-0" : "TS-") + std::to_string(i);
        text += "data,,,E1-NP,Trib3,Port-01," + ts + ",,,E1-NP,Trib1,Port-01," + ts + ",,\r\n";
    }
    import(file("long.csv", text), dry_run());
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "line 32: make unidirectional E1-NP Trib3 Port-01 TS-01 <- E1-NP Trib1 "
                         "Port-01 TS-01 count 31",
                         "line 40: make unidirectional E1-NP Trib3 Port-01 TS-32 <- E1-NP Trib1 "
                         "Port-01 TS-32 count 9"}));
}

} // namespace
} // namespace vornex
