#pragma once
// The seam between long work (reading all cross-connects, export, import) and the small
// status window with its "Cancel" button. The worker reports a total and how far it got and
// polls cancelled() between steps; what a cancel means is the worker's own decision. The GUI
// implementation keeps its window painting and answers a pressed "Cancel" once; tests script
// the answers; the command line cancels on an interrupt.

#include <string_view>

namespace vornex {

class Progress {
public:
    virtual ~Progress() = default;

    // A phase begins under its window title ("Reading Map...", "Exporting...",
    // "Importing...") and ends with finish(); the owner window is disabled in between.
    virtual void start(std::string_view title) = 0;
    virtual void finish() = 0;
    virtual void total(long count) = 0;
    virtual void done(long count) = 0;
    virtual void errors(long count) = 0;
    // True once after the operator asked to cancel the current phase.
    virtual bool cancelled() = 0;
};

// For callers that show nothing and never cancel.
class NoProgress : public Progress {
public:
    void start(std::string_view) override {}
    void finish() override {}
    void total(long) override {}
    void done(long) override {}
    void errors(long) override {}
    bool cancelled() override { return false; }
};

} // namespace vornex
