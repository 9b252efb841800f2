// The comment file: its text both ways, loading with the lock, and saving with the backup,
// the error loop and the choice of another file.

#include "comment_test_util.h"
#include "comments/comment_file.h"
#include "comments/comment_format.h"
#include "comments/comment_lock.h"
#include "comments/comments.h"
#include "device/box.h"
#include "file_size_limit.h"
#include "model/hs_entry.h"
#include "recording_presenter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace vornex {
namespace {

using test::make_info;
using test::read_text;
using test::write_file;

std::vector<std::pair<EndpointKey, endpoint_info>> contents(Box& box) {
    std::vector<std::pair<EndpointKey, endpoint_info>> all;
    comment_walk(box.comments.get(),
                 [&](const EndpointKey& key, endpoint_info& info) { all.emplace_back(key, info); });
    return all;
}

class CommentFileTest : public ::testing::Test {
protected:
    test::RecordingPresenter presenter;
    test::ScriptedChooser chooser;
    test::ScratchDir dir;
    device_config config;
    Box box{presenter};

    const std::filesystem::path lock_file = dir / "device.mec.lock";
    const std::filesystem::path backup_file = dir / "device.mec~";

    void SetUp() override { config.comment_file = dir / "device.mec"; }
    int save() { return comment_file_save(&box, chooser, OwnerWindow::main_window(), &config); }
    int load(Box& into) {
        return comment_file_load(into, chooser, OwnerWindow::main_window(), config);
    }
};

// That endpoint's line as the file holds it.
std::string one_record(const std::string& id) {
    return "1, 1, 1, 1, 1, 1, 1, C, \"" + id + "\", \"\", \"\", \"\", \"\"\r\n";
}

TEST_F(CommentFileTest, RoundTripKeepsEverythingButEmptyInformation) {
    const std::string id18 = "ABCDEFGHIJKLMNOPQR";
    const std::string comment62(62, 'z');
    ASSERT_EQ(comment_store(box, {3, 17, 2, 100, 100, 100, 18},
                            make_info(true, {id18, " lead", "trail ", "a, \\b"}, comment62)),
              0);
    ASSERT_EQ(comment_store(box, {1, 5, 1, 100, 100, 100, 2},
                            make_info(false, {"common", "", "", ""}, "  ")),
              0);
    ASSERT_EQ(comment_store(box, {2, 5, 1, 100, 100, 100, 2}, make_info(true, {}, "")), 0);
    ASSERT_EQ(comment_lock(box, config), 0);
    ASSERT_EQ(save(), 0);
    EXPECT_TRUE(presenter.shown.empty()) << presenter.last().text;

    EXPECT_EQ(read_text(config.comment_file),
              "1, 5, 1, 100, 100, 100, 2, C, \"common\", \"\", \"\", \"\", \"  \"\r\n"
              "3, 17, 2, 100, 100, 100, 18, M, \"" +
                  id18 + "\", \" lead\", \"trail \", \"a, \\b\", \"" + comment62 +
                  "\"\r\n"
                  "\r\n");
    EXPECT_FALSE(box.comment_lock_held);
    EXPECT_FALSE(std::filesystem::exists(lock_file));

    Box reread(presenter);
    reread.displayed_map = 2;
    ASSERT_EQ(load(reread), 0);
    EXPECT_TRUE(presenter.shown.empty());
    EXPECT_TRUE(reread.comment_lock_held);
    EXPECT_TRUE(std::filesystem::exists(lock_file));
    auto expected = contents(box);
    expected.erase(expected.begin() + 1); // the empty information of slot 2
    EXPECT_EQ(contents(reread), expected);
    // Reading what was in the file counts as a change, so it is written back at the close.
    EXPECT_TRUE(reread.comments_dirty);
}

TEST_F(CommentFileTest, LoadSkipsWhatIsNotARecordAndCutsLongTexts) {
    write_file(config.comment_file,
               "# 1, 2, 3, 4, 5, 6, 1, C, \"\", \"\", \"\", \"\", \"\"\n\n"
               // The long line's first piece ends inside its comment: it has only 12 fields.
               "1, 2, 3, 4, 5, 6, 7, C, \"one\", \"\", \"\", \"\", \"" +
                   std::string(1100, 'q') +
                   "\"\n"
                   "1, 2, 3, 4, 5, 6, 8, C, \"two\", \"\", \"\", \"\", \"\"\n"
                   "257, -1, 3, 4, 5, 6, 7, Map, \"" +
                   std::string(25, 'i') + "\", \"b\",x, \"\",\"" + std::string(80, 'c') +
                   "\"\n"
                   // The comment's closing quote may be missing.
                   "1,2,3,4,5,6,10,C,\"a\",\"\",\"\",\"\",\"open\r\n"
                   "1, 2, 3, 4, 5, 6, 9, M, \"\", \"three\", \"\", \"\", \"no line feed\"");
    ASSERT_EQ(load(box), 0);
    EXPECT_EQ(contents(box).size(), 4u);
    EXPECT_EQ(test::stored(box, {1, 2, 3, 4, 5, 6, 8}), make_info(false, {"two"}, ""));
    // A field without a quote is empty.
    EXPECT_EQ(test::stored(box, {1, 255, 3, 4, 5, 6, 7}),
              make_info(true, {std::string(18, 'i'), "b", "", ""}, std::string(62, 'c')));
    EXPECT_EQ(test::stored(box, {1, 2, 3, 4, 5, 6, 10}), make_info(false, {"a"}, "open"));
    EXPECT_EQ(test::stored(box, {1, 2, 3, 4, 5, 6, 9}),
              make_info(true, {"", "three", "", ""}, "no line feed"));
}

TEST_F(CommentFileTest, WithoutCommentFileNothingIsLockedAndTheSaveAsksForOne) {
    EXPECT_EQ(comment_file_save(nullptr, chooser, OwnerWindow::main_window(), &config), 1);
    EXPECT_EQ(comment_file_save(&box, chooser, OwnerWindow::main_window(), nullptr), 1);
    config.comment_file.clear();
    EXPECT_EQ(load(box), 1);
    EXPECT_FALSE(box.comment_lock_held);
    EXPECT_EQ(save(), 0); // nothing changed: nothing to ask
    EXPECT_TRUE(presenter.shown.empty());
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

    ASSERT_EQ(comment_store(box, {1, 1, 1, 1, 1, 1, 1}, make_info(false, {"x"}, "")), 0);
    EXPECT_EQ(save(), 0); // the script is empty: "Skip"
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.last().routine, test::Routine::confirm);
    EXPECT_EQ(presenter.last().text, comment_dialog_message(CommentDialog::not_configured));
    EXPECT_EQ(presenter.last().parsed.title, "Vornex Comment File not configured\r");
    EXPECT_EQ(chooser.browsed, 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

    // The first choice is cancelled, which asks again; the second is taken and written.
    const auto chosen = dir / "chosen.mec";
    presenter.clear();
    presenter.answers = {dialog_ok, dialog_ok};
    chooser.picks = {std::nullopt, chosen};
    EXPECT_EQ(save(), 0);
    EXPECT_EQ(chooser.browsed, 2);
    EXPECT_EQ(presenter.texts(),
              std::vector<std::string>(2, comment_dialog_message(CommentDialog::not_configured)));
    EXPECT_EQ(config.comment_file, chosen);
    EXPECT_EQ(read_text(chosen), one_record("x") + "\r\n");
    EXPECT_FALSE(box.comment_lock_held);
    EXPECT_FALSE(std::filesystem::exists(dir / "chosen.mec.lock"));
}

TEST_F(CommentFileTest, BackupProblemsAreShownAndDoNotStopTheSave) {
    write_file(config.comment_file, "");
    std::filesystem::create_directories(backup_file / "in the way");
    ASSERT_EQ(load(box), 0);
    ASSERT_EQ(comment_store(box, {1, 1, 1, 1, 1, 1, 1}, make_info(false, {"new"}, "")), 0);
    ASSERT_EQ(save(), 0);
    const std::string backup = backup_file.string();
    ASSERT_EQ(presenter.shown.size(), 2u);
    EXPECT_EQ(presenter.texts()[0], "!Error\r\n\r\nError backing up Endpoint Comment File.\r\n\r\n"
                                    "Unable to remove old backup file:\r\n" +
                                        backup + "\r\n\r\nIs a directory");
    EXPECT_EQ(presenter.texts()[1], "!Error\r\n\r\nError backing up Endpoint Comment File.\r\n\r\n"
                                    "Unable to create backup file:\r\n" +
                                        backup + "\r\n\r\nFile exists");
    EXPECT_EQ(read_text(config.comment_file), one_record("new") + "\r\n");
}

TEST_F(CommentFileTest, WriteFailingPartWayLeavesThePreviousFiles) {
    const std::string previous = one_record("old");
    write_file(config.comment_file, previous);
    write_file(backup_file, "older");
    ASSERT_EQ(load(box), 0);
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(comment_store(box, {1, 1, 1, 1, 1, 1, static_cast<std::uint8_t>(i)},
                                make_info(false, {"new"}, "a comment long enough")),
                  0);
    const int result = test::with_file_size_limit(200, [&] { return save(); });

    EXPECT_EQ(result, 0); // the script is empty: "Skip"
    ASSERT_EQ(presenter.shown.size(), 2u);
    EXPECT_EQ(presenter.texts()[0], "!!Error\r\n\r\n\r\nError writing Endpoint Comment File:\r\n" +
                                        (dir / "device.mec").string() + "\r\n\r\nFile too large");
    EXPECT_EQ(presenter.texts()[1], comment_dialog_message(CommentDialog::save_error));
    EXPECT_EQ(read_text(dir / "device.mec"), previous);
    EXPECT_EQ(read_text(dir / "device.mec~"), "older");
    EXPECT_FALSE(std::filesystem::exists(dir / "device.mec.tmp"));
    EXPECT_TRUE(config.comment_file.empty());
    EXPECT_FALSE(box.comment_lock_held);
    EXPECT_FALSE(std::filesystem::exists(dir / "device.mec.lock"));
}

// A save whose process ends at one of its steps, as a kill or a crash there would end it.
struct StoppedBox : Box {
    static constexpr int stopped = 3;
    StoppedBox(Presenter& presenter, int stop_at) : Box(presenter), stop_at(stop_at) {}
    void comment_save_step(int step) override {
        if (step == stop_at)
            ::_exit(stopped);
    }
    int stop_at;
};

TEST_F(CommentFileTest, SaveStoppedAtAnyStepLeavesWholeCommentsForTheNextLoad) {
    const EndpointKey key{1, 1, 1, 1, 1, 1, 1};
    const std::string old_line = comment_record_line(key, make_info(false, {"old"}, "")) + "\r\n";
    for (const bool first_save : {false, true}) {
        bool stopped = true;
        for (int step = 0; stopped; ++step) {
            test::ScratchDir fresh;
            config.comment_file = fresh / "device.mec";
            if (!first_save) {
                write_file(config.comment_file, old_line);
                write_file(fresh / "device.mec~", "older");
            }
            const pid_t child = ::fork();
            if (child == 0) {
                StoppedBox saving(presenter, step);
                load(saving);
                comment_store(saving, key, make_info(false, {"new"}, ""));
                ::_exit(comment_file_save(&saving, chooser, OwnerWindow::main_window(), &config));
            }
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFEXITED(status));
            stopped = WEXITSTATUS(status) == StoppedBox::stopped;

            const bool missing = !std::filesystem::exists(config.comment_file);
            const auto files = std::distance(std::filesystem::directory_iterator(fresh.path()), {});
            Box reread(presenter);
            presenter.clear();
            ASSERT_EQ(load(reread), 0) << "step " << step;
            const endpoint_info* info = comment_find(reread, key);
            const std::string found = info != nullptr ? info->identifiers[0] : "";
            // The old comments or the new ones, whole; after a finished save the new ones.
            EXPECT_TRUE(found == "new" || (stopped && found == (first_save ? "" : "old")))
                << "step " << step << " found \"" << found << '"';
            if (!stopped && !first_save) {
                // The previous file is the backup now, and nothing else is left beside them.
                EXPECT_EQ(read_text(fresh / "device.mec~"), old_line);
                EXPECT_EQ(files, 2);
            }
            if (missing && info != nullptr) {
                ASSERT_EQ(presenter.shown.size(), 1u);
                EXPECT_TRUE(presenter.last().text.starts_with("Comment file recovered\r\n"));
            }
        }
    }
}

