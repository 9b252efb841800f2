#include "config/prng.h"
#include "gui/config/device_dialogs.h"
#include "modal_helper.h"
#include "recording_presenter.h"
#include "scratch_files.h"
#include "scripted_file_chooser.h"
#include "shell/settings.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

namespace vornex {
namespace {

using namespace test;

const char* const mismatch_text =
    "The Password and Verify Password fields do not match, or the password is too weak.  The "
    "password must be 8 or more characters and contain 3 of the 4 character types; upper-case, "
    "lower-case, numeral, special.  Please reenter both fields.";

class DeviceDialogs : public ::testing::Test {
protected:
    DeviceDialogs()
        : prompt(&owner), services{&owner, presenter, prompt, chooser, store, settings} {
        prng_seed(config_prng, std::nullopt);
        owner.resize(700, 500);
        owner.show();
        device_config_set_defaults(config);
    }

    std::filesystem::path in_folder(const char* name) const { return folder / name; }

    // Saves `config` through the edit dialog as `chosen`; the dialog's end value.
    int save_through_editor(const std::filesystem::path& chosen, const char* password = nullptr) {
        EditDeviceDialog editor(&owner, services, config);
        editor.show();
        if (password != nullptr) {
            child<QCheckBox>(&editor, "encrypted")->click();
            type_into(&editor, "password", QString::fromLatin1(password));
            type_into(&editor, "verifyPassword", QString::fromLatin1(password));
        }
        chooser.answers = {chosen};
        child<QPushButton>(&editor, "saveAs")->click();
        return editor.result();
    }

