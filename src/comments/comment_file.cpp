#include "comments/comment_file.h"

#include "base/file_replace.h"
#include "comments/comment_format.h"
#include "comments/comment_lock.h"
#include "comments/comments.h"
#include "config/device_config.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vornex {

namespace {

const comment_dialog_text read_error_dialog{
    "Comment File Read Error",
    {"The Endpoint Comment File specified in the device configuration could not be found.  "
     "This is a normal occurrence  if no comments have been added to the device.  However, if "
     "comments have been added, please exit Vornex and locate the missing file.",
     nullptr, nullptr, nullptr},
    "OK",
    nullptr};

const comment_dialog_text not_configured_dialog{
    "Vornex Comment File not configured",
    {"Endpoint comments have been added or modified for this device.  However no comment file "
     "has been specified in the Vornex device configuration.",
     "You may specify the name of a comment file now, or skip saving the comments.  If you "
     "choose to skip saving the comments, you will lose any comments you added or modified for "
     "the device.",
     "Endpoint comments is a feature of Vornex.  As such, the comments are not stored in the "
     "device but instead are stored in an external file located on your PC. .",
     "Each device shoud have its own comment file.  The name and location of this file is "
     "specified in the device's Vornex configuration file."},
    "Specify Comment File",
    "Skip"};

const comment_dialog_text save_error_dialog{
    "Vornex Comment File Error",
    {"An error has occurred while saving the Endpoint Comment File.  This may be due to a "
     "missing drive resource or an access violation.",
     "You may specify a new comment file now, or skip saving the comments.  If you choose to "
     "skip saving the comments, you will lose any comments you added or modified for the "
     "device. ",
     "Please correct the device configuration or move the new comment file to the correct "
     "folder once the issue is resolved.",
     nullptr},
    "Specify Comment File",
    "Skip"};

// The system's text for a failed file-system call of the backup.
std::string system_error_text(int error) {
    const char* text = std::strerror(error);
    if (text == nullptr || *text == '\0') {
        return "System error code " + std::to_string(error);
    }
    return text;
}

std::filesystem::path with_suffix(const std::filesystem::path& path, const char* suffix) {
    std::filesystem::path result = path;
    result += suffix;
    return result;
}

bool write_all(int fd, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO;
            }
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

// The error a file that is not a regular one gives: a folder, a device or a pipe is never
// read as comments, nor moved away to make room for them.
int not_regular_error(mode_t mode) {
    return S_ISDIR(mode) ? EISDIR : EINVAL;
}

// Whether `path` holds a whole comment file: every save ends it with an empty line, so a file
// cut short by a stopped save ends otherwise.
bool complete_comment_file(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    std::string text(static_cast<std::size_t>(status.st_size), '\0');
    const bool read = std::fread(text.data(), 1, text.size(), file) == text.size();
    std::fclose(file);
    return read &&
           (text == "\r\n" || text == "\n" || text.ends_with("\n\r\n") || text.ends_with("\n\n"));
}

// Writes the comments to `path`: first completely into "<path>.tmp", flushed to disk; then
// the previous file gets its second name "<path>~", and one rename puts the new file in its
// place. At every moment the comments are whole under a name the load looks at: the file
// itself, or, before a first file takes its name, the complete ".tmp" the load recovers.
bool write_comment_file(CommentStore& box, OwnerWindow owner, const std::filesystem::path& path) {
    Presenter& presenter = box.comment_presenter();
    const std::string shown = display_path(path);
    const auto cannot_create = [&](int error) {
        error_dialog(presenter, owner,
                     "!!Error\r\n\r\n\r\nUnable to create Endpoint Comment File:\r\n%s\r\n\r\n%s",
                     shown.c_str(), error_number_text(error).c_str());
        return false;
    };
    struct stat previous {};
    const bool exists = ::stat(path.c_str(), &previous) == 0;
    if (exists && !S_ISREG(previous.st_mode)) {
        return cannot_create(not_regular_error(previous.st_mode));
    }
    const std::filesystem::path temporary = with_suffix(path, ".tmp");
    box.comment_save_step(0);
    // A leftover is replaced, never written through: it may be a link to somewhere else.
    ::unlink(temporary.c_str());
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        return cannot_create(errno);
    }
    if (exists) {
        ::fchmod(fd, previous.st_mode & 07777); // other operators keep the access they had
    }
    const std::string text = comment_file_text(box.comments.get());
    const std::size_t records = text.size() - 2; // the last empty line goes on its own
    box.comment_save_step(1);
    bool written = write_all(fd, text.substr(0, records));
    box.comment_save_step(2);
    written = written && write_all(fd, text.substr(records));
    int error = errno;
    bool closed = true;
    box.comment_save_step(3);
    if (written && ::fsync(fd) != 0) {
        closed = false;
        error = errno;
    }
    if (::close(fd) != 0 && written && closed) {
        closed = false;
        error = errno;
    }
    if (!written || !closed) {
        ::unlink(temporary.c_str());
        const char* what = written ? "closing" : "writing";
        error_dialog(presenter, owner,
                     "!!Error\r\n\r\n\r\nError %s Endpoint Comment File:\r\n%s\r\n\r\n%s", what,
                     shown.c_str(), error_number_text(error).c_str());
        return false;
    }