TEST_F(CommentFileTest, WhatIsNotARegularFileIsNeitherReadNorReplaced) {
    const auto folder = dir / "folder.mec";
    const auto pipe = dir / "pipe.mec";
    std::filesystem::create_directories(folder / "inside");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const auto& path : {folder, pipe}) {
        config.comment_file = path;
        presenter.clear();
        EXPECT_EQ(load(box), 1);
        ASSERT_EQ(presenter.shown.size(), 1u);
        EXPECT_TRUE(presenter.last().text.starts_with("Comment file read error\r\n"));
        EXPECT_FALSE(box.comment_lock_held);
    }

    // Chosen at the save, the folder is refused with the create error and stays.
    config.comment_file.clear();
    ASSERT_EQ(comment_store(box, {1, 1, 1, 1, 1, 1, 1}, make_info(false, {"x"}, "")), 0);
    chooser.picks = {folder};
    presenter.clear();
    presenter.answers = {dialog_ok};
    EXPECT_EQ(save(), 0); // then "Skip"
    ASSERT_EQ(presenter.shown.size(), 3u);
    EXPECT_EQ(presenter.texts()[1],
              "!!Error\r\n\r\n\r\nUnable to create Endpoint Comment File:\r\n" + folder.string() +
                  "\r\n\r\nIs a directory");
    EXPECT_EQ(presenter.texts()[2], comment_dialog_message(CommentDialog::save_error));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "inside"));
    EXPECT_FALSE(std::filesystem::exists(dir / "folder.mec~"));
}

