// The map view on a large device (eight STM-1 cards, TU12 paths everywhere, runs of them
// cross-connected card to card): what one frame of the view costs once the shown leaves are
// read, against a 16 ms frame budget, and the SNMP requests the first paint after "Expand
// All" sends, against the fewest the use rule allows for the rows it shows.
#include "device/box.h"
#include "device/model_steps.h"
#include "gui/view/graph_widget.h"
#include "gui/view/map_window.h"
#include "gui/view/path_control.h"
#include "model/card.h"
#include "recording_presenter.h"
#include "shell/settings.h"
#include "sim_process.h"
#include "snmp/snmp_library.h"
#include "test_device.h"
#include "view/graph_lines.h"
#include "xc/xc_probe.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>

using namespace vornex;

namespace {

constexpr double frame_budget_ms = 16.0;
constexpr int rounds = 50;

struct Timing {
    double median_ms;
    double best_ms;
};

// `rounds` runs of `step`: the median, and the best, which is what the step costs when the
// shared machine lets it run undisturbed.
Timing time_of(const std::function<void()>& step) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        step();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front()};
}

// Whether `node` has a row of its own on `side`: its card and every ancestor are expanded.
bool shown_on(const HsEntry& node, int side) {
    for (const HsEntry* up = node.parent; up != nullptr; up = up->parent) {
        if (up->view.open_or_selected[side] == 0) {
            return false;
        }
    }
    return node.card->expanded[side] != 0;
}

// The fewest requests that settle the leaves shown on rows [first, last] of `side` and the
// far ends of the connected ones: an answer carries one table row, so every connected leaf
// and every far end not among the shown leaves costs one; a run of free leaves costs one
// unless a connected sibling after it ends it (the request that reads that sibling settles
// the run too).
std::size_t fewest_requests(Box& box, int side, int first, int last) {
    std::size_t fewest = 0;
    std::set<const HsEntry*> shown;
    std::vector<const HsEntry*> far_ends;
    std::function<void(const EndpointList&)> walk = [&](const EndpointList& list) {
        bool free_run_open = false;
        for (const auto& node : list) {
            if (!node->is_leaf()) {
                walk(node->children);
                continue;
            }
            const int row = node->view.row[side];
            if (row < first || row > last || !shown_on(*node, side)) {
                continue;
            }
            shown.insert(node.get());
            if (is_connected(*node)) {
                ++fewest;
                free_run_open = false;
                if (const HsEntry* far_end = find_peer_in_device(box, *node)) {
                    far_ends.push_back(far_end);
                }
            } else {
                free_run_open = true;
            }
        }
        if (free_run_open) {
            ++fewest;
        }
    };
    for (const auto& card : box.cards) {
        walk(card->endpoints);
    }
    for (const HsEntry* far_end : far_ends) {
        fewest += shown.count(far_end) == 0 ? 1 : 0;
    }
    return fewest;
}

QPushButton* button_of(QWidget* control, const QString& text) {
    for (auto* button : control->findChildren<QPushButton*>()) {
        if (button->text() == text) {
            return button;
        }
    }
    std::fprintf(stderr, "no \"%s\" button\n", qPrintable(text));
    std::exit(1);
}

// One line per kind of frame. The step runs once untimed first, which reads whatever it
// brings into view; the requests of the timed runs are counted, as there should be none.
void report(test::SimProcess& sim, const char* what, const std::function<void()>& step,
            int frames_per_step = 1) {
    step();
    sim.clear_requests();
    const Timing t = time_of(step);
    const double median = t.median_ms / frames_per_step;
    std::printf("%-44s median %7.3f ms (%5.1f %% of the frame budget), best %7.3f ms, "
                "%zu requests\n",
                what, median, 100.0 * median / frame_budget_ms, t.best_ms / frames_per_step,
                sim.requests().size());
}

} // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    snmp_library_init();
    auto sim = test::SimProcess::start(VORNEX_BENCH_VIEW_SCENARIO);
    test::RecordingPresenter presenter;
    auto box = sim ? test::open_test_box(presenter, *sim) : nullptr;
    if (!box) {
        std::printf("the device did not open\n");
        return 1;
    }
    box->displayed_map = 1;
    box->active_map = 1;
    get_controllers(*box);
    if (ModelSteps(*box).run() != ModelSteps::Outcome::done) {
        std::printf("the model was not read\n");
        return 1;
    }

    Settings settings;
    MapWindow map(*box, settings, true, nullptr);
    map.show();
    QApplication::processEvents();
    auto controls = map.findChildren<PathControl*>(QStringLiteral("path_ctrl"));
    std::sort(controls.begin(), controls.end(),
              [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
    PathControl& left = *controls[0];
    PathControl& right = *controls[1];
    auto& graph = *map.findChild<GraphWidget*>(QStringLiteral("graph_win"));
    QPushButton* expand = button_of(&left, QStringLiteral("Expand All"));
    QPushButton* collapse = button_of(&left, QStringLiteral("Collapse All"));

    // The first "Expand All" and its paint: the shown leaves and their far ends are read.
    sim->clear_requests();
    expand->click();
    left.repaint();
    QApplication::processEvents();
    const std::size_t requests = sim->requests().size();
    const std::size_t fewest =
        fewest_requests(*box, 0, left.firstRow(), left.firstRow() + graph_visible_rows - 1);
    std::size_t nodes = 0;
    std::function<void(const EndpointList&)> count = [&](const EndpointList& list) {
        for (const auto& node : list) {
            ++nodes;
            count(node->children);
        }
    };
    for (const auto& card : box->cards) {
        count(card->endpoints);
    }
    std::printf("large view: %zu cards, %zu nodes, %d rows on a side after Expand All\n",
                box->cards.size(), nodes, left.rows().max_row());
    std::printf("first paint after Expand All: %zu requests, fewest %zu, ratio %.3f\n\n", requests,
                fewest, static_cast<double>(requests) / static_cast<double>(fewest));

    // Both sides expanded and read, lines across the graph, then the frames.
    button_of(&right, QStringLiteral("Expand All"))->click();
    right.repaint();
    QApplication::processEvents();

    report(
        *sim, "Expand All (renumber, read check, repaint)",
        [&] {
            collapse->click();
            expand->click();
            left.repaint();
        },
        2);
    // A click on the first TU12 path's row collapses it, the next expands it again: each
    // renumbers every row of the side.
    const HsEntry* path = nullptr;
    std::function<void(const EndpointList&)> find = [&](const EndpointList& list) {
        for (const auto& node : list) {
            if (path == nullptr && node->kind == kind_tu12 && !node->is_leaf()) {
                path = node.get();
            }
            find(node->children);
        }
    };
    find(box->cards.front()->endpoints);
    QWidget* text = left.findChild<QWidget*>(QStringLiteral("path_text"));
    const int y = text->contentsRect().top() +
                  (path->view.row[0] - left.firstRow()) * left.rowHeight() + left.rowHeight() / 2;
    report(*sim, "click that renumbers (and repaint)", [&] {
        QTest::mouseClick(text, Qt::LeftButton, {}, QPoint(40, y));
        left.repaint();
    });
    report(*sim, "full repaint of a path control", [&] { left.repaint(); });
    map.refresh();
    report(*sim, "full repaint of the graph", [&] { graph.repaint(); });
    return 0;
}
