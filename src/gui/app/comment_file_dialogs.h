#pragma once
// The GUI side of the comment file's questions: its three dialogs with their own buttons,
// and the comment-file chooser of the device dialogs.

#include "comments/comment_file.h"

class QWidget;

namespace vornex {

class FileChooser;
struct Settings;

// Runs the dialog `which`: dialog_ok for its first button, dialog_cancel for "Skip" or when
// it is closed.
int run_comment_file_dialog(QWidget* owner, CommentDialog which);

class QtCommentFileChooser : public CommentFileChooser {
public:
    // `chooser` is read at each use, so a replaced file chooser is the one asked.
    QtCommentFileChooser(QWidget* main_window, FileChooser*& chooser, Settings& settings)
        : main_window_(main_window), chooser_(chooser), settings_(settings) {}

    int run_comment_dialog(Presenter& presenter, OwnerWindow owner, CommentDialog which) override;
    int comment_file_browse(OwnerWindow owner, device_config& config) override;

private:
    QWidget* main_window_;
    FileChooser*& chooser_;
    Settings& settings_;
};

} // namespace vornex