// Makes the folder read-only for the rest of the scope. Root passes over permissions, so a
// test running as root drops its effective user for that time.
struct ReadOnlyFolder {
    explicit ReadOnlyFolder(const std::filesystem::path& folder) : folder(folder) {
        using std::filesystem::perms;
        std::filesystem::permissions(folder,
                                     perms::owner_write | perms::group_write | perms::others_write,
                                     std::filesystem::perm_options::remove);
        dropped = ::geteuid() == 0 && ::seteuid(65534) == 0;
    }
    ~ReadOnlyFolder() {
        if (dropped)
            (void)::seteuid(0);
        std::filesystem::permissions(folder, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
    }
    const std::filesystem::path folder;
    bool dropped = false;
};

TEST_F(CommentFileTest, AfterAFailureAnotherFileCanBeChosen) {
    write_file(config.comment_file, "");
    ASSERT_EQ(load(box), 0);
    ASSERT_EQ(comment_store(box, {1, 1, 1, 1, 1, 1, 1}, make_info(false, {"kept"}, "")), 0);

    // The first file chosen is locked by another box; the second one works.
    test::ScratchDir elsewhere;
    std::filesystem::permissions(elsewhere.path(), std::filesystem::perms::all);
    device_config taken;
    taken.comment_file = elsewhere / "taken.mec";
    Box holder(presenter);
    ASSERT_EQ(comment_lock(holder, taken), 0);
    chooser.picks = {taken.comment_file, elsewhere / "free.mec"};
    presenter.answers = {dialog_ok, dialog_ok, dialog_ok, dialog_ok};
    {
        ReadOnlyFolder read_only(dir.path());
        EXPECT_EQ(save(), 0);
    }
    const std::vector<std::string> texts = presenter.texts();
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0], "!!Error\r\n\r\n\r\nUnable to create Endpoint Comment File:\r\n" +
                            (dir / "device.mec").string() + "\r\n\r\nPermission denied");
    EXPECT_EQ(presenter.shown[1].routine, test::Routine::confirm);
    EXPECT_EQ(texts[1], comment_dialog_message(CommentDialog::save_error));
    EXPECT_EQ(presenter.shown[1].parsed.title, "Vornex Comment File Error\r");
    EXPECT_EQ(texts[2], "Comment File lock error\r\nThe selected file could not be locked.  The "
                        "file is in use or\r\nlocated in a read-only folder.  Please select a "
                        "different location.");
    EXPECT_EQ(texts[3], comment_dialog_message(CommentDialog::save_error));
    EXPECT_EQ(config.comment_file, elsewhere / "free.mec");
    EXPECT_EQ(read_text(elsewhere / "free.mec"), one_record("kept") + "\r\n");
    EXPECT_EQ(read_text(dir / "device.mec"), "");
    Box other(presenter); // the first file's lock is free again
    taken.comment_file = dir / "device.mec";
    EXPECT_EQ(comment_lock(other, taken), 0);
    EXPECT_TRUE(holder.comment_lock_held);
    EXPECT_TRUE(std::filesystem::exists(elsewhere / "taken.mec.lock"));
    EXPECT_FALSE(std::filesystem::exists(elsewhere / "taken.mec"));
}

