// Every request of a whole operation failing in turn: the simulator fails the nth request
// from now, for n = 1, 2, ... until the operation completes. At every n the failure is shown
// once in the words of its kind, no file looks complete and nothing is changed that the
// operation had not done; the run after the last failure proves the program still usable.
#include "base/file_replace.h"
#include "comments/comment_file.h"
#include "comments/comments.h"
#include "device/opening.h"
#include "map_fixture.h"
#include "scripted_progress.h"
#include "snmp/snmp_access.h"
#include "snmp/snmp_library.h"
#include "xc/map_export.h"
#include "xc/map_import.h"
#include "xc/map_management.h"
#include "xc/xc_commands.h"
#include "xc/xc_probe.h"

#include <functional>

namespace vornex {
namespace {

using test::MapFixture;

struct Fault {
    const char* how;    // the simulator's fail-request fault
    const char* status; // the error-status its report names; null for a silent device
};

const Fault faults[] = {
    {"timeout", nullptr},
    {"5", "Generic Error"},
    {"2", "Unknown object name"},
    {"wrong-type", "Unknown object name"}, // a mistyped single read fails as noSuchName
};

// How the messages that report `fault` while doing `what` (nothing: identifying the device)
// begin; the advice of identification and the out-of-sync explanation are asserted with the
// report routines.
std::vector<std::string> report(const Fault& fault, const std::string& host,
                                const snmp_action& what) {
    const std::string name = fault.status != nullptr ? fault.status : "";
    const std::string with = " occurred with " + host;
    const std::string during = what.action != nullptr ? std::string(" while ") + what.action : "";
    if (fault.status == nullptr)
        return {"!!Communication Error\r\n\r\n\r\nA communication timeout" + with + during +
                ".\r\n\r\n" +
                (what.action ? "Verify network connection.\r\n" + std::string(what.advice) + "\r\n"
                             : "")};
    if (what.action == nullptr)
        return {"!!SNMP Error\r\n\r\n\r\nA SNMP error" + with + ".\r\n\r\nSNMP error: " + name};
    std::vector<std::string> texts{"!!SNMP Error\r\n\r\n\r\nA SNMP error occurred" + during +
                                   ".\r\n\r\nSNMP error: " + name + "\r\n\r\n" + what.advice};
    if (name == "Unknown object name")
        texts.insert(texts.begin(), "!!SNMP Error\r\nA SNMP error occurred" + during +
                                        ".\r\n\r\nSNMP Error: " + name +
                                        "\r\n\r\nThis error can occur when the Vornex program "
                                        "is out-of-sync with the device configuration.");
    return texts;
}

// One E1 card with three bidirectional cross-connects between its two ports.
const char* const scenario = R"({
  "sys_name": "r4150-sweep",
  "cards": [{"slot": 1, "type": "E1-NP", "ports": 2, "identifiers": {"1": "LINK-A"}}],
  "cross_connects": [{"dst": "1.1.100.100.100.2", "src": "1.2.100.100.100.2", "count": 3,
                      "type": 1}]
})";
const char* const map2_row = "R.1.16.3.1.9.2.1.1.100.100.100.2";
const char* const mapped_row = "R.1.16.3.1.9.1.1.1.100.100.100.11"; // Port-01 TS-10 on Map1

bool starts(const std::string& start, const std::string& text) {
    return text.rfind(start, 0) == 0;
}

class FaultSweep : public MapFixture, public ::testing::WithParamInterface<Fault> {
protected:
    void SetUp() override {
        timings = sweep_timings;
        start(scenario);
    }

