// The map commands from the window's menus against the demo device (the commands' rules are
// map_management_test's, map_export_test's and map_import_test's).
#include "demo_window.h"
#include "modal_helper.h"
#include "model/card.h"
#include "recording_presenter.h"
#include "scratch_files.h"
#include "xc/map_export.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace vornex {
namespace {

using namespace test;

void collect_leaves(EndpointList& list, std::vector<HsEntry*>& leaves) {
    for (auto& entry : list)
        if (entry->is_leaf())
            leaves.push_back(entry.get());
        else
            collect_leaves(entry->children, leaves);
}

// Presses "Cancel" in the window's status window titled `title` once it shows progress, and
// keeps what it saw then.
class CancelInStatus {
public:
    CancelInStatus(QWidget* owner, const char* name, const char* title) {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [=, this] {
            auto* status = owner->findChild<QWidget*>(QString::fromLatin1(name));
            if (status == nullptr || !status->isVisible() ||
                status->windowTitle() != QString::fromLatin1(title) ||
                status->findChild<QLabel*>(QStringLiteral("doneText"))->text().isEmpty())
                return;
            timer_.stop();
            owner_enabled = owner->isEnabled();
            size = status->size();
            test::save_screenshot(status, QString::fromLatin1(name));
            child<QPushButton>(status, "cancel")->click();
        });
        timer_.start();
    }

    bool owner_enabled = true;
    QSize size;

private:
    QTimer timer_;
};

class MapCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        demo = test::DemoWindow::open();
        ASSERT_NE(demo, nullptr);
    }

    // The displayed map as the program exports it, straight through the window's device.
    std::string device_export() {
        test::RecordingPresenter quiet;
        NoProgress progress;
        const auto path = demo->dir() / "device.csv";
        EXPECT_EQ(map_export(quiet, {}, demo->window->box(), path, {}, progress), 0);
        return test::read_text(path);
    }

    // Runs "Import Map" on `file`, answering the "Import" dialog with `suppress`.
    void import_file(const std::filesystem::path& file, bool suppress) {
        demo->chooser.answers = {file};
        ModalAnswer answer([suppress](QWidget* dialog) {
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Import"));
            test::save_screenshot(dialog, QStringLiteral("import_dialog"));
            child<QCheckBox>(dialog, "suppressWarnings")->setChecked(suppress);
            child<QPushButton>(dialog, "start")->click();
        });
        demo->trigger("actionImportMap");
        EXPECT_TRUE(answer.ran());
    }

    std::unique_ptr<test::DemoWindow> demo;
};

TEST_F(MapCommandsTest, ActiveMapDeleteAndCopyDialogs) {
    auto& [sim, folder, presenter, chooser, device_file, window, ended] = *demo;
    ModalAnswer activate([](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Active Map Change"));
        EXPECT_EQ(child<QRadioButton>(dialog, "map1")->text(),
                  QStringLiteral("Map1  (currently active)"));
        child<QRadioButton>(dialog, "map2")->click();
        press(dialog, QDialogButtonBox::Ok);
    });
    demo->trigger("actionActiveMap");
    EXPECT_EQ(sim->value("R.1.16.4.1.0"), "i:2");
    EXPECT_TRUE(window->windowTitle().endsWith(QStringLiteral(" - Map1 (inactive)")));
    EXPECT_FALSE(child<QAction>(window.get(), "actionStore")->isEnabled());
    EXPECT_TRUE(presenter.shown.empty());

    // Map Delete: nothing can be done before a map is chosen; a declined confirmation goes
    // back to the dialog. Deleting the map not displayed needs no reload.
    window->settings().map_endpoint_id = 1;
    presenter.answers = {dialog_cancel, dialog_ok};
    bool back_in_dialog = false;
    ModalAnswer remove([&](QWidget* dialog) {
        test::save_screenshot(dialog, QStringLiteral("map_delete_dialog"));
        auto* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        auto* identifiers = child<QCheckBox>(dialog, "clearIdentifiers");
        EXPECT_FALSE(ok->isEnabled());
        EXPECT_FALSE(identifiers->isEnabled());
        EXPECT_TRUE(identifiers->isChecked());
        EXPECT_EQ(child<QRadioButton>(dialog, "map2")->text(), QStringLiteral("Map2  (active)"));
        child<QRadioButton>(dialog, "map2")->click();
        identifiers->setChecked(false);
        ok->click();
        back_in_dialog = dialog->isVisible();
        ok->click();
    });
    demo->trigger("actionDeleteMap");
    EXPECT_TRUE(back_in_dialog);
    EXPECT_EQ(presenter.texts(),
              (std::vector<std::string>(
                  2, "Confirm Map Delete\r\n\r\n\r\n\r\nDelete all cross-connects in Map2?")));
    EXPECT_TRUE(child<QAction>(window.get(), "actionStore")->isEnabled());
    QTest::qWait(50);
    EXPECT_EQ(ended->count(), 1);

    // Copying the active map onto the displayed one reloads.
    ModalAnswer copy([](QWidget* dialog) {
        auto* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        EXPECT_FALSE(ok->isEnabled());
        EXPECT_EQ(child<QRadioButton>(dialog, "copy")->text(),
                  QStringLiteral("Copy Map2 (active) to Map1 (inactive)."));
        child<QRadioButton>(dialog, "copy")->click();
        // (Copied identifiers would make the reload ask where to save the comments.)
        child<QCheckBox>(dialog, "includeIdentifiers")->setChecked(false);
        ok->click();
    });
    demo->trigger("actionCopyMap");
    EXPECT_TRUE(demo->reloaded(1));
    EXPECT_EQ(sim->value("R.1.16.4.3.0"), "i:2");
}

