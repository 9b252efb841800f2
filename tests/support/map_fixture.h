#pragma once
// A device on the simulator with its endpoint trees built and Map1 displayed, for the map
// management, export and import tests, with a scratch folder for their files.

#include "device/box.h"
#include "device/model_steps.h"
#include "model/card.h"
#include "recording_presenter.h"
#include "scratch_files.h"
#include "sim_process.h"
#include "test_device.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace vornex::test {

// The number of logged requests that start with `prefix` ("SET ", "GETNEXT ").
inline long count_requests(const std::vector<std::string>& log, const std::string& prefix) {
    return std::count_if(log.begin(), log.end(),
                         [&](const std::string& r) { return r.rfind(prefix, 0) == 0; });
}

// The first line of an export file, as the program writes it and the import expects it.
inline const std::string export_header =
    "# XC Type, TS Count, Channel Type, A->Mu Mode, Signal Conv. Table, Destination_ID, "
    "Destination_Card, Destination_Slot, Destination, , , , , Source_ID, Source_Card, "
    "Source_Slot, Source, , , , , #\r\n";

class MapFixture : public ::testing::Test {
protected:
    // `scenario` is a scenario name, or JSON text that is written to a file first.
    void start(const std::string& scenario) {
        std::string name = scenario;
        if (scenario.front() == '{') {
            name = (dir / "scenario.json").string();
            write_file(name, scenario);
        }
        sim = SimProcess::start(name);
        ASSERT_NE(sim, nullptr);
        box = open(*sim);
        ASSERT_NE(box, nullptr);
    }

    std::unique_ptr<Box> open(SimProcess& on) {
        auto opened = open_test_box(presenter, on, timings);
        if (opened != nullptr) {
            opened->displayed_map = 1;
            opened->active_map = 1;
            EXPECT_EQ(ModelSteps(*opened).run(), ModelSteps::Outcome::done);
        }
        presenter.clear();
        return opened;
    }

    // What a reload does: every tree built again, every cross-connect to be read again.
    void rebuild(Box& which) { ASSERT_EQ(ModelSteps(which).run(), ModelSteps::Outcome::done); }

    // A node by its names from the card's slot down: node(1, {"Port-01", "TS-05"}).
    HsEntry& node(int slot, std::initializer_list<const char*> path) {
        return test::find_node(*box, slot, path);
    }

    session_timings timings = quick_timings; // of the boxes open() opens
    ScratchDir scratch;
    const std::filesystem::path dir = scratch.path();
    std::unique_ptr<SimProcess> sim;
    RecordingPresenter presenter;
    std::unique_ptr<Box> box;
};

} // namespace vornex::test