    // Runs `operation` (true when it completed) with the nth request failing, n = 1, 2, ...,
    // until it completes without meeting the fault. A run that met it shows first the report
    // of one of `actions` (or, for a mistyped answer, one of the texts `mistyped`); `rest`
    // keeps what it shows after that. A run that did not complete is checked by `unchanged`,
    // by default: nothing shown after the report and nothing held changed. A run may complete
    // after a failure it has shown (an opening goes on past a card whose ports could not be
    // read), never after silence.
    void sweep(std::vector<snmp_action> actions, const std::function<bool()>& operation,
               std::function<void()> unchanged = {}, std::vector<std::string> mistyped = {}) {
        const Fault& fault = GetParam();
        for (std::size_t n = 1; n < 200; ++n) {
            SCOPED_TRACE("request " + std::to_string(n) + " fails: " + fault.how);
            if (prepare)
                prepare();
            before = cached();
            presenter.clear();
            sim->clear_requests();
            ASSERT_TRUE(sim->fail_request(static_cast<int>(n), fault.how));
            const bool completed = operation();
            const bool reached = sim->requests().size() >= n;
            ASSERT_TRUE(sim->clear_faults());
            const std::vector<std::string> texts = presenter.texts();
            if (!reached) {
                EXPECT_TRUE(completed);
                EXPECT_EQ(texts, std::vector<std::string>{});
                return;
            }
            std::size_t taken = 0;
            for (const snmp_action& what : actions) {
                const auto words = report(fault, sim->peer(), what);
                if (texts.size() >= words.size() &&
                    std::equal(words.begin(), words.end(), texts.begin(), starts))
                    taken = words.size();
            }
            if (!taken && !texts.empty() && std::string(fault.how) == "wrong-type" &&
                std::find(mistyped.begin(), mistyped.end(), texts[0]) != mistyped.end())
                taken = 1;
            EXPECT_TRUE(texts.empty() ? completed && fault.status : taken != 0)
                << (texts.empty() ? "" : texts[0]);
            rest.assign(texts.begin() + static_cast<long>(taken), texts.end());
            if (!completed && unchanged) {
                unchanged();
            } else if (!completed) {
                EXPECT_EQ(std::tuple(rest, cached()),
                          std::tuple(std::vector<std::string>{}, before));
            }
            if (HasFailure())
                return;
        }
        FAIL() << "the operation never completed";
    }

    // The marks, and every endpoint's cached cross-connect and identifiers.
    std::string cached() const {
        if (box == nullptr)
            return {};
        std::string held{box->changes.not_stored() ? 'S' : '-', box->comments_dirty ? 'D' : '-'};
        std::function<void(const EndpointList&)> walk = [&](const EndpointList& list) {
            for (const auto& node : list) {
                if (const endpoint_info* info = comment_find(*box, endpoint_key(*node)))
                    for (const std::string& identifier : info->identifiers)
                        held += identifier + "|";
                held += node->name + address_text(node->peer) + std::to_string(node->xc_valid) +
                        std::to_string(node->channel_type) + std::to_string(node->a_mu_mode) +
                        std::to_string(node->sig_conv_table);
                walk(node->children);
            }
        };
        for (const auto& card : box->cards)
            walk(card->endpoints);
        return held;
    }

