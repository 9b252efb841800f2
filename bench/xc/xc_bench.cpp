// Reading every cross-connect of the displayed map, leaf by leaf in tree order, the way a
// view or the export uses them: SNMP requests per leaf and wall time, next to the fewest
// requests possible. An answer carries one table row, so every cross-connected leaf costs
// a request of its own, and a run of free leaves is settled by the request that reads the
// connected leaf ending it (or by one request when nothing follows it).
#include "device/box.h"
#include "device/model_steps.h"
#include "model/card.h"
#include "recording_presenter.h"
#include "sim_process.h"
#include "test_device.h"
#include "xc/xc_probe.h"

#include <chrono>
#include <cstdio>

using namespace vornex;

namespace {

struct Counts {
    std::size_t leaves = 0;
    std::size_t connected = 0;
    std::size_t fewest = 0;
};

// Reads every leaf below `list` and counts what the fewest requests would be.
void read_all(Box& box, EndpointList& list, Counts& counts) {
    bool free_run_open = false;
    for (auto& node : list) {
        if (!node->is_leaf()) {
            read_all(box, node->children, counts);
            continue;
        }
        bool failed = false;
        xc_read_leaf(box, *node, failed);
        ++counts.leaves;
        if (is_connected(*node)) {
            ++counts.connected;
            ++counts.fewest;
            free_run_open = false;
        } else {
            free_run_open = true;
        }
    }
    if (free_run_open) {
        ++counts.fewest;
    }
}

void run(const char* scenario) {
    auto sim = test::SimProcess::start(scenario);
    test::RecordingPresenter presenter;
    auto box = sim ? test::open_test_box(presenter, *sim) : nullptr;
    if (!box) {
        std::printf("%s: the device did not open\n", scenario);
        return;
    }
    get_controllers(*box);
    ModelSteps(*box).run();
    sim->clear_requests();
    Counts counts;
    const auto start = std::chrono::steady_clock::now();
    for (auto& card : box->cards) {
        read_all(*box, card->endpoints, counts);
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const std::size_t requests = sim->requests().size();
    std::printf("\n%s\nleaves %zu, cross-connected %zu\nrequests %zu, fewest %zu, ratio %.3f\n"
                "requests per leaf %.3f, %.1f ms in all, %.1f leaves per ms\n",
                scenario, counts.leaves, counts.connected, requests, counts.fewest,
                static_cast<double>(requests) / static_cast<double>(counts.fewest),
                static_cast<double>(requests) / static_cast<double>(counts.leaves), ms,
                static_cast<double>(counts.leaves) / ms);
}

} // namespace

int main() {
    run("demo");
    run(VORNEX_BENCH_FILLED_SCENARIO);
    return 0;
}