    test::ScratchDir folder;
    QWidget owner;
    RecordingPresenter presenter;
    QtPasswordPrompt prompt;
    test::ScriptedFileChooser chooser;
    MemorySettingsStore store;
    Settings settings;
    DeviceDialogServices services;
    device_config config;
};

TEST_F(DeviceDialogs, NewDeviceOpensTheEditorOnTheDefaultsAndBrowseStartsBeside) {
    settings.current_device_file = "/nowhere/site.lcf";
    SelectDeviceDialog select(&owner, services, config);
    select.show();
    save_screenshot(&select, QStringLiteral("select_device_dialog"));
    EXPECT_EQ(select.windowTitle(), QStringLiteral("Select Device Configuration"));
    EXPECT_EQ(child<QLineEdit>(&select, "deviceFile")->text(), QStringLiteral("/nowhere/site.lcf"));
    EXPECT_TRUE(child<QPushButton>(&select, "connectDevice")->isDefault());

    config.hostname = "changed";
    QStringList seen;
    ModalAnswer answer([&](QWidget* editor) {
        save_screenshot(editor, QStringLiteral("edit_device_dialog"));
        for (const char* name : {"fileName", "hostname", "getCommunity", "setCommunity"})
            seen << child<QLineEdit>(editor, name)->text();
        for (const char* name : {"snmpV1", "authNone", "privNone"})
            seen << QString::number(child<QRadioButton>(editor, name)->isChecked());
        child<QPushButton>(editor, "cancel")->click();
    });
    child<QPushButton>(&select, "newDevice")->click();
    ASSERT_TRUE(answer.ran());
    EXPECT_EQ(seen,
              (QStringList{"newdevice.lcf", "192.168.0.1", "public", "public", "1", "1", "1"}));
    // Cancelled: the path field keeps the file in use.
    EXPECT_EQ(child<QLineEdit>(&select, "deviceFile")->text(), QStringLiteral("/nowhere/site.lcf"));

    // Browse starts beside the file in use; a cancelled chooser keeps it.
    chooser.answers = {std::nullopt, std::filesystem::path("/sites/south/b.lcf")};
    child<QPushButton>(&select, "browse")->click();
    EXPECT_EQ(settings.current_device_file, "/nowhere/site.lcf");
    child<QPushButton>(&select, "browse")->click();
    ASSERT_EQ(chooser.requests.size(), 2u);
    EXPECT_EQ(chooser.requests[0].start_folder, "/nowhere");
    EXPECT_EQ(chooser.requests[0].proposed, "/nowhere/site.lcf");
    EXPECT_EQ(settings.current_device_file, "/sites/south/b.lcf");
    EXPECT_EQ(child<QLineEdit>(&select, "deviceFile")->text(),
              QStringLiteral("/sites/south/b.lcf"));
}

// Each click, then what it leaves enabled and disabled; SNMPv1 takes the communities only,
// whatever the protocol buttons show. Communities and keys are masked until asked for.
TEST_F(DeviceDialogs, EnablingFollowsVersionProtocolsAndEncryptionAndSecretsAreMasked) {
    config.auth_protocol = auth_md5;
    config.priv_protocol = priv_aes;
    config.auth_key = "authkey1";
    config.security_username = "op";
    EditDeviceDialog editor(&owner, services, config);
    editor.show();
    auto shown = [&](const char* name) { return child<QLineEdit>(&editor, name)->displayText(); };
    EXPECT_EQ(shown("getCommunity"), QStringLiteral("******"));
    EXPECT_EQ(shown("authKey"), QStringLiteral("********"));
    EXPECT_EQ(shown("userName"), QStringLiteral("op"));
    child<QCheckBox>(&editor, "viewSecrets")->click();
    EXPECT_EQ(shown("getCommunity"), QStringLiteral("public"));
    EXPECT_EQ(shown("authKey"), QStringLiteral("authkey1"));
    const struct {
        const char* click;
        std::vector<const char*> on, off;
    } steps[] = {
        {"",
         {"getCommunity", "setCommunity"},
         {"userName", "context", "authMd5", "authKey", "privAes", "privKey", "password",
          "verifyPassword"}},
        {"snmpV3",
         {"userName", "context", "authMd5", "authKey", "privDes", "privKey"},
         {"getCommunity", "setCommunity"}},
        {"privNone", {"authKey"}, {"privKey"}},
        {"authNone",
         {"userName", "context", "authSha"},
         {"authKey", "privDes", "privAes", "privNone", "privKey"}},
        {"encrypted", {"password", "verifyPassword"}, {}},
    };
    for (const auto& step : steps) {
        if (*step.click != 0)
            child<QAbstractButton>(&editor, step.click)->click();
        for (const char* name : step.on)
            EXPECT_TRUE(child<QWidget>(&editor, name)->isEnabled()) << step.click << " " << name;
        for (const char* name : step.off)
            EXPECT_FALSE(child<QWidget>(&editor, name)->isEnabled()) << step.click << " " << name;
    }
    type_into(&editor, "password", QStringLiteral("abc"));
    EXPECT_EQ(shown("password"), QStringLiteral("***"));
    child<QCheckBox>(&editor, "encrypted")->click();
    EXPECT_FALSE(child<QWidget>(&editor, "password")->isEnabled());
}

// Refused before the save dialog, the editor kept open: a weak password and two that differ
// (the strength rule's edges are PasswordRule's, device_config_test; a good one saves in
// AnEncryptedFileReopensThroughThePasswordPrompt), and values the file cannot give back.
TEST_F(DeviceDialogs, WhatCannotBeSavedIsRefusedBeforeSaving) {
    // clang-format off
    const struct {
        std::string device_config::*field;
        const char *value, *password, *verify;
        std::vector<std::string> shown;
    } cases[] = {
        {&device_config::hostname, "h", "abcdefg1", "abcdefg1", {}},
        {&device_config::hostname, "h", "Abcdefg1", "Abcdefg2", {}},
        {&device_config::auth_key, "two words", nullptr, nullptr, {"Invalid Entry\r\n\r\n\r\nAuth "
            "Key must be at most 33 characters, without control characters or blanks."}},
        {&device_config::get_community, "a\"b", nullptr, nullptr, {"Invalid Entry\r\n\r\n\r\nGet "
            "Community must be at most 39 characters, without control characters or double "
            "quotes."}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.verify != nullptr ? c.verify : c.value);
        device_config_set_defaults(config);
        config.*c.field = c.value;
        presenter.clear();
        EditDeviceDialog editor(&owner, services, config);
        editor.show();
        std::optional<ModalAnswer> notice;
        if (c.password != nullptr) {
            child<QCheckBox>(&editor, "encrypted")->click();
            type_into(&editor, "password", QString::fromLatin1(c.password));
            type_into(&editor, "verifyPassword", QString::fromLatin1(c.verify));
            notice.emplace([&](QWidget* w) {
                EXPECT_EQ(w->windowTitle(), QStringLiteral("Password Mismatch"));
                EXPECT_EQ(child<QLabel>(w, "message")->text().toStdString(), mismatch_text);
                press(w, QDialogButtonBox::Ok);
            });
        }
        chooser.answers = {in_folder("refused.lcf")};
        child<QPushButton>(&editor, "saveAs")->click();
        EXPECT_EQ(notice && notice->ran(), c.password != nullptr);
        EXPECT_EQ(presenter.texts(), c.shown);
        EXPECT_TRUE(chooser.requests.empty());
        EXPECT_TRUE(editor.isVisible());
        EXPECT_FALSE(std::filesystem::exists(in_folder("refused.lcf")));
    }
}

TEST_F(DeviceDialogs, SavesPlainUnderTheLcfExtension) {
    settings.current_device_file = in_folder("old.lcf");
    config.hostname = "10.1.1.1";
    config.encrypted = true; // the box starts checked; cleared, the password is forgotten
    config.password = config.verify_password = "Old-pass1";
    EditDeviceDialog editor(&owner, services, config);
    editor.show();
    child<QCheckBox>(&editor, "encrypted")->click();
    type_into(&editor, "hostname", QStringLiteral("10.2.2.2"));
    // A cancelled save dialog leaves the editor open, the edits taken into the record.
    chooser.answers = {std::nullopt, in_folder("plain.TXT")};
    child<QPushButton>(&editor, "saveAs")->click();
    EXPECT_TRUE(editor.isVisible());
    EXPECT_EQ(config.hostname, "10.2.2.2");
    child<QPushButton>(&editor, "saveAs")->click();

    ASSERT_EQ(editor.result(), dialog_ok);
    ASSERT_EQ(chooser.requests.size(), 2u);
    EXPECT_EQ(chooser.requests[0].start_folder, folder.path());
    EXPECT_EQ(chooser.requests[0].proposed, "newdevice.lcf");
    EXPECT_EQ(chooser.requests[0].filters[0].label, "Vornex Config File");
    EXPECT_EQ(chooser.requests[0].filters[0].pattern, "*.lcf");
    const auto saved = in_folder("plain.lcf");
    EXPECT_EQ(settings.current_device_file, saved);
    EXPECT_EQ(store.values.at("RecentDeviceFile").bytes, saved.string());
    EXPECT_FALSE(config.encrypted);
    EXPECT_TRUE(config.password.empty() && config.verify_password.empty());
    const std::string bytes = test::read_text(saved);
    EXPECT_NE(bytes.find("10.2.2.2"), std::string::npos);
}

TEST_F(DeviceDialogs, AnEncryptedFileReopensThroughThePasswordPrompt) {
    config.hostname = "10.4.4.4";
    ASSERT_EQ(save_through_editor(in_folder("secret"), "Secr3t-pass"), dialog_ok);
    const auto saved = in_folder("secret.lcf");
    ASSERT_TRUE(std::filesystem::exists(saved));
    EXPECT_EQ(test::read_text(saved).find("10.4.4.4"), std::string::npos); // not in clear text

    device_config_set_defaults(config);
    store.values.clear();
    SelectDeviceDialog select(&owner, services, config);
    select.show();
    EXPECT_EQ(child<QLineEdit>(&select, "deviceFile")->text().toStdString(), saved.string());

    // A wrong password: the reader's message (encrypted_file_test has its text), and the
    // dialog stays; a cancelled prompt is as silent there.
    ModalAnswer wrong([&](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Enter Configuration File Password"));
        type_into(w, "password", QStringLiteral("wrong-Pass1"));
        press(w, QDialogButtonBox::Ok);
    });
    child<QPushButton>(&select, "connectDevice")->click();
    ASSERT_TRUE(wrong.ran());
    EXPECT_EQ(presenter.shown.size(), 1u);
    EXPECT_TRUE(select.isVisible());
    EXPECT_TRUE(store.values.empty());

    ModalAnswer right([&](QWidget* w) {
        save_screenshot(w, QStringLiteral("config_password_dialog"));
        type_into(w, "password", QStringLiteral("Secr3t-pass"));
        press(w, QDialogButtonBox::Ok);
    });
    child<QPushButton>(&select, "connectDevice")->click();
    ASSERT_TRUE(right.ran());
    EXPECT_EQ(select.result(), select_device_connect);
    EXPECT_EQ(config.hostname, "10.4.4.4");
    EXPECT_TRUE(config.encrypted);
    EXPECT_TRUE(config.password.empty() && config.verify_password.empty());
    EXPECT_EQ(store.values.at("RecentDeviceFile").bytes, saved.string());
}

TEST_F(DeviceDialogs, EditDeviceShowsTheErrorOrSavesAndTheFieldFollows) {
    config.hostname = "10.5.5.5";
    ASSERT_EQ(save_through_editor(in_folder("first.lcf")), dialog_ok);
    SelectDeviceDialog select(&owner, services, config);
    select.show();
    type_into(&select, "deviceFile", QString::fromStdString(in_folder("missing.lcf").string()));
    ModalAnswer none([](QWidget* w) { w->close(); }, 300);
    child<QPushButton>(&select, "editDevice")->click();
    QTest::qWait(350);
    EXPECT_FALSE(none.ran());
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.last().text.rfind("**Read Error\r\n", 0), 0u);
    EXPECT_EQ(settings.current_device_file, in_folder("missing.lcf"));