TEST_F(MapCommandsTest, ReadAllWithCancelInItsStatusWindow) {
    auto& [sim, folder, presenter, chooser, device_file, window, ended] = *demo;
    std::vector<HsEntry*> leaves;
    for (auto& card : window->box()->cards)
        collect_leaves(card->endpoints, leaves);
    ASSERT_GT(leaves.size(), 100u);
    for (HsEntry* leaf : leaves)
        leaf->xc_valid = false;
    {
        CancelInStatus cancel(window.get(), "export_status_win", "Reading Map...");
        demo->trigger("actionReadAll");
        EXPECT_FALSE(cancel.owner_enabled);
        EXPECT_EQ(cancel.size, QSize(250, 125));
    }
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(window->findChild<QWidget*>(QStringLiteral("export_status_win")), nullptr);
    EXPECT_FALSE(leaves.back()->xc_valid);

    demo->trigger("actionReadAll");
    for (HsEntry* leaf : leaves)
        ASSERT_TRUE(leaf->xc_valid);
    EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(MapCommandsTest, ExportThenImportBackAfterDelete) {
    auto& [sim, folder, presenter, chooser, device_file, window, ended] = *demo;
    const std::string original = device_export();

    // A file that is there already is replaced.
    const auto exported = demo->dir() / "out" / "map.csv";
    std::filesystem::create_directories(exported.parent_path());
    test::write_file(exported, "old");
    chooser.answers = {exported};
    ModalAnswer options([](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Export Options"));
        EXPECT_TRUE(child<QCheckBox>(dialog, "includeAssigned")->isChecked());
        EXPECT_TRUE(child<QCheckBox>(dialog, "includeUnassigned")->isChecked());
        press(dialog, QDialogButtonBox::Ok);
    });
    demo->trigger("actionExportMap");
    ASSERT_EQ(chooser.requests.size(), 1u);
    EXPECT_EQ(chooser.requests[0].proposed, "demo.csv");
    EXPECT_TRUE(test::read_text(exported) == original);

    // A cancel while exporting keeps the rows written so far; the next dialog starts in
    // the last folder.
    const auto part = demo->dir() / "part.csv";
    chooser.answers = {part};
    {
        ModalAnswer again([](QWidget* dialog) { press(dialog, QDialogButtonBox::Ok); });
        CancelInStatus cancel(window.get(), "export_status_win", "Exporting...");
        demo->trigger("actionExportMap");
    }
    EXPECT_EQ(chooser.requests.back().start_folder, exported.parent_path());
    const std::string rows = test::read_text(part);
    ASSERT_GT(rows.size(), 2u);
    EXPECT_LT(rows.size(), original.size());
    EXPECT_EQ(original.rfind(rows.substr(0, rows.size() - 2), 0), 0u);
    EXPECT_TRUE(presenter.shown.empty());

    presenter.answers = {dialog_ok};
    ModalAnswer remove([](QWidget* dialog) {
        child<QRadioButton>(dialog, "map1")->click();
        press(dialog, QDialogButtonBox::Ok);
    });
    demo->trigger("actionDeleteMap");
    EXPECT_TRUE(demo->reloaded(1));
    ASSERT_TRUE(device_export() != original);
    window->setChangesNotStored(false);
    import_file(exported, false);
    EXPECT_TRUE(demo->reloaded(2));
    // (Every reload points out the demo chassis's card that differs from its slot.)
    for (const std::string& text : presenter.texts())
        EXPECT_EQ(text.rfind("Import Error", 0), std::string::npos) << text;
    EXPECT_TRUE(child<QAction>(window.get(), "actionStore")->isEnabled());
    EXPECT_TRUE(device_export() == original);
}

TEST_F(MapCommandsTest, ImportWarningsSuppressedOrStoppingAndCancel) {
    auto& [sim, folder, presenter, chooser, device_file, window, ended] = *demo;
    const auto bad = demo->dir() / "bad.csv";
    std::string rows = std::string(export_header) + "\r\n";
    for (int row = 0; row < 400; ++row)
        rows += "bidirectional,0" + std::string(19, ',') + "\r\n";
    test::write_file(bad, rows);
    // Shown, the first warning's Cancel stops the import, which is still marked and
    // reloaded.
    import_file(bad, false);
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.last().text, "Import Error\r\nImport file line 2, invalid TS_Count 0.");
    EXPECT_TRUE(demo->reloaded(1));
    EXPECT_TRUE(child<QAction>(window.get(), "actionStore")->isEnabled());

    // Suppressed, the warnings are only counted; Cancel in the status window asks first.
    window->setChangesNotStored(false);
    presenter.clear();
    presenter.answers = {dialog_ok};
    {
        CancelInStatus cancel(window.get(), "import_status_win", "Importing...");
        import_file(bad, true);
    }
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.last().text.rfind("Cancel Import\r\n", 0), 0u);
    EXPECT_TRUE(demo->reloaded(2));
    EXPECT_TRUE(child<QAction>(window.get(), "actionStore")->isEnabled());

    // The suppress choice is kept for the next import.
    chooser.answers = {bad};
    ModalAnswer kept([](QWidget* dialog) {
        EXPECT_TRUE(child<QCheckBox>(dialog, "suppressWarnings")->isChecked());
        press(dialog, QDialogButtonBox::Cancel);
    });
    demo->trigger("actionImportMap");
    EXPECT_TRUE(kept.ran());
    EXPECT_EQ(chooser.requests.back().start_folder, demo->dir());
}

} // namespace
} // namespace vornex
