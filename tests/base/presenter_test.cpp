#include "base/presenter.h"
#include "recording_presenter.h"

#include <gtest/gtest.h>
#include <string>

namespace vornex {
namespace {

using test::RecordingPresenter;
using test::Routine;

TEST(Presenter, RoutinesFormatAndReachTheirKind) {
    RecordingPresenter p;
    const int dummy = 0;
    const OwnerWindow owner{&dummy};
    error_dialog(p, owner, "!!Read Error\r\n\r\n\r\nError reading file %s\r\n\r\n%s", "a.csv",
                 "No such file or directory");
    error_dialog_main(p, "!Error\r\n\r\n\r\n\r\nPlease select a device.");
    internal_error_box(p, "Memory allocation error in %s", "NewHsEntry");
    note_box(p, "Invalid port range %d through %d.  Please correct or cancel.", 9, 3);

    ASSERT_EQ(p.shown.size(), 4u);
    EXPECT_EQ(p.shown[0].routine, Routine::error);
    EXPECT_EQ(p.shown[0].owner, owner);
    EXPECT_EQ(p.shown[0].text,
              "!!Read Error\r\n\r\n\r\nError reading file a.csv\r\n\r\nNo such file or directory");
    EXPECT_EQ(p.shown[1].routine, Routine::error);
    EXPECT_EQ(p.shown[1].owner, OwnerWindow::main_window());
    EXPECT_EQ(p.shown[2].routine, Routine::internal_error);
    EXPECT_EQ(p.shown[2].text, "Memory allocation error in NewHsEntry");
    EXPECT_EQ(p.shown[3].routine, Routine::note);
    EXPECT_EQ(p.shown[3].text, "Invalid port range 9 through 3.  Please correct or cancel.");
}

TEST(Presenter, DialogsCutAt1023AndBoxesAt253) {
    RecordingPresenter p;
    const std::string huge(5000, 'z');
    error_dialog_main(p, "!!T\r\n%s", huge.c_str());
    confirm_dialog(p, OwnerWindow::main_window(), "T\r\n%s", huge.c_str());
    internal_error_box(p, "%s", huge.c_str());
    note_box(p, "%s", huge.c_str());
    ASSERT_EQ(p.shown.size(), 4u);
    EXPECT_EQ(p.shown[0].text.size(), 1023u);
    EXPECT_EQ(p.shown[1].text.size(), 1023u);
    EXPECT_EQ(p.shown[2].text.size(), 253u);
    EXPECT_EQ(p.shown[3].text.size(), 253u);
}

} // namespace
} // namespace vornex
