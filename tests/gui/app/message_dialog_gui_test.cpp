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

// Each routine's dialog: its title and icon from the marks, a beep only for a doubled mark,
// the body with plain line feeds, centred on its owner (CenterWindow has the edges and the
// larger-than-the-screen case); Escape and closing answer Cancel.
TEST_F(MessageDialogs, TitleIconBodyButtonsAndEveryAnswer) {
    const auto click = [](QDialogButtonBox::StandardButton which) {
        return [which](QWidget* w) { test::press(w, which); };
    };
    const auto key = [](Qt::Key k) { return [k](QWidget* w) { QTest::keyClick(w, k); }; };
    const char* const read_error = "!!Read Error\r\n\r\n\r\nError reading file "
                                   "/home/op/maps/a.csv\r\n\r\nNo such file or directory";
    const struct {
        bool confirm;
        const char* text;
        std::function<void(QWidget*)> action;
        int expected;
        const char* title;
        const char* body;
        bool beep;
    } cases[] = {
        {false, read_error, click(QDialogButtonBox::Ok), dialog_ok, "Read Error",
         "\n\n\nError reading file /home/op/maps/a.csv\n\nNo such file or directory", true},
        {false, "!One\r\nbody", key(Qt::Key_Return), dialog_ok, "One", "\nbody", false},
        {false, "None\r\nbody", key(Qt::Key_Return), dialog_ok, "None", "\nbody", false},
        {false, "!E\r\nbody", key(Qt::Key_Escape), dialog_cancel, "E", "\nbody", false},
        {false, "!E\r\nbody", [](QWidget* w) { w->close(); }, dialog_cancel, "E", "\nbody", false},
        {true, "Confirm Store\r\n\r\n\r\nStore configuration?", key(Qt::Key_Escape), dialog_cancel,
         "Confirm Store", "\n\n\nStore configuration?", false},
        {true, "Q\r\n", click(QDialogButtonBox::Ok), dialog_ok, "Q", "\n", false},
        {true, "Q\r\n", click(QDialogButtonBox::Cancel), dialog_cancel, "Q", "\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        beeps.clear();
        ModalAnswer answer([&](QWidget* w) {
            auto* dialog = qobject_cast<MessageDialog*>(w);
            EXPECT_EQ(w->windowTitle(), QString::fromLatin1(c.title));
            EXPECT_EQ(dialog != nullptr ? dialog->bodyText() : QString(),
                      QString::fromLatin1(c.body));
            EXPECT_EQ(!w->windowIcon().isNull(), c.text[0] == '!');
            QStringList buttons;
            for (QPushButton* b : w->findChildren<QPushButton*>())
                buttons << b->text().remove(QLatin1Char('&'));
            EXPECT_EQ(buttons.join(' '), c.confirm ? "OK Cancel" : "OK");
            // A confirmation has no system menu.
            EXPECT_EQ(w->windowFlags().testFlag(Qt::WindowCloseButtonHint), !c.confirm);
            EXPECT_NEAR(w->frameGeometry().center().x(), window.frameGeometry().center().x(), 1);
            EXPECT_NEAR(w->frameGeometry().center().y(), window.frameGeometry().center().y(), 1);
            save_screenshot(w, c.confirm ? QStringLiteral("confirm_dialog")
                                         : QStringLiteral("error_dialog"));
            c.action(w);
        });
        EXPECT_EQ(c.confirm ? confirm_dialog(presenter, QtPresenter::owner(&window), "%s", c.text)
                            : error_dialog_main(presenter, "%s", c.text),
                  c.expected);
        ASSERT_TRUE(answer.ran());
        EXPECT_EQ(beeps, c.beep ? std::vector<MessageKind>{MessageKind::exclamation}
                                : std::vector<MessageKind>{});
    }
}

TEST_F(MessageDialogs, NullText) {
    MessageDialog null_text(&window, confirm_dialog_template, nullptr, [](MessageKind) {});
    EXPECT_EQ(null_text.windowTitle(), QStringLiteral("Continue/Cancel"));
    EXPECT_TRUE(null_text.bodyText().isEmpty());
    EXPECT_TRUE(null_text.windowIcon().isNull());
}

TEST_F(MessageDialogs, InternalErrorAndNoteBoxes) {
    const struct {
        void (*show)(Presenter&, const char*, ...);
        const char* text;
        QString title;
        QMessageBox::Icon icon;
    } cases[] = {
        {internal_error_box, "Memory allocation error in NewHsEntry", QStringLiteral("Error"),
         QMessageBox::Warning},
        {note_box, "Invalid port range 9 through 3.  Please correct or cancel.",
         QStringLiteral(" "), QMessageBox::NoIcon},
    };
    for (const auto& c : cases) {
        ModalAnswer answer([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), c.title);
            EXPECT_EQ(box->text(), QString::fromLatin1(c.text));
            EXPECT_EQ(box->icon(), c.icon);
            box->button(QMessageBox::Ok)->click();
        });
        c.show(presenter, "%s", c.text);
        ASSERT_TRUE(answer.ran()) << c.text;
    }
}

TEST_F(MessageDialogs, MainWindowAndAboutBox) {
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
