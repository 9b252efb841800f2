// Two processes on one comment file: the lock keeps the second out, and it is free again when
// the first ends, normally or killed.

#include "comment_test_util.h"
#include "comments/comment_file.h"
#include "comments/comments.h"
#include "device/box.h"
#include "recording_presenter.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>

namespace vornex {
namespace {

using test::read_text;
using test::write_file;

// The helper program, holding the comment file until its stdin ends. Its report and its
// process id go to files of its own beside the comment file.
class OtherCopy {
public:
    explicit OtherCopy(const std::filesystem::path& comment_file) {
        static int copies = 0;
        const auto base = comment_file.parent_path() / ("copy" + std::to_string(++copies));
        pid_file_ = base.string() + ".pid";
        report_file_ = base.string() + ".report";
        input_ = ::popen(("echo $$ >" + pid_file_ + "; exec " + COMMENT_LOCK_HOLDER + " " +
                          comment_file.string() + " >" + report_file_)
                             .c_str(),
                         "w");
    }
    ~OtherCopy() { end(); }

    // The helper's report, waiting at most ten seconds for it.
    std::string report() const {
        for (int i = 0; i < 400 && !read_text(report_file_).ends_with('\n'); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        const std::string line = read_text(report_file_);
        return line.substr(0, line.find('\n'));
    }
    // Ends the helper by closing its stdin; answers its wait status.
    int end() {
        const int status = input_ != nullptr ? ::pclose(input_) : -1;
        input_ = nullptr;
        return status;
    }
    int kill() {
        ::kill(std::stoi(read_text(pid_file_)), SIGKILL);
        return end();
    }

private:
    std::string pid_file_;
    std::string report_file_;
    std::FILE* input_ = nullptr;
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
        EXPECT_EQ(test::stored(box, {1, 1, 1, 1, 1, 1, 1}), test::make_info(false, {"theirs"}, ""));

        ASSERT_EQ(comment_store(box, {1, 1, 1, 1, 1, 1, 1}, endpoint_info{}), 0);
        EXPECT_EQ(comment_file_save(&box, chooser, OwnerWindow::main_window(), &config), 0);
        EXPECT_EQ(read_text(config.comment_file), held_text);
        EXPECT_FALSE(std::filesystem::exists(dir / "shared.mec~"));
        EXPECT_TRUE(std::filesystem::exists(lock_file()));
        presenter.clear();
    }
};

TEST_F(CommentLockTest, SecondCopyIsLockedOutUntilTheFirstEndsOrIsKilled) {
    {
        OtherCopy other(config.comment_file);
        ASSERT_EQ(other.report(), "held");
        expect_locked_out();
        EXPECT_EQ(other.end(), 0);
        EXPECT_FALSE(std::filesystem::exists(lock_file()));
    }
    OtherCopy crashed(config.comment_file);
    ASSERT_EQ(crashed.report(), "held");
    expect_locked_out();
    EXPECT_TRUE(WIFSIGNALED(crashed.kill()));
    // The crashed copy left its lock file behind, which only the folder's group may write;
    // the lock itself went with the process.
    EXPECT_EQ(std::filesystem::status(lock_file()).permissions() &
                  std::filesystem::perms::others_write,
              std::filesystem::perms::none);
    ASSERT_EQ(load(), 0);
    EXPECT_TRUE(presenter.shown.empty());
    EXPECT_TRUE(box.comment_lock_held);

    // And now the other copy is the one locked out.
    OtherCopy late(config.comment_file);
    EXPECT_EQ(late.report(), "read-only");
}

} // namespace
} // namespace vornex
