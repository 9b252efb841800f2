#pragma once
// The small status window of the long map commands ("Reading Map...", "Exporting...",
// "Importing..."): a percentage, for the import an error count, and "Cancel". The owner is
// disabled while a phase runs, and every report lets pending events through, so the window
// repaints and a pressed "Cancel" is seen by the next poll.

#include "base/progress.h"

#include <QPointer>

class QLabel;
class QWidget;

namespace vornex {

class ProgressWindow : public Progress {
public:
    explicit ProgressWindow(QWidget* owner) : owner_(owner) {}
    ~ProgressWindow() override;
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    void start(std::string_view title) override;
    void finish() override;
    void total(long count) override;
    void done(long count) override;
    void errors(long count) override;
    bool cancelled() override;

private:
    void showDone();

    QWidget* owner_;
    QPointer<QWidget> window_;
    QLabel* done_label_ = nullptr;
    QLabel* errors_label_ = nullptr;
    bool importing_ = false;
    bool cancel_requested_ = false;
    long total_ = 1;
    long done_ = 0;
};

} // namespace vornex