    // A time-out costs little, and a slow answer still has its retry.
    static constexpr session_timings sweep_timings{{1, 80'000}, {1, 80'000}, {1, 80'000}};
    std::function<void()> prepare; // what every run needs before the fault is set
    std::string before;            // cached() before the run
    std::vector<std::string> rest; // the messages after the failure's report
};

// Card reads and endpoint builders included.
TEST_P(FaultSweep, Opening) {
    struct NoBrowse : CommentFileChooser {
        int comment_file_browse(OwnerWindow, device_config&) override { return 1; }
    } chooser;
    OpeningServices services{presenter, chooser, sweep_timings, {}, {}};
    device_config config = test::sim_config(*sim);
    sweep(
        {snmp_action{}, reading_configuration_rescan},
        [&] {
            box.reset();
            auto opening =
                DeviceOpening::open(box, config, services, {.model = true, .comments = false});
            return opening.run() == DeviceOpening::Outcome::done;
        },
        // A failure leaves no device or one with both sessions, and none besides.
        [&] {
            EXPECT_EQ(rest, std::vector<std::string>{});
            EXPECT_EQ(snmp_open_session_count(), box != nullptr ? 2 : 0);
        },
        {"get_e1_line_setup(), device did not return all parameters"});
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(test::find_node(*box, 1, {"Port-02", "TS-03"}).name, "TS-03");
}

// A device that stops answering is asked nothing more: the export ends incomplete at once.
TEST_P(FaultSweep, Export) {
    const auto path = dir / "map.csv";
    test::ScriptedProgress progress;
    ASSERT_EQ(map_export(presenter, {}, box.get(), path, {}, progress), 0);
    const std::string whole = test::read_text(path);
    std::filesystem::remove(path);
    prepare = [&] { rebuild(*box); }; // every cross-connect to be read again
    sweep(
        {reading_configuration_rescan},
        [&] { return map_export(presenter, {}, box.get(), path, {}, progress) == 0; },
        [&] {
            ASSERT_EQ(rest.size(), 1u);
            EXPECT_PRED2(starts,
                         "!!Export Incomplete\r\n\r\n\r\nSome cross-connects could "
                         "not be read, so the export was not saved as " +
                             display_path(path),
                         rest[0]);
            EXPECT_FALSE(std::filesystem::exists(path));
        });
    EXPECT_EQ(test::read_text(path), whole);
}

// Setting, clearing and reading a cross-connect, the map copy and activation, each run from a fresh
// tree and with Port-01 TS-10 cross-connected or not as the command needs: a command the device
// carried out but whose verdict was lost is undone first.
TEST_P(FaultSweep, Commands) {
    const xc_attributes both{.xc_type = xc_bidirectional};
    const auto mapped = [&] { return sim->value(mapped_row).has_value(); };
    const auto map = [&] {
        return map_range(*box, node(1, {"Port-01", "TS-10"}), node(1, {"Port-02", "TS-10"}), 2,
                         both, true, "ID-A", "ID-B") == 0;
    };
    const auto unmap = [&] {
        return unmap_range(*box, node(1, {"Port-01", "TS-10"}), 2, both, false) == 0;
    };
    const auto probe = [&] { return xc_probe(*box, node(1, {"Port-01", "TS-02"})) == 0; };
    const auto copy = [&] {
        bool carried_out = false;
        return map_copy(*box, true, &carried_out), carried_out;
    };
    const auto activate = [&] { return activate_map(*box) == 0; }; // Map1 again
    const auto key = endpoint_key(node(1, {"Port-01", "TS-02"}));
    ASSERT_EQ(comment_store(*box, key, {true, {"ID-MAP1", "ID-MAP2", "", ""}, ""}), 0);
    const struct {
        const char* name;
        std::vector<snmp_action> actions;
        std::function<bool()> run;
        bool mapped, mapped_after; // Port-01 TS-10 before every run, and after the last
    } commands[] = {
        {"map", {setting_map_entries}, map, false, true},
        {"unmap", {clearing_map_entries, setting_map_entries}, unmap, true, false},
        {"copy", {copying_map_entries, setting_map_entries}, copy, false, false},
        {"activate", {activating_map, setting_map_entries}, activate, false, false},
        {"probe", {reading_configuration_rescan}, probe, false, false},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command.name);
        prepare = [&] {
            rebuild(*box);
            if (mapped() != command.mapped && !(command.mapped ? map() : unmap()))
                FAIL() << "not restored";
        };
        sweep(command.actions, command.run);
        EXPECT_EQ(mapped(), command.mapped_after);
    }
    EXPECT_EQ(node(1, {"Port-01", "TS-02"}).peer, node(1, {"Port-02", "TS-02"}).address);
    EXPECT_EQ(endpoint_identifier(box.get(), node(1, {"Port-02", "TS-11"})), "ID-B");
    EXPECT_TRUE(sim->value(map2_row));
    EXPECT_EQ(comment_find(*box, key)->identifiers[1], "ID-MAP1");
}

// A row that fails goes into the count of errors and the next row is tried; every import,
// whole or not, ends with its closing steps.
TEST_P(FaultSweep, Import) {
    const auto path = dir / "import.csv";
    test::write_file(path, test::export_header +
                               "unidirectional, 1, data, , , \"\", E1-NP, Trib1, Port-01, TS-10, "
                               ", , , \"\", E1-NP, Trib1, Port-02, TS-10, , , , # \r\n"
                               "bidirectional, 2, voice, , , \"\", E1-NP, Trib1, Port-01, TS-20, "
                               ", , , \"\", E1-NP, Trib1, Port-02, TS-20, , , , # \r\n");
    ImportOptions options{true, false, {}}; // warnings suppressed
    ImportResult result;
    test::ScriptedProgress progress;
    sweep(
        {reading_configuration_rescan, clearing_map_entries, setting_map_entries},
        [&] {
            result = {};
            box->changes.set_not_stored(false);
            EXPECT_EQ(map_import(*box, path, options, progress, &result), 0);
            return result.errors == 0;
        },
        [&] {
            EXPECT_EQ(result.applied + result.errors, 2);
            EXPECT_TRUE(progress.phases.back().finished);
            EXPECT_TRUE(box->changes.not_stored());
        });
    EXPECT_EQ(result.applied, 2);
    EXPECT_EQ(sim->value("R.1.16.3.1.9.1.1.1.100.100.100.11"), "i:1");
    EXPECT_EQ(sim->value("R.1.16.3.1.9.1.1.2.100.100.100.22"), "i:1");
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultSweep, ::testing::ValuesIn(faults), [](const auto& info) {
    std::string name = info.param.how;
    std::erase(name, '-');
    return name == "2" ? "NoSuchName" : name == "5" ? "GenErr" : name;
});

} // namespace
} // namespace vornex
