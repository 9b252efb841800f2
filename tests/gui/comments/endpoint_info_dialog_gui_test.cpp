#include "comments/comments.h"
#include "device/box.h"
#include "gui/comments/endpoint_info_dialog.h"
#include "modal_helper.h"
#include "model/card.h"
#include "recording_presenter.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace vornex {
namespace {

using test::RecordingPresenter;
using test::save_screenshot;

const char* const invalid_text =
    "!!Error\r\n\r\n\r\nInvalid characters in input.\r\n\r\nID and comment may not contain double "
    "quote, backslash, or control characters.";

class EndpointInfo : public ::testing::Test {
protected:
    EndpointInfo() : box(presenter) {
        box.comment_lock_held = true;
        card.installed_model = 7;
        leaf.card = &card;
        leaf.address = {3, 1, 100, 100, 100, 6};
        owner.resize(600, 400);
        owner.show();
    }
    ~EndpointInfo() override { comment_tree_free(box); }

    QLineEdit* field(QWidget* d, const char* name) { return test::child<QLineEdit>(d, name); }
    QCheckBox* map_specific(QWidget* d) { return test::child<QCheckBox>(d, "mapSpecific"); }
    const endpoint_info* stored() { return comment_find(box, endpoint_key(leaf)); }

    RecordingPresenter presenter;
    Box box;
    Card card;
    HsEntry leaf;
    QWidget owner;
};

TEST_F(EndpointInfo, AnEndpointWithoutInformationOpensEmpty) {
    EndpointInfoDialog dialog(&owner, box, "Trib3 Port-01 TS-05", leaf);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(),
              QStringLiteral("Set Endpoint Information - Trib3 Port-01 TS-05"));
    // Identifier, comment, maps 2 to 4: each empty, and shown (s) or hidden (h), enabled (e)
    // or disabled (d).
    const auto fields = [&] {
        std::string state;
        for (const char* name :
             {"identifier", "comment", "identifierMap2", "identifierMap3", "identifierMap4"}) {
            QLineEdit* f = field(&dialog, name);
            EXPECT_TRUE(f->text().isEmpty()) << name;
            state += std::string(f->isVisible() ? "s" : "h") + (f->isEnabled() ? "e " : "d ");
        }
        return state;
    };
    EXPECT_FALSE(map_specific(&dialog)->isChecked());
    EXPECT_EQ(fields(), "se se sd hd hd ");
    EXPECT_EQ(field(&dialog, "identifier")->maxLength(), 18);
    EXPECT_EQ(field(&dialog, "comment")->maxLength(), 62);
    save_screenshot(&dialog, QStringLiteral("endpoint_info_dialog"));
    map_specific(&dialog)->click();
    EXPECT_EQ(fields(), "se se se hd hd ");
    map_specific(&dialog)->click();
    EXPECT_EQ(fields(), "se se sd hd hd ");
}

TEST_F(EndpointInfo, StoredInformationIsShownReadOnlyWithoutTheLockAndOkStoresTheEdits) {
    endpoint_info info;
    info.map_specific = true;
    info.identifiers = {"CKT-1", "CKT-2", "", ""};
    info.comment = "to the north site";
    ASSERT_EQ(comment_store(box, endpoint_key(leaf), info), 0);
    box.comments_dirty = false;
    box.comment_lock_held = false;
    {
        EndpointInfoDialog locked(&owner, box, "Port-01", leaf);
        locked.show();
        EXPECT_EQ(field(&locked, "identifier")->text(), QStringLiteral("CKT-1"));
        for (const char* name : {"identifier", "comment", "identifierMap2"})
            EXPECT_FALSE(field(&locked, name)->isEnabled()) << name;
        EXPECT_FALSE(map_specific(&locked)->isEnabled());
        EXPECT_FALSE(
            locked.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled());
        QTest::keyClick(&locked, Qt::Key_Return);
        locked.accept();
        EXPECT_TRUE(locked.isVisible());
        test::press(&locked, QDialogButtonBox::Cancel);
        EXPECT_EQ(locked.result(), 2);
        EXPECT_FALSE(box.comments_dirty);
    }

    box.comment_lock_held = true; // unchanged by the refusals: the same text is shown again
    EndpointInfoDialog dialog(&owner, box, "Port-01", leaf);
    dialog.show();
    EXPECT_TRUE(map_specific(&dialog)->isChecked());
    EXPECT_EQ(field(&dialog, "identifier")->text(), QStringLiteral("CKT-1"));
    EXPECT_EQ(field(&dialog, "identifierMap2")->text(), QStringLiteral("CKT-2"));
    EXPECT_EQ(field(&dialog, "comment")->text(), QStringLiteral("to the north site"));
    EXPECT_TRUE(field(&dialog, "identifierMap2")->isEnabled());

    // With the box cleared map 2's field is disabled, but its text is still stored; every
    // printable ASCII character but the quote and the backslash is taken.
    const char* printable = " ~!#$%&'()*+,-./09:;<=>?@AZ[]^_`az{|}";
    map_specific(&dialog)->click();
    field(&dialog, "identifier")->clear();
    field(&dialog, "comment")->setText(QString::fromLatin1(printable));
    test::press(&dialog, QDialogButtonBox::Ok);
    EXPECT_EQ(dialog.result(), 1);
    ASSERT_NE(stored(), nullptr);
    EXPECT_FALSE(stored()->map_specific);
    EXPECT_EQ(stored()->identifiers, (std::array<std::string, map_count>{"", "CKT-2", "", ""}));
    EXPECT_EQ(stored()->comment, printable);
    EXPECT_TRUE(box.comments_dirty);
    EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(EndpointInfo, InvalidCharactersAreRefusedWithTheirMessage) {
    const struct {
        const char* field;
        QString text;
    } cases[] = {
        {"identifier", QStringLiteral("A\"B")},      {"identifier", QStringLiteral("A\\B")},
        {"comment", QStringLiteral("tab\there")},    {"comment", QString::fromUtf8("caf\xc3\xa9")},
        {"identifierMap2", QStringLiteral("x\x7f")}, {"comment", QStringLiteral("x\x1f")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        presenter.clear();
        EndpointInfoDialog dialog(&owner, box, "Port-01", leaf);
        dialog.show();
        field(&dialog, "identifier")->setText(QStringLiteral("GOOD ONE"));
        field(&dialog, c.field)->setText(c.text);
        test::press(&dialog, QDialogButtonBox::Ok);
        ASSERT_EQ(presenter.shown.size(), 1u);
        EXPECT_EQ(presenter.last().routine, test::Routine::error);
        EXPECT_EQ(presenter.last().text, invalid_text);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(field(&dialog, c.field)->text(), c.text); // kept as entered
        EXPECT_EQ(stored(), nullptr);
        EXPECT_FALSE(box.comments_dirty);
    }
}

} // namespace
} // namespace vornex
