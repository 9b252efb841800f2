#include "comments/comment_lock.h"

#include "comments/comments.h"
#include "config/device_config.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vornex {

namespace {

inline constexpr int lock_denied = EACCES; // what the load's messages take for "in use"

// Operators sharing the folder (through its group) must be able to open a lock file left by a
// crash; nobody else may write it, so a stranger cannot hold the comments hostage.
inline constexpr mode_t lock_file_mode = 0664;

// An exclusive lock on the whole open file that belongs to this open file (not to the
// process), so two boxes of one process exclude each other as two processes do. Systems
// without such locks fall back to flock. 0, or the error number.
int lock_open_file(int fd) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_SETLK, &lock) == 0) {
        return 0;
    }
    if (errno == EINVAL && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        return 0;
    }
    return errno == EAGAIN || errno == EACCES || errno == EWOULDBLOCK ? lock_denied : errno;
}

bool same_file(int fd, const std::filesystem::path& path) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

} // namespace

int comment_lock(CommentStore& box, const device_config& config) {
    if (config.comment_file.empty()) {
        return 2;
    }
    comment_lock_release(box);
    box.comment_lock_path = config.comment_file;
    box.comment_lock_path += ".lock";
    const char* path = box.comment_lock_path.c_str();
    // A releasing holder deletes the lock file while it still holds the lock; whoever opened
    // that file just before may lock it afterwards, but it is no longer the lock file then,
    // so the open is tried again on the file that now bears the name.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const int fd = ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC, lock_file_mode);
        if (fd < 0) {
            const int error = errno;
            // Permission denied on a lock file that exists can be another operator's lock;
            // on a lock file that cannot even be created it is the folder's permissions.
            struct stat existing {};
            if (error == EACCES && ::stat(path, &existing) != 0) {
                return EPERM;
            }
            return error;
        }
        const int error = lock_open_file(fd);
        if (error != 0) {
            ::close(fd);
            return error;
        }
        if (same_file(fd, box.comment_lock_path)) {
            ::fchmod(fd, lock_file_mode);
            box.comment_lock_file = fd;
            box.comment_lock_held = true;
            return 0;
        }
        ::close(fd);
    }
    return lock_denied;
}

void comment_lock_release(CommentStore& box) {
    if (!box.comment_lock_held) {
        return;
    }
    // Deleted before it is closed, so nobody can lock this file while it still has its name.
    ::unlink(box.comment_lock_path.c_str());
    ::close(box.comment_lock_file);
    box.comment_lock_file = -1;
    box.comment_lock_held = false;
}

} // namespace vornex
