#include "base/presenter.h"
#include "recording_presenter.h"

#include <gtest/gtest.h>
#include <string>

namespace vornex {
namespace {

TEST(Presenter, DialogsCutAt1023AndBoxesAt253) {
    test::RecordingPresenter p;
    const std::string huge(5000, 'z');
    error_dialog_main(p, "!!T\r\n%s", huge.c_str());
    confirm_dialog(p, OwnerWindow::main_window(), "T\r\n%s", huge.c_str());
    internal_error_box(p, "%s", huge.c_str());
    note_box(p, "%s", huge.c_str());
    std::vector<std::size_t> sizes;
    for (const test::Shown& s : p.shown) {
        sizes.push_back(s.text.size());
    }
    EXPECT_EQ(sizes, (std::vector<std::size_t>{1023, 1023, 253, 253}));
}

} // namespace
} // namespace vornex