    type_into(&select, "deviceFile", QString::fromStdString(in_folder("first.lcf").string()));
    ModalAnswer editor([&](QWidget* w) {
        EXPECT_EQ(child<QLineEdit>(w, "hostname")->text(), QStringLiteral("10.5.5.5"));
        chooser.answers = {in_folder("second")};
        child<QPushButton>(w, "saveAs")->click();
    });
    child<QPushButton>(&select, "editDevice")->click();
    ASSERT_TRUE(editor.ran());
    EXPECT_EQ(child<QLineEdit>(&select, "deviceFile")->text().toStdString(),
              in_folder("second.lcf").string());
    EXPECT_TRUE(std::filesystem::exists(in_folder("second.lcf")));
}

TEST_F(DeviceDialogs, PasswordDialogShowsItsBufferAndKeeps39Characters) {
    std::string buffer = "pre";
    QString first;
    ModalAnswer ok([&](QWidget* w) {
        first = child<QLineEdit>(w, "password")->text();
        type_into(w, "password", QString(45, QLatin1Char('k')));
        press(w, QDialogButtonBox::Ok);
    });
    EXPECT_EQ(config_password_dialog(&owner, buffer), dialog_ok);
    EXPECT_EQ(first, QStringLiteral("pre"));
    EXPECT_EQ(buffer, std::string(39, 'k'));

    ModalAnswer cancel([&](QWidget* w) { press(w, QDialogButtonBox::Cancel); });
    EXPECT_EQ(config_password_dialog(&owner, buffer), dialog_cancel);
    EXPECT_EQ(buffer, std::string(39, 'k'));
}

} // namespace
} // namespace vornex
