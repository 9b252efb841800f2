// Two processes on one comment file: the lock keeps the second out, and it is free again when
// the first ends, normally or killed.

#include "comment_test_util.h"
#include "comments/comment_file.h"
#include "comments/comment_lock.h"
#include "comments/comments.h"
#include "device/box.h"
#include "recording_presenter.h"

#include <csignal>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vornex {
namespace {

using test::read_text;
using test::write_file;

// The helper program, holding the comment file until its stdin is closed.
class OtherCopy {
public:
    explicit OtherCopy(const std::filesystem::path& comment_file) {
        int to_child[2];
        int from_child[2];
        if (::pipe(to_child) != 0 || ::pipe(from_child) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, to_child[0], 0);
        posix_spawn_file_actions_adddup2(&actions, from_child[1], 1);
        posix_spawn_file_actions_addclose(&actions, to_child[1]);
        posix_spawn_file_actions_addclose(&actions, from_child[0]);
        const std::string file = comment_file.string();
        char* argv[] = {const_cast<char*>(COMMENT_LOCK_HOLDER), const_cast<char*>(file.c_str()),
                        nullptr};
        if (posix_spawn(&pid_, COMMENT_LOCK_HOLDER, &actions, nullptr, argv, environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(to_child[0]);
        ::close(from_child[1]);
        input_ = to_child[1];
        output_ = from_child[0];
    }
    ~OtherCopy() {
        end();
        ::close(output_);
    }

    // The helper's report, waiting at most ten seconds for it.
    std::string report() {
        std::string line;
        pollfd ready{output_, POLLIN, 0};
        char c = 0;
        while (::poll(&ready, 1, 10'000) == 1 && ::read(output_, &c, 1) == 1 && c != '\n') {
            line += c;
        }
        return line;
    }
    // Ends the helper by closing its stdin; answers its exit status.
    int end() {
        if (input_ >= 0) {
            ::close(input_);
            input_ = -1;
        }
        return wait();
    }
    int kill() {
        ::kill(pid_, SIGKILL);
        return wait();
    }

private:
    int wait() {
        if (pid_ <= 0) {
            return -1;
        }
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
};

class CommentLockTest : public ::testing::Test {
protected:
    test::RecordingPresenter presenter;
    test::ScriptedChooser chooser;
    test::ScratchDir dir;
    device_config config;
    Box box{presenter};
    const std::string held_text =
        "1, 1, 1, 1, 1, 1, 1, C, \"theirs\", \"\", \"\", \"\", \"\"\r\n\r\n";

    void SetUp() override {
        config.comment_file = dir / "shared.mec";
        write_file(config.comment_file, held_text);
    }
    std::filesystem::path lock_file() const { return dir / "shared.mec.lock"; }
    int load() { return comment_file_load(box, chooser, OwnerWindow::main_window(), config); }

    // This copy, locked out, reads the comments, cannot write them, and leaves the other
    // copy's lock file alone.
    void expect_locked_out() {
        ASSERT_EQ(load(), 1);
        ASSERT_EQ(presenter.shown.size(), 1u);
        EXPECT_EQ(presenter.last().text,
                  "Comments are in read-only mode\r\nThe comment file is locked by another user "
                  "or instance of\r\nVornex.  The current comments have been read into Vornex "
                  "but\r\nmay not be added to or modified.");
        EXPECT_FALSE(box.comment_lock_held);
        ASSERT_NE(comment_find(box, {1, 1, 1, 1, 1, 1, 1}), nullptr);
        EXPECT_EQ(comment_find(box, {1, 1, 1, 1, 1, 1, 1})->identifiers[0], "theirs");

        ASSERT_EQ(comment_store(box, {1, 1, 1, 1, 1, 1, 1}, endpoint_info{}), 0);
        EXPECT_EQ(comment_file_save(&box, chooser, OwnerWindow::main_window(), &config), 0);
        EXPECT_EQ(read_text(config.comment_file), held_text);
        EXPECT_FALSE(std::filesystem::exists(dir / "shared.mec~"));
        EXPECT_TRUE(std::filesystem::exists(lock_file()));
        presenter.clear();
    }
};

TEST_F(CommentLockTest, SecondCopyIsLockedOutUntilTheFirstEnds) {
    OtherCopy other(config.comment_file);
    ASSERT_EQ(other.report(), "held");
    expect_locked_out();

    EXPECT_EQ(other.end(), 0);
    EXPECT_FALSE(std::filesystem::exists(lock_file()));
    ASSERT_EQ(load(), 0);
    EXPECT_TRUE(presenter.shown.empty());
    EXPECT_TRUE(box.comment_lock_held);

    // And now the other copy is the one locked out.
    OtherCopy late(config.comment_file);
    EXPECT_EQ(late.report(), "read-only");
}

TEST_F(CommentLockTest, LockDoesNotOutliveACrashedCopy) {
    OtherCopy other(config.comment_file);
    ASSERT_EQ(other.report(), "held");
    expect_locked_out();

    const int status = other.kill();
    EXPECT_TRUE(WIFSIGNALED(status));
    // The crashed copy left its lock file behind, which only the folder's group may write;
    // the lock itself went with the process.
    EXPECT_EQ(std::filesystem::status(lock_file()).permissions() &
                  std::filesystem::perms::others_write,
              std::filesystem::perms::none);
    EXPECT_EQ(comment_lock(box, config), 0);
    EXPECT_TRUE(box.comment_lock_held);
    comment_lock_release(box);
    EXPECT_FALSE(std::filesystem::exists(lock_file()));
}

TEST_F(CommentLockTest, NoCommentFileNoLock) {
    config.comment_file.clear();
    EXPECT_EQ(comment_lock(box, config), 2);
    EXPECT_FALSE(box.comment_lock_held);
}

} // namespace
} // namespace vornex