    const std::filesystem::path backup = with_suffix(path, "~");
    const std::string shown_backup = display_path(backup);
    box.comment_save_step(4);
    if (::unlink(backup.c_str()) != 0 && errno != ENOENT) {
        error_dialog(presenter, owner,
                     "!Error\r\n\r\nError backing up Endpoint Comment File.\r\n\r\nUnable to "
                     "remove old backup file:\r\n%s\r\n\r\n%s",
                     shown_backup.c_str(), system_error_text(errno).c_str());
    }
    box.comment_save_step(5);
    if (exists && ::link(path.c_str(), backup.c_str()) != 0) {
        // A file system without hard links gets a copy.
        int backup_error = errno;
        if (backup_error == EPERM || backup_error == EOPNOTSUPP || backup_error == EXDEV ||
            backup_error == EMLINK) {
            std::error_code ec;
            std::filesystem::copy_file(path, backup, ec);
            backup_error = ec.value();
        }
        if (backup_error != 0) {
            error_dialog(presenter, owner,
                         "!Error\r\n\r\nError backing up Endpoint Comment File.\r\n\r\nUnable to "
                         "create backup file:\r\n%s\r\n\r\n%s",
                         shown_backup.c_str(), system_error_text(backup_error).c_str());
        }
    }
    box.comment_save_step(6);
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
        ::unlink(temporary.c_str());
        return cannot_create(error);
    }
    return true;
}

// Opens the comment file for reading: 0 with `file` set, or the error number. Only a regular
// file is opened (a pipe would not even answer the open).
int open_comment_file(const std::filesystem::path& path, std::FILE*& file) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    struct stat status {};
    int error = 0;
    if (::fstat(fd, &status) != 0) {
        error = errno;
    } else if (!S_ISREG(status.st_mode)) {
        error = not_regular_error(status.st_mode);
    } else if ((file = ::fdopen(fd, "r")) == nullptr) {
        error = errno;
    }
    if (error != 0) {
        ::close(fd);
    }
    return error;
}

// A comment file missing after a save was stopped before the new file took its name: the
// complete new file (".tmp") or else the previous one ("~") takes the name again, and the
// operator is told. True when one did.
bool recover_interrupted_save(Presenter& presenter, OwnerWindow owner,
                              const std::filesystem::path& path) {
    for (const char* suffix : {".tmp", "~"}) {
        const std::filesystem::path copy = with_suffix(path, suffix);
        if (complete_comment_file(copy) && ::rename(copy.c_str(), path.c_str()) == 0) {
            error_dialog(presenter, owner,
                         "Comment file recovered\r\nThe comment file was missing after an "
                         "interrupted save.  Its complete\r\ncopy %s\r\nhas been restored "
                         "as\r\n%s",
                         display_path(copy).c_str(), display_path(path).c_str());
            return true;
        }
    }
    return false;
}

void show_read_only(Presenter& presenter, OwnerWindow owner, int lock_error, bool read) {
    if (lock_error == EACCES && read) {
        error_dialog(presenter, owner,
                     "Comments are in read-only mode\r\nThe comment file is locked by another "
                     "user or instance of\r\nVornex.  The current comments have been read into "
                     "Vornex but\r\nmay not be added to or modified.");
    } else if (lock_error == EACCES) {
        error_dialog(presenter, owner,
                     "Comments are in read-only mode\r\nThe comment file is locked by another "
                     "user or instance of\r\nVornex.  No comments were read into Vornex.");
    } else if (read) {
        error_dialog(presenter, owner,
                     "Comments are in read-only mode\r\nThe comment file could not be locked.  "
                     "This may be due to folder\r\npermissions.  Please verify the user has "
                     "read-write permission\r\nfor the folder containing the comment file.  The "
                     "comments\r\nhave been read into Vornex but may not be added to or "
                     "modified.");
    } else {
        error_dialog(presenter, owner,
                     "Comments are in read-only mode\r\nThe comment file could not be locked or "
                     "opened.  This may be due to\r\nfolder permissions.  Please verify the user "
                     "has read-write permission\r\nfor the folder containing the comment file "
                     "and that the comment file\r\nis not currently opened in another "
                     "application.");
    }
}

} // namespace

