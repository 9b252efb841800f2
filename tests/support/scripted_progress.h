#pragma once
// A Progress for tests: records every phase with its total, the last count done and the last
// error count, and answers a cancel at a chosen poll of a chosen phase.

#include "base/progress.h"

#include <algorithm>
#include <string>
#include <vector>

namespace vornex::test {

class ScriptedProgress : public Progress {
public:
    struct Phase {
        std::string title;
        long total = 0;
        long done = 0;
        long errors = 0;
        long polls = 0;
        bool finished = false;
    };

    // Cancel at the `poll`-th cancelled() call (from 1) of the phase titled `title`.
    void cancel_at(std::string title, long poll) {
        cancel_title_ = std::move(title);
        cancel_poll_ = poll;
    }

    void start(std::string_view title) override { phases.push_back({std::string(title)}); }
    void finish() override { phases.back().finished = true; }
    void total(long count) override { phases.back().total = count; }
    void done(long count) override { phases.back().done = count; }
    void errors(long count) override { phases.back().errors = count; }
    bool cancelled() override {
        Phase& phase = phases.back();
        return ++phase.polls == cancel_poll_ && phase.title == cancel_title_;
    }

    const Phase* phase(const std::string& title) const {
        const auto p = std::ranges::find(phases, title, &Phase::title);
        return p != phases.end() ? &*p : nullptr;
    }

    std::vector<Phase> phases;

private:
    std::string cancel_title_;
    long cancel_poll_ = -1;
};

} // namespace vornex::test
