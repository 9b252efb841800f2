// The endpoint comment file reader on any file, then the writer on whatever was read: every
// record the reader keeps must be one the writer can write back.
#include "comments/comment_file.h"
#include "comments/comments.h"
#include "config/device_config.h"
#include "fuzz_support.h"

namespace {

using namespace vornex;

struct Comments : CommentStore {
    fuzz::QuietPresenter presenter;
    int comment_map() const override { return 1; }
    Presenter& comment_presenter() const override {
        return const_cast<fuzz::QuietPresenter&>(presenter);
    }
};

// Skips every dialog and never offers another file.
struct Skip : CommentFileChooser {
    int run_comment_dialog(Presenter&, OwnerWindow, CommentDialog) override {
        return dialog_cancel;
    }
    int comment_file_browse(OwnerWindow, device_config&) override { return 1; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    device_config config;
    device_config_set_defaults(config);
    config.comment_file = fuzz::write_input("comments.mec", fuzz::as_text(data, size));
    Comments box;
    Skip chooser;
    if (comment_file_load(box, chooser, {}, config) == 0) {
        box.comments_dirty = true;
        comment_file_save(&box, chooser, {}, &config);
    }
    return 0;
}
