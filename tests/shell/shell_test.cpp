#include "config/device_config.h"
#include "device/box.h"
#include "fake_launcher.h"
#include "recording_presenter.h"
#include "scripted_file_chooser.h"
#include "shell/comment_file_browse.h"
#include "shell/settings.h"
#include "shell/shell.h"

#include <gtest/gtest.h>

namespace vornex {
namespace {

using test::RecordingPresenter;
using test::Routine;

// The main window test asserts whole titles; here only the cut.
TEST(MainWindowTitle, IsCutTo119Characters) {
    RecordingPresenter presenter;
    Box box(presenter);
    box.sys_name = std::string(110, 'n');
    box.displayed_map = box.active_map = 1;
    const std::string title = main_window_title("Vornex v2.02", box);
    EXPECT_EQ(title.size(), 119u);
    EXPECT_EQ(title.substr(0, 19), "Vornex v2.02:  - nn");
}

// The main window test starts each console on the demo device; here the edges.
TEST(ConsoleCommandLine, EmptyAndOverlongHosts) {
    EXPECT_EQ(console_command_line(ConsoleKind::ssh, "", false).text(), "putty -ssh ");
    EXPECT_EQ(console_command_line(ConsoleKind::telnet, std::string(400, 'x'), false).text().size(),
              259u);
}

TEST(StartConsole, AFailureShowsTheSystemErrorCode) {
    RecordingPresenter presenter;
    test::FakeLauncher launcher;
    const CommandLine ssh{{"putty", "-ssh", "h"}};
    EXPECT_EQ(start_console(presenter, launcher, ssh), 0);
    EXPECT_TRUE(presenter.shown.empty());
    launcher.answer = 2;
    EXPECT_EQ(start_console(presenter, launcher, ssh), 1);
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.last().routine, Routine::internal_error);
    EXPECT_EQ(presenter.last().text, "CreateProcess failed (2)\n");
    EXPECT_EQ(launcher.started, (std::vector<std::string>{"putty -ssh h", "putty -ssh h"}));
}

TEST(FileNames, RequiredExtensionReplacesAnyOtherAndTheFolderOfAPath) {
    EXPECT_EQ(with_extension("/d/dev.lcf", ".lcf"), "/d/dev.lcf");
    EXPECT_EQ(with_extension("/d/dev.LCF", ".lcf"), "/d/dev.lcf");
    EXPECT_EQ(with_extension("/d/dev", ".lcf"), "/d/dev.lcf");
    EXPECT_EQ(with_extension("/d/my.dev.Mec", ".mec"), "/d/my.dev.mec");
    EXPECT_EQ(folder_of("/home/op/dev.lcf"), "/home/op");
    EXPECT_TRUE(folder_of("dev.lcf").empty());
    EXPECT_TRUE(folder_of("").empty());
}

TEST(CommentFileBrowse, StartsBesideTheLastFileAndAlwaysEndsInMec) {
    test::ScriptedFileChooser chooser;
    Settings settings;
    settings.current_comment_file = "/shared/comments/site.mec";
    device_config config;
    config.comment_file = "/old/device.mec";

    chooser.answers = {std::nullopt};
    EXPECT_EQ(comment_file_browse({}, chooser, settings, config), 1);
    EXPECT_EQ(config.comment_file, "/old/device.mec");
    ASSERT_EQ(chooser.requests.size(), 1u);
    EXPECT_EQ(chooser.requests[0].start_folder, "/shared/comments");
    EXPECT_EQ(chooser.requests[0].proposed, "/old/device.mec");
    ASSERT_EQ(chooser.requests[0].filters.size(), 2u);
    EXPECT_EQ(chooser.requests[0].filters[0].label, "Vornex Endpoint Comment File");
    EXPECT_EQ(chooser.requests[0].filters[0].pattern, "*.mec");
    EXPECT_EQ(chooser.requests[0].filters[1].pattern, "*.*");

    chooser.answers = {std::filesystem::path("/shared/comments/new.txt")};
    EXPECT_EQ(comment_file_browse({}, chooser, settings, config), 0);
    EXPECT_EQ(config.comment_file, "/shared/comments/new.mec");
    EXPECT_EQ(settings.current_comment_file, "/shared/comments/new.mec");
}

} // namespace
} // namespace vornex
