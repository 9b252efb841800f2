#pragma once
// A Presenter for tests: keeps every text shown, with the routine that showed it and the
// parsed kind and title, and answers dialogs from a script.

#include "base/message_text.h"
#include "base/presenter.h"

#include <deque>
#include <string>
#include <vector>

namespace vornex::test {

enum class Routine { error, confirm, internal_error, note };

struct Shown {
    Routine routine;
    OwnerWindow owner;
    std::string text;
    ParsedMessage parsed;
};

class RecordingPresenter : public Presenter {
public:
    // Answers for the next dialogs (error and confirm alike), in order. When the script is
    // empty an error dialog answers OK and a confirmation answers Cancel, the safe choice.
    std::deque<int> answers;
    std::vector<Shown> shown;

    int show_error(OwnerWindow owner, const std::string& text) override;
    int show_confirm(OwnerWindow owner, const std::string& text) override;
    void show_internal_error(const std::string& text) override;
    void show_note(const std::string& text) override;

    // The texts shown so far, in order.
    std::vector<std::string> texts() const;
    const Shown& last() const;
    void clear();

private:
    int next_answer(int fallback);
    void record(Routine routine, OwnerWindow owner, const std::string& text);
};

} // namespace vornex::test
