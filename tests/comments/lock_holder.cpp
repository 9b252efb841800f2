// A second copy of the program as far as the comment file goes: loads the comment file named
// on its command line, reports on stdout whether it holds the lock ("held" or "read-only"),
// and keeps it until its stdin ends. Started by comment_lock_test.

#include "comment_test_util.h"
#include "comments/comment_file.h"
#include "device/box.h"
#include "recording_presenter.h"

#include <cstdio>
#include <iostream>
#include <limits>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <comment file>\n", argv[0]);
        return 2;
    }
    vornex::test::RecordingPresenter presenter;
    vornex::test::ScriptedChooser chooser;
    vornex::device_config config;
    config.comment_file = argv[1];
    vornex::Box box(presenter);
    vornex::comment_file_load(box, chooser, vornex::OwnerWindow::main_window(), config);
    std::printf("%s\n", box.comment_lock_held ? "held" : "read-only");
    std::fflush(stdout);
    std::cin.ignore(std::numeric_limits<std::streamsize>::max()); // until stdin ends
    return 0;                                                     // the box releases the lock
}