TEST_F(CommentFileTest, MissingFileIsANormalStart) {
    ASSERT_EQ(load(box), 0);
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.last().routine, test::Routine::error);
    EXPECT_EQ(presenter.last().text, comment_dialog_message(CommentDialog::read_error));
    EXPECT_TRUE(box.comment_lock_held);
    EXPECT_FALSE(box.comments_dirty);

    // Unchanged comments are not written, and the lock goes.
    EXPECT_EQ(save(), 0);
    EXPECT_FALSE(std::filesystem::exists(config.comment_file));
    EXPECT_FALSE(std::filesystem::exists(lock_file));
}

TEST_F(CommentFileTest, OtherLockAndReadFailures) {
    // A folder that does not exist: neither locked nor read.
    config.comment_file = dir / "missing" / "device.mec";
    ASSERT_EQ(load(box), 1);
    EXPECT_EQ(presenter.last().text,
              "Comments are in read-only mode\r\nThe comment file could not be locked or opened.  "
              "This may be due to\r\nfolder permissions.  Please verify the user has read-write "
              "permission\r\nfor the folder containing the comment file and that the comment "
              "file\r\nis not currently opened in another application.");

    // A read-only folder: the file is read but cannot be locked.
    config.comment_file = dir / "device.mec";
    write_file(config.comment_file, one_record("x"));
    {
        ReadOnlyFolder read_only(dir.path());
        ASSERT_EQ(load(box), 1);
    }
    EXPECT_EQ(presenter.last().text,
              "Comments are in read-only mode\r\nThe comment file could not be locked.  This may "
              "be due to folder\r\npermissions.  Please verify the user has read-write "
              "permission\r\nfor the folder containing the comment file.  The comments\r\nhave "
              "been read into Vornex but may not be added to or modified.");
    EXPECT_NE(comment_find(box, {1, 1, 1, 1, 1, 1, 1}), nullptr);

    // Locked, but the file cannot be read: the lock is given back.
    presenter.clear();
    config.comment_file = dir / "unreadable.mec";
    std::filesystem::create_symlink(config.comment_file, config.comment_file); // a loop
    ASSERT_EQ(load(box), 1);
    EXPECT_EQ(presenter.last().text,
              "Comment file read error\r\nThe comment file could not be opened.  This could be "
              "due to a\r\nmissing folder, permissions on the destination folder, or the\r\nfile "
              "being opened in another application.  Please verify the\r\ncomment file location "
              "in the device configuration.");
    EXPECT_FALSE(box.comment_lock_held);
    EXPECT_FALSE(std::filesystem::exists(dir / "unreadable.mec.lock"));
}

} // namespace
} // namespace vornex
