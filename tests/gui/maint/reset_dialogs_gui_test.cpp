// The reset dialogs against the demo device (what the resets send is reset_test's).
#include "demo_window.h"
#include "gui/maint/reset_dialogs.h"
#include "maint/card_reset.h"
#include "modal_helper.h"
#include "model/card.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

namespace vornex {
namespace {

using namespace test;

QString text_of(QWidget* dialog, const char* edit) {
    return child<QPlainTextEdit>(dialog, edit)->toPlainText();
}

TEST(ResetDialogs, SystemResetLeftWhileRunningKeepsTheChanges) {
    auto demo = test::DemoWindow::open();
    ASSERT_TRUE(demo);
    demo->window->setChangesNotStored(true);
    ModalAnswer answer([&](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "System Reset");
        EXPECT_EQ(text_of(dialog, "detailText"), "XCU Sync Status: sync");
        EXPECT_FALSE(child<QPushButton>(dialog, "resetButton")->isEnabled());
        EXPECT_TRUE(child<QRadioButton>(dialog, "standbyCold")->isEnabled());
        save_screenshot(dialog, QStringLiteral("system_reset_dialog"));
        child<QRadioButton>(dialog, "systemWarm")->click();
        demo->presenter.answers = {dialog_ok};
        child<QPushButton>(dialog, "resetButton")->click();
        EXPECT_TRUE(wait_for([&] {
            return text_of(dialog, "detailText") == "waiting...this may take several minutes";
        }));
        EXPECT_FALSE(child<QRadioButton>(dialog, "systemCold")->isEnabled());
        save_screenshot(dialog, QStringLiteral("system_reset_running"));
        // Escape asks first; staying keeps the dialog, leaving ends it.
        demo->presenter.answers = {dialog_cancel};
        QTest::keyClick(dialog, Qt::Key_Escape);
        EXPECT_TRUE(dialog->isVisible());
        demo->presenter.answers = {dialog_ok};
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    demo->trigger("actionResetSystem");
    ASSERT_TRUE(answer.ran());
    EXPECT_EQ(demo->presenter.shown.size(), 3u); // the reset's and both leave questions
    EXPECT_TRUE(demo->window->changesNotStored());
    EXPECT_FALSE(wait_for([&] { return demo->ended->count() > 1; }, 500));
    EXPECT_EQ(std::ranges::count(demo->sim->requests(), "SET 1.3.6.1.4.1.823.4150.1.7.3.0=i:2"), 1);
}

TEST(ResetDialogs, CardResetFromTheMenuAndAfterFirmware) {
    auto demo = test::DemoWindow::open();
    ASSERT_TRUE(demo);
    std::optional<ModalAnswer> card_dialog;
    ModalAnswer choose([&](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Choose Card");
        auto* list = child<QListWidget>(dialog, "cardList");
        EXPECT_EQ(list->currentRow(), 0);
        EXPECT_EQ(list->item(0)->text(), "Trib1: E1-NP - V1.00.00");
        list->setCurrentRow(2);
        save_screenshot(dialog, QStringLiteral("choose_card_dialog"));
        card_dialog.emplace([](QWidget* reset) {
            EXPECT_EQ(reset->windowTitle(), "Card Reset");
            EXPECT_EQ(text_of(reset, "stepText"),
                      "\n\n\n\t\tTrib3: E1-PRTD\n\n\t\tSend card reset command now?");
            // From the menu the pair's choice is never offered.
            EXPECT_FALSE(child<QRadioButton>(reset, "workingRadio")->isVisible());
            EXPECT_FALSE(child<QRadioButton>(reset, "bothRadio")->isVisible());
            save_screenshot(reset, QStringLiteral("card_reset_dialog"));
            child<QPushButton>(reset, "cancelButton")->click();
        });
        test::press(dialog, QDialogButtonBox::Ok);
    });
    demo->trigger("actionResetCard");
    ASSERT_TRUE(choose.ran());
    ASSERT_TRUE(card_dialog && card_dialog->ran());

    const Card& trib4 = *demo->window->box()->cards[3];
    const CardResetOffer offer = card_firmware_reset_offer(trib4);
    ModalAnswer pair([&](QWidget* reset) {
        EXPECT_EQ(child<QRadioButton>(reset, "workingRadio")->text(), "Working (Trib4)");
        EXPECT_EQ(child<QRadioButton>(reset, "standbyRadio")->text(), "Standby (Trib3)");
        EXPECT_TRUE(child<QRadioButton>(reset, "bothRadio")->isEnabled());
        save_screenshot(reset, QStringLiteral("card_reset_pair_dialog"));
        child<QRadioButton>(reset, "bothRadio")->click();
        demo->presenter.answers = {dialog_ok};
        child<QPushButton>(reset, "coldButton")->click();
        EXPECT_TRUE(wait_for([&] { return text_of(reset, "stepText").contains("in progress"); }));
        EXPECT_FALSE(child<QPushButton>(reset, "warmButton")->isEnabled());
        child<QPushButton>(reset, "cancelButton")->click();
    });
    EXPECT_EQ(card_reset_dialog(demo->window.get(), *demo->window->box(), trib4, offer.prompt,
                                offer.protected_pair),
              dialog_cancel);
    ASSERT_TRUE(pair.ran());
    EXPECT_EQ(std::ranges::count(demo->sim->requests(), "SET 1.3.6.1.4.1.823.4150.3.7.1.2.4=i:4"),
              1);
}

} // namespace
} // namespace vornex
