#include "recording_presenter.h"

#include <stdexcept>

namespace vornex::test {

int RecordingPresenter::next_answer(int fallback) {
    if (answers.empty())
        return fallback;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

void RecordingPresenter::record(Routine routine, OwnerWindow owner, const std::string& text) {
    shown.push_back({routine, owner, text, parse_message(text)});
}

int RecordingPresenter::show_error(OwnerWindow owner, const std::string& text) {
    record(Routine::error, owner, text);
    return next_answer(dialog_ok);
}

int RecordingPresenter::show_confirm(OwnerWindow owner, const std::string& text) {
    record(Routine::confirm, owner, text);
    return next_answer(dialog_cancel);
}

void RecordingPresenter::show_internal_error(const std::string& text) {
    record(Routine::internal_error, OwnerWindow::main_window(), text);
}

void RecordingPresenter::show_note(const std::string& text) {
    record(Routine::note, OwnerWindow::main_window(), text);
}

std::vector<std::string> RecordingPresenter::texts() const {
    std::vector<std::string> all;
    for (const Shown& s : shown)
        all.push_back(s.text);
    return all;
}

const Shown& RecordingPresenter::last() const {
    return !shown.empty() ? shown.back()
                          : throw std::logic_error("RecordingPresenter: nothing was shown");
}

void RecordingPresenter::clear() {
    shown.clear();
    answers.clear();
}

} // namespace vornex::test
