#pragma once
// Reading the comment file when a device has been opened and writing it back before the
// device is closed, rescanned or reloaded. The file is locked while this copy may edit it;
// a copy that cannot lock it reads the comments in read-only mode and never writes the file,
// so whatever the lock holder saves stays. A save keeps the previous file as "<file>~" and
// never leaves the comments without a whole copy under a name the load looks at: the new
// text is written and flushed to "<file>.tmp", the backup is a second name of the old file,
// and one rename replaces the file. A load that finds no file but a whole copy left by a
// stopped save puts that copy back and says so. Only regular files are read or replaced.

#include "base/presenter.h"

#include <array>
#include <string>

namespace vornex {

struct CommentStore;
struct device_config;

// The comment file's own dialogs (besides the plain messages, which go to the Presenter).
enum class CommentDialog {
    read_error,     // "Comment File Read Error": the configured file does not exist; "OK"
    not_configured, // "Vornex Comment File not configured": "Specify Comment File" / "Skip"
    save_error,     // "Vornex Comment File Error": "Specify Comment File" / "Skip"
};

struct comment_dialog_text {
    const char* title;
    std::array<const char*, 4> paragraphs; // unused ones are null
    const char* accept_button;             // answers dialog_ok
    const char* reject_button;             // answers dialog_cancel; null for read_error
};

const comment_dialog_text& comment_dialog(CommentDialog which);

// The texts of a dialog as one message: the title as its first line, then the paragraphs
// separated by empty lines.
std::string comment_dialog_message(CommentDialog which);

// What the comment file asks of a person. The GUI shows the dialogs with their own buttons
// and picks a file with the save-file dialog; the default dialog goes through the Presenter
// (an error dialog for read_error, a confirmation whose OK means "Specify Comment File" for
// the others), which is how tests and the command line see them.
class CommentFileChooser {
public:
    virtual ~CommentFileChooser() = default;

    // Runs `which` (texts from comment_dialog): dialog_ok for its first button, dialog_cancel
    // for "Skip" or when the dialog is closed.
    virtual int run_comment_dialog(Presenter& presenter, OwnerWindow owner, CommentDialog which);

    // The device dialogs' comment_file_browse: offers a save-file dialog proposing
    // config.comment_file; on a choice the path (with the ".mec" extension) becomes
    // config.comment_file and the recent comment file, and the answer is 0; 1 on cancel.
    virtual int comment_file_browse(OwnerWindow owner, device_config& config) = 0;
};

// Reads the configuration's comment file into `box` (after emptying its tree), locking it
// first; every problem is shown over `owner`. 0 when the comments may be edited (the lock is
// held; a missing file is an empty one), 1 when they may not: no comment file configured,
// read-only mode because the lock failed, or a file that could not be read.
int comment_file_load(CommentStore& box, CommentFileChooser& chooser, OwnerWindow owner,
                      const device_config& config);

// Writes changed comments back, asking for another file while writing fails or when none is
// configured (a file chosen then becomes config->comment_file but is not saved into the
// device configuration file), and releases the lock. In read-only mode nothing is written.
// 0, or 1 without a box or a configuration. The operator can always skip: the save never
// keeps the device from closing.
int comment_file_save(CommentStore* box, CommentFileChooser& chooser, OwnerWindow owner,
                      device_config* config);

} // namespace vornex
