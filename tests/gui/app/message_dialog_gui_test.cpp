#include "gui/app/main_window.h"
#include "gui/app/message_dialog.h"
#include "gui/app/qt_presenter.h"
#include "modal_helper.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace vornex {
namespace {

using test::ModalAnswer;
using test::save_screenshot;

struct Seen {
    QString title;
    QString body;
    bool has_icon = false;
    QStringList buttons;
    Qt::WindowFlags flags;
    QRect geometry;
};

Seen look_at(QWidget* w) {
    Seen s;
    s.title = w->windowTitle();
    s.has_icon = !w->windowIcon().isNull();
    s.flags = w->windowFlags();
    s.geometry = w->frameGeometry();
    if (auto* dialog = qobject_cast<MessageDialog*>(w)) {
        s.body = dialog->bodyText();
    }
    for (QPushButton* b : w->findChildren<QPushButton*>()) {
        s.buttons << b->text().remove(QLatin1Char('&'));
    }
    return s;
}

class MessageDialogs : public ::testing::Test {
protected:
    MessageDialogs() : presenter(&window, [this](MessageKind k) { beeps.push_back(k); }) {
        window.move(20, 0); // the offscreen screen is 800 by 600
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    MainWindow window;
    std::vector<MessageKind> beeps;
    QtPresenter presenter;
};

TEST_F(MessageDialogs, ErrorDialogShowsTitleIconBodyAndBeeps) {
    Seen seen;
    ModalAnswer answer([&](QWidget* w) {
        seen = look_at(w);
        save_screenshot(w, QStringLiteral("error_dialog"));
        test::press(w, QDialogButtonBox::Ok);
    });
    const int result =
        error_dialog_main(presenter, "!!Read Error\r\n\r\n\r\nError reading file %s\r\n\r\n%s",
                          "/home/op/maps/a.csv", "No such file or directory");
    ASSERT_TRUE(answer.ran());
    EXPECT_EQ(result, dialog_ok);
    EXPECT_EQ(seen.title, QStringLiteral("Read Error"));
    EXPECT_TRUE(seen.has_icon);
    EXPECT_EQ(seen.body, QStringLiteral("\n\n\nError reading file /home/op/maps/a.csv\n\nNo such "
                                        "file or directory"));
    EXPECT_EQ(seen.buttons, QStringList{QStringLiteral("OK")});
    EXPECT_TRUE(seen.flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_EQ(beeps, std::vector<MessageKind>{MessageKind::exclamation});

    // Centred on its owner.
    const QRect owner = window.frameGeometry();
    EXPECT_NEAR(seen.geometry.center().x(), owner.center().x(), 1);
    EXPECT_NEAR(seen.geometry.center().y(), owner.center().y(), 1);
}

// One mark gives the icon without the beep; no mark gives neither.
TEST_F(MessageDialogs, SingleMarkAndNoMark) {
    const std::pair<const char*, QString> cases[] = {
        {"!Error\r\n\r\n\r\n\r\nPlease select a device.", QStringLiteral("Error")},
        {"Confirm Exit\r\n\r\nChanges have not been stored.\r\n\r\nConfirm Exit?",
         QStringLiteral("Confirm Exit")},
    };
    for (const auto& [text, title] : cases) {
        SCOPED_TRACE(text);
        Seen seen;
        ModalAnswer answer([&](QWidget* w) {
            seen = look_at(w);
            QTest::keyClick(w, Qt::Key_Return);
        });
        EXPECT_EQ(error_dialog_main(presenter, "%s", text), dialog_ok);
        ASSERT_TRUE(answer.ran());
        EXPECT_EQ(seen.title, title);
        EXPECT_EQ(seen.has_icon, text[0] == '!');
    }
    EXPECT_TRUE(beeps.empty());
}

TEST_F(MessageDialogs, ConfirmDialogAnswers) {
    Seen seen;
    ModalAnswer escape([&](QWidget* w) {
        seen = look_at(w);
        save_screenshot(w, QStringLiteral("confirm_dialog"));
        QTest::keyClick(w, Qt::Key_Escape);
    });
    EXPECT_EQ(confirm_dialog(presenter, QtPresenter::owner(&window),
                             "Confirm Store\r\n\r\n\r\nStore configuration?"),
              dialog_cancel);
    ASSERT_TRUE(escape.ran());
    EXPECT_EQ(seen.title, QStringLiteral("Confirm Store"));
    EXPECT_EQ(seen.body, QStringLiteral("\n\n\nStore configuration?"));
    EXPECT_EQ(seen.buttons, (QStringList{QStringLiteral("OK"), QStringLiteral("Cancel")}));
    EXPECT_FALSE(seen.flags.testFlag(Qt::WindowCloseButtonHint)); // no system menu
}

// Every way out of both dialogs and its answer: Escape and closing answer 2 (Cancel).
TEST_F(MessageDialogs, EveryAnswer) {
    const auto click = [](QDialogButtonBox::StandardButton which) {
        return [which](QWidget* w) { test::press(w, which); };
    };
    const struct {
        bool confirm;
        std::function<void(QWidget*)> action;
        int expected;
    } cases[] = {
        {true, click(QDialogButtonBox::Ok), dialog_ok},
        {true, click(QDialogButtonBox::Cancel), dialog_cancel},
        {false, [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }, dialog_cancel},
        {false, [](QWidget* w) { w->close(); }, dialog_cancel},
    };
    for (const auto& c : cases) {
        ModalAnswer answer(c.action);
        EXPECT_EQ(c.confirm ? confirm_dialog(presenter, {}, "Q\r\n")
                            : error_dialog_main(presenter, "!E\r\nbody"),
                  c.expected);
        ASSERT_TRUE(answer.ran());
    }
}

TEST_F(MessageDialogs, LongTitleAndNullText) {
    MessageDialog long_title(&window, error_dialog_template,
                             (std::string(100, 'L') + "\r\nbody").c_str(), [](MessageKind) {});
    EXPECT_EQ(long_title.windowTitle(), QString(79, QLatin1Char('L')));

    MessageDialog null_text(&window, confirm_dialog_template, nullptr, [](MessageKind) {});
    EXPECT_EQ(null_text.windowTitle(), QStringLiteral("Continue/Cancel"));
    EXPECT_TRUE(null_text.bodyText().isEmpty());
    EXPECT_TRUE(null_text.windowIcon().isNull());
}

TEST_F(MessageDialogs, LargerThanScreenOpensAtTopLeftOfWorkArea) {
    MessageDialog dialog(&window, error_dialog_template, "!x\r\n", [](MessageKind) {});
    dialog.setFixedSize(5000, 4000);
    ModalAnswer answer([&](QWidget* w) {
        const QRect work = w->screen()->availableGeometry();
        EXPECT_EQ(w->frameGeometry().topLeft(), work.topLeft());
        w->close();
    });
    dialog.exec();
    ASSERT_TRUE(answer.ran());
}

TEST_F(MessageDialogs, InternalErrorAndNoteBoxes) {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    const auto look = [&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        box->button(QMessageBox::Ok)->click();
    };
    ModalAnswer error(look);
    internal_error_box(presenter, "Memory allocation error in %s", "NewHsEntry");
    ASSERT_TRUE(error.ran());
    EXPECT_EQ(title, QStringLiteral("Error"));
    EXPECT_EQ(text, QStringLiteral("Memory allocation error in NewHsEntry"));
    EXPECT_EQ(icon, QMessageBox::Warning);

    ModalAnswer note(look);
    note_box(presenter, "Invalid port range %d through %d.  Please correct or cancel.", 9, 3);
    ASSERT_TRUE(note.ran());
    EXPECT_EQ(title, QStringLiteral(" "));
    EXPECT_EQ(text, QStringLiteral("Invalid port range 9 through 3.  Please correct or cancel."));
    EXPECT_EQ(icon, QMessageBox::NoIcon);
}

TEST_F(MessageDialogs, MainWindowAndAboutBox) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Vornex v2.02"));
    EXPECT_EQ(window.size(), QSize(722, 634));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    save_screenshot(&window, QStringLiteral("main_window"));

    QString about_title, program_title;
    ModalAnswer about([&](QWidget* w) {
        about_title = w->windowTitle();
        program_title = w->findChild<QLabel*>(QStringLiteral("programTitle"))->text();
        save_screenshot(w, QStringLiteral("about_dialog"));
        QTest::keyClick(w, Qt::Key_Escape);
    });
    QTest::keyClick(&window, Qt::Key_Slash, Qt::AltModifier); // Alt+?
    ASSERT_TRUE(test::wait_for([&] { return about.ran(); }, 5000));
    EXPECT_EQ(about_title, QStringLiteral("About Vornex"));
    EXPECT_EQ(program_title, QStringLiteral("Vornex v2.02"));
}

} // namespace
} // namespace vornex
