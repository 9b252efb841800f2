// Opening a device's model against the simulator: SNMP requests per step next to the
// fewest requests the device's object groups allow, wall time and peak memory.
//
// The fewest requests, per step, follow from how the objects are grouped: the card table
// is one GET; a card costs one port-count read; a port its identifier and its line (E1) or
// line type (T3) settings, or for STM-1/OC-3 one granularity probe per AUG up to the first
// absent one (at most four); a T3 E1 channel and a TU11/TU12 path one framer read each.
#include "device/model_steps.h"
#include "model/card.h"
#include "recording_presenter.h"
#include "sim_process.h"
#include "test_device.h"

#include <chrono>
#include <cstdio>
#include <sys/resource.h>

using namespace vornex;

namespace {

long peak_kib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::size_t fewest_for_port(const HsEntry& port, const Card& card) {
    std::size_t n = 1; // identifier
    switch (card.type->reset) {
    case card_family::e1:
        return n + 1; // line settings
    case card_family::t1:
        return n;
    case card_family::t3:
        n += 1; // line settings
        for (const auto& channel : port.children) {
            n += channel->address[5] == 21 ? 1 : 0; // E1 framer of each E1 channel
        }
        return n;
    case card_family::stm:
        n += std::min<std::size_t>(port.children.size() + 1, 4); // granularity probes
        for (const auto& aug : port.children) {
            for (const auto& node : aug->children) {
                for (const auto& path : node->children) {
                    n += path->kind == 4 || path->kind == 5 ? 1 : 0; // framer
                }
            }
        }
        return n;
    case card_family::none:
        break;
    }
    return 0;
}

std::size_t fewest_for_card(const Card& card) {
    // Nothing is read for a card without endpoints (no builder, the unknown card, a
    // protected pair's even slot) or for the in-band channels.
    if (card.endpoints.empty() || card.type->reset == card_family::none) {
        return 0;
    }
    std::size_t n = 1; // port count
    for (const auto& port : card.endpoints) {
        n += fewest_for_port(*port, card);
    }
    return n;
}

} // namespace

namespace {

void run(const char* scenario) {
    auto sim = test::SimProcess::start(scenario);
    if (!sim) {
        std::printf("%s: the simulator did not start\n", scenario);
        return;
    }
    test::RecordingPresenter presenter;
    auto box = test::open_test_box(presenter, *sim);
    if (!box) {
        std::printf("%s: the device did not open\n", scenario);
        return;
    }
    sim->clear_requests();
    const long memory_before = peak_kib();
    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    ModelSteps steps(*box);
    std::printf("\n%s\n%-22s %9s %9s %10s\n", scenario, "step", "requests", "fewest", "ms");
    std::size_t total = 0, total_fewest = 0, step_number = 0;
    ModelSteps::Outcome outcome = ModelSteps::Outcome::more;
    while (outcome == ModelSteps::Outcome::more) {
        const Card* card = steps.next_card();
        const auto step_start = clock::now();
        outcome = steps.step();
        const double ms =
            std::chrono::duration<double, std::milli>(clock::now() - step_start).count();
        const std::size_t requests = sim->requests().size();
        sim->clear_requests();
        const std::size_t fewest = card == nullptr ? 1 : fewest_for_card(*card);
        char name[32];
        std::snprintf(name, sizeof name, "%s",
                      card == nullptr ? "card table" : slot_name(*box, *card));
        std::printf("%-22s %9zu %9zu %10.1f%s\n", name, requests, fewest, ms,
                    requests > fewest ? "  (more than needed)" : "");
        total += requests;
        total_fewest += fewest;
        ++step_number;
    }
    const double ms = std::chrono::duration<double, std::milli>(clock::now() - start).count();
    std::printf("%-22s %9zu %9zu %10.1f\nratio of requests to the fewest: %.3f\n"
                "peak memory: %ld KiB (grew by %ld KiB while building)\n",
                "total", total, total_fewest, ms,
                total_fewest == 0 ? 0.0 : static_cast<double>(total) / total_fewest, peak_kib(),
                peak_kib() - memory_before);
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        for (int i = 1; i < argc; ++i) {
            run(argv[i]);
        }
        return 0;
    }
    run("demo");
    run(VORNEX_BENCH_LARGE_SCENARIO);
    return 0;
}
