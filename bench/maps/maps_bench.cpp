// Export and import of a whole map against the simulator: SNMP requests per row and rows
// per second, next to the fewest requests the commands allow.
//
// Export: an answer carries one table row, so every cross-connected leaf costs one read and
// a run of free leaves is settled by the read of the connected leaf that ends it (or by one
// read of its own when nothing follows it). Import: a one-way row costs its clear and its
// set, a bidirectional row two clears and a set, each a SET and the GET of its result; an
// unmapped row costs nothing.
#include "device/model_steps.h"
#include "model/card.h"
#include "recording_presenter.h"
#include "sim_process.h"
#include "test_device.h"
#include "xc/map_export.h"
#include "xc/map_import.h"
#include "xc/map_management.h"
#include "xc/xc_probe.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace vornex;

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The fewest reads that settle every leaf below `list` (counted on a tree already read).
std::size_t fewest_reads(const EndpointList& list) {
    std::size_t reads = 0;
    bool free_run_open = false;
    for (const auto& node : list) {
        if (!node->is_leaf()) {
            reads += fewest_reads(node->children);
            continue;
        }
        if (is_connected(*node)) {
            ++reads;
            free_run_open = false;
        } else {
            free_run_open = true;
        }
    }
    return reads + (free_run_open ? 1 : 0);
}

struct Rows {
    long bidirectional = 0;
    long unidirectional = 0;
    long unmapped = 0;
    long all() const { return bidirectional + unidirectional + unmapped; }
    long fewest_import_requests() const { return 6 * bidirectional + 4 * unidirectional; }
};

Rows count_rows(const std::string& text) {
    Rows rows;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("bidirectional,", 0) == 0) {
            ++rows.bidirectional;
        } else if (line.rfind("unidirectional,", 0) == 0) {
            ++rows.unidirectional;
        } else if (line.rfind("unmapped,", 0) == 0) {
            ++rows.unmapped;
        }
    }
    return rows;
}

void run(const char* name, const char* scenario) {
    auto sim = test::SimProcess::start(scenario);
    test::RecordingPresenter presenter;
    auto box = sim ? test::open_test_box(presenter, *sim) : nullptr;
    if (!box) {
        std::printf("%s: the device did not open\n", name);
        return;
    }
    get_controllers(*box);
    box->displayed_map = 1;
    ModelSteps(*box).run();
    const auto file = std::filesystem::temp_directory_path() / "vornex-maps-bench.csv";

    // Export of the whole map, every leaf unread at the start.
    NoProgress progress;
    sim->clear_requests();
    auto start = Clock::now();
    const int exported = map_export(presenter, OwnerWindow{}, box.get(), file, {}, progress);
    const double export_ms = ms_since(start);
    const std::size_t export_requests = sim->requests().size();
    std::size_t fewest = 0;
    for (const auto& card : box->cards) {
        fewest += fewest_reads(card->endpoints);
    }
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const Rows rows = count_rows(text);
    std::printf("\n%s%s\nexport: %ld rows (%ld bidirectional, %ld one-way, %ld unmapped)\n"
                "  requests %zu, fewest %zu, ratio %.3f, %.3f requests per row\n"
                "  %.1f ms, %.0f rows per second\n",
                name, exported == 0 ? "" : " (export FAILED)", rows.all(), rows.bidirectional,
                rows.unidirectional, rows.unmapped, export_requests, fewest,
                static_cast<double>(export_requests) / static_cast<double>(fewest),
                static_cast<double>(export_requests) / static_cast<double>(rows.all()), export_ms,
                1000.0 * static_cast<double>(rows.all()) / export_ms);

    // Import into the emptied map, then over the full map (every row cleared and made).
    for (const bool emptied : {true, false}) {
        if (emptied) {
            presenter.answers = {dialog_ok};
            map_delete(*box, 1, false, false);
        }
        ModelSteps(*box).run();
        sim->clear_requests();
        ImportResult result;
        start = Clock::now();
        map_import(*box, file, {}, progress, &result);
        const double import_ms = ms_since(start);
        const auto log = sim->requests();
        const long sets = std::count_if(
            log.begin(), log.end(), [](const std::string& r) { return r.rfind("SET ", 0) == 0; });
        const long assigned = rows.bidirectional + rows.unidirectional;
        std::printf("import into the %s map: %ld rows applied, %ld warnings\n"
                    "  requests %zu (%ld SET), fewest %ld, ratio %.3f, %.3f requests per "
                    "assigned row\n  %.1f ms, %.0f assigned rows per second\n",
                    emptied ? "emptied" : "full", result.applied, result.errors, log.size(), sets,
                    rows.fewest_import_requests(),
                    static_cast<double>(log.size()) /
                        static_cast<double>(rows.fewest_import_requests()),
                    static_cast<double>(log.size()) / static_cast<double>(assigned), import_ms,
                    1000.0 * static_cast<double>(assigned) / import_ms);
    }

    // The dry run over the map just made: reads only.
    ModelSteps(*box).run();
    sim->clear_requests();
    ImportOptions dry;
    long changes = 0;
    dry.dry_run = [&](const std::string&) { ++changes; };
    start = Clock::now();
    map_import(*box, file, dry, progress);
    const double dry_ms = ms_since(start);
    std::printf("dry run over the same map: %ld changes, requests %zu (reads of the rows' "
                "leaves), %.1f ms\n",
                changes, sim->requests().size(), dry_ms);
    std::filesystem::remove(file);
}

} // namespace

int main() {
    run("demo", "demo");
    run("large fill (bench/xc/large_fill.json)", VORNEX_BENCH_FILLED_SCENARIO);
    return 0;
}
