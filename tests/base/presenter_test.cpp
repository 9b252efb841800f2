#include "base/presenter.h"
#include "recording_presenter.h"

#include <gtest/gtest.h>
#include <string>

namespace vornex {
namespace {

TEST(Presenter, RoutinesReachTheirKindCutDialogsAt1023AndBoxesAt253) {
    test::RecordingPresenter p;
    const std::string huge(5000, 'z');
    error_dialog_main(p, "!!T\r\n%s", huge.c_str());
    confirm_dialog(p, OwnerWindow::main_window(), "T\r\n%s", huge.c_str());
    internal_error_box(p, "%s", huge.c_str());
    note_box(p, "%s", huge.c_str());
    using test::Routine;
    std::vector<std::pair<Routine, std::size_t>> seen;
    for (const test::Shown& s : p.shown)
        seen.emplace_back(s.routine, s.text.size());
    EXPECT_EQ(seen, (std::vector<std::pair<Routine, std::size_t>>{{Routine::error, 1023},
                                                                  {Routine::confirm, 1023},
                                                                  {Routine::internal_error, 253},
                                                                  {Routine::note, 253}}));
}

} // namespace
} // namespace vornex
