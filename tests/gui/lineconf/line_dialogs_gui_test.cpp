// The configuration dialogs over the demo device (their rules are lineconf_test's).
#include "gui/lineconf/line_dialogs.h"
#include "map_fixture.h"
#include "modal_helper.h"

#include <QGroupBox>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace vornex {
namespace {

class LineDialogs : public test::MapFixture {
protected:
    void SetUp() override {
        start("demo");
        owner.resize(800, 600);
        owner.show();
    }
    QRadioButton* radio(QWidget* dialog, const char* group, const char* label) {
        for (QRadioButton* r :
             test::child<QGroupBox>(dialog, group)->findChildren<QRadioButton*>()) {
            if (r->text() == QString::fromLatin1(label))
                return r;
        }
        ADD_FAILURE() << group << " " << label;
        return nullptr;
    }

    QWidget owner;
};

TEST_F(LineDialogs, EveryDialogOpensOnTheDeviceValues) {
    using enum line_dialog;
    // A group whose checked radio the device's value decides, and that radio; one row a line.
    // clang-format off
    const struct {
        int slot;
        std::initializer_list<const char*> path;
        line_dialog dialog;
        const char *title, *group, *checked;
    } cases[] = {
        {2, {"Port-01"}, t1_line, "T1 Line Interface Setup", "Frame", "ESF"},
        {1, {"Port-03"}, e1_line, "E1 Line Interface Setup", "Frame", "Off"},
        {5, {"Port-02"}, t3_line, "T3 Line Interface Setup", "Type", "C-Bit-E1"},
        {5, {"Port-02", "Chan-04"}, t3_e1_framer, "T3 E1 Framer Setup", "Frame", "On"},
        {5, {"Port-01", "Chan-04"}, t3_e1_framer, "T3 T1 Framer Setup", "Frame", "ESF"},
        {1, {"Port-01"}, customer_info, "Customer Info", nullptr, nullptr},
        {6, {"Port-01"}, stm_customer_info, "Customer Info", nullptr, nullptr},
        {6, {"Port-01"}, line_overhead, "Line Overhead Setup", "J0 Mode", "NULL"},
        {6, {"Port-01", "AUG1-01"}, ho_overhead, "HO-Path Overhead Setup", "J1 Mode", "NULL"},
        {6, {"Port-01", "AUG1-01"}, aug_granularity, "Select Granularity", "Granularity",
            "AU4-TUG3"},
        {7, {"Port-01", "STS3-01", "AU4-03"}, node_granularity, "Select Granularity", "Granularity",
            "VT15"},
        {6, {"Port-01", "AUG1-01", "AU4-01", "TU12-02"}, lo_overhead, "LO-Path Overhead Setup",
            "J2 Mode", "NULL"},
        {6, {"Port-01", "AUG1-01", "AU4-01", "TU12-02"}, pdh_e1_framer, "PDH E1 Framer Setup",
            "Frame", "On"},
        {6, {"Port-01", "AUG1-01", "AU4-03", "TU11-02"}, pdh_t1_framer, "PDH T1 Framer Setup",
            "Frame", "ESF"},
    };
    // clang-format on
    for (const auto& c : cases) {
        HsEntry& found = node(c.slot, c.path);
        const std::string path = "Trib" + std::to_string(c.slot) + ", " + found.name;
        test::ModalAnswer answer([&](QWidget* dialog) {
            EXPECT_EQ(dialog->windowTitle().toStdString(), std::string(c.title) + " - " + path);
            if (c.group != nullptr) {
                QRadioButton* r = radio(dialog, c.group, c.checked);
                EXPECT_TRUE(r != nullptr && r->isChecked()) << c.title;
            }
            test::save_screenshot(dialog, QString::fromLatin1(c.title).replace(' ', '_') +
                                              QString::number(c.slot));
            test::press(dialog, QDialogButtonBox::Cancel);
        });
        EXPECT_EQ(run_line_dialog(&owner, *box, found, path, c.dialog), dialog_cancel);
        EXPECT_TRUE(answer.ran()) << c.title;
    }
    EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(LineDialogs, OkAppliesTheCheckedRadiosOverTheRange) {
    HsEntry& port = node(1, {"Port-01"});
    bool refused_kept_open = false;
    test::ModalAnswer answer([&](QWidget* dialog) {
        radio(dialog, "Frame", "Off")->click();
        radio(dialog, "SSM", "SA6")->click();
        test::type_into(dialog, "to", QStringLiteral("2"));
        test::press(dialog, QDialogButtonBox::Ok);
        refused_kept_open = dialog->isVisible();
        test::type_into(dialog, "to", QStringLiteral("1"));
        test::press(dialog, QDialogButtonBox::Ok);
    });
    EXPECT_EQ(run_line_dialog(&owner, *box, port, "Trib1, Port-01", line_dialog::e1_line),
              dialog_ok);
    EXPECT_TRUE(refused_kept_open);
    EXPECT_EQ(presenter.texts().front(), "SSM may only be enabled on one port per card.");
    EXPECT_EQ(sim->value("R.3.1.1.1.11.1.1"), "i:4");
    EXPECT_EQ(port.child_count(), 1u);
}

} // namespace
} // namespace vornex