const comment_dialog_text& comment_dialog(CommentDialog which) {
    switch (which) {
    case CommentDialog::read_error:
        return read_error_dialog;
    case CommentDialog::not_configured:
        return not_configured_dialog;
    case CommentDialog::save_error:
        break;
    }
    return save_error_dialog;
}

std::string comment_dialog_message(CommentDialog which) {
    const comment_dialog_text& dialog = comment_dialog(which);
    std::string text = dialog.title;
    const char* separator = "\r\n";
    for (const char* paragraph : dialog.paragraphs) {
        if (paragraph != nullptr) {
            text += separator;
            text += paragraph;
            separator = "\r\n\r\n";
        }
    }
    return text;
}

int CommentFileChooser::run_comment_dialog(Presenter& presenter, OwnerWindow owner,
                                           CommentDialog which) {
    const std::string text = comment_dialog_message(which);
    if (which == CommentDialog::read_error) {
        error_dialog(presenter, owner, "%s", text.c_str());
        return dialog_ok;
    }
    return confirm_dialog(presenter, owner, "%s", text.c_str());
}

int comment_file_load(CommentStore& box, CommentFileChooser& chooser, OwnerWindow owner,
                      const device_config& config) {
    Presenter& presenter = box.comment_presenter();
    // What was in memory was saved (or given up) before the device was reloaded; the file is
    // the truth from here on.
    comment_lock_release(box);
    comment_tree_free(box);
    box.comments_dirty = false;
    if (config.comment_file.empty()) {
        return 1;
    }
    const int lock_error = comment_lock(box, config);

    std::FILE* file = nullptr;
    int read_error = open_comment_file(config.comment_file, file);
    if (read_error == ENOENT && lock_error == 0 &&
        recover_interrupted_save(presenter, owner, config.comment_file)) {
        read_error = open_comment_file(config.comment_file, file);
    }
    bool memory_ran_out = false;
    if (read_error == 0) {
        memory_ran_out = comment_records_read(box, file) != 0;
        std::fclose(file);
    }

    if (lock_error != 0) {
        show_read_only(presenter, owner, lock_error, read_error == 0);
        return 1;
    }
    if (memory_ran_out) {
        // Saving a part of the file over the whole of it would lose the rest.
        internal_error_box(presenter, "Memory Allocation Error. Unable to store endpoint data.");
        comment_lock_release(box);
        return 1;
    }
    if (read_error == 0) {
        return 0;
    }
    if (read_error == ENOENT) {
        chooser.run_comment_dialog(presenter, owner, CommentDialog::read_error);
        return 0;
    }
    error_dialog(presenter, owner,
                 "Comment file read error\r\nThe comment file could not be opened.  This could be "
                 "due to a\r\nmissing folder, permissions on the destination folder, or "
                 "the\r\nfile being opened in another application.  Please verify "
                 "the\r\ncomment file location in the device configuration.");
    comment_lock_release(box);
    return 1;
}

int comment_file_save(CommentStore* box, CommentFileChooser& chooser, OwnerWindow owner,
                      device_config* config) {
    if (box == nullptr || config == nullptr) {
        return 1;
    }
    // Read-only mode: the file belongs to the copy that holds its lock.
    if (!box->comments_dirty || (!config->comment_file.empty() && !box->comment_lock_held)) {
        comment_lock_release(*box);
        return 0;
    }
    Presenter& presenter = box->comment_presenter();
    bool failed = false;
    for (;;) {
        if (!config->comment_file.empty() && box->comment_lock_held) {
            if (write_comment_file(*box, owner, config->comment_file)) {
                break;
            }
            failed = true;
            config->comment_file.clear();
            continue;
        }
        const CommentDialog ask =
            failed ? CommentDialog::save_error : CommentDialog::not_configured;
        const int answer = chooser.run_comment_dialog(presenter, owner, ask);
        comment_lock_release(*box);
        if (answer != dialog_ok) {
            return 0; // "Skip": the changes are given up
        }
        if (chooser.comment_file_browse(owner, *config) != 0) {
            config->comment_file.clear();
            continue;
        }
        if (comment_lock(*box, *config) != 0) {
            config->comment_file.clear();
            error_dialog(presenter, owner,
                         "Comment File lock error\r\nThe selected file could not be locked.  The "
                         "file is in use or\r\nlocated in a read-only folder.  Please select a "
                         "different location.");
        }
    }
    comment_lock_release(*box);
    return 0;
}

} // namespace vornex
