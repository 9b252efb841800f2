#include "gui/app/qt_settings_store.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vornex {
namespace {

// One value of each kind the store keeps (a wide text, a text, a negative number, bytes) is
// read back by the next run; a value of the wrong type is not taken.
TEST(QtSettingsStore, WhatOneRunSavesTheNextRunReadsUnlessOfTheWrongType) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Vornex.conf"));
    Settings saved;
    {
        QtSettingsStore store(path);
        EXPECT_FALSE(store.key_exists());
        load_settings(store, saved);
        saved.current_device_file = std::filesystem::path(u8"/home/op/réseau.lcf");
        saved.com_name = "/dev/ttyUSB0";
        PrngState prng;
        ASSERT_TRUE(prng_seed(prng, std::nullopt));
        save_recent_files(store, saved);
        save_settings(store, saved, WindowCorner{-5, 77}, prng);
    }
    QtSettingsStore store(path);
    EXPECT_TRUE(store.key_exists());
    Settings loaded;
    load_settings(store, loaded);
    EXPECT_EQ(loaded.current_device_file, saved.current_device_file);
    EXPECT_EQ(std::pair(loaded.win_x, loaded.win_y), std::pair(-5, 77));
    EXPECT_EQ(loaded.com_name, "/dev/ttyUSB0");
    ASSERT_TRUE(loaded.prng_salt.has_value());
    EXPECT_EQ(loaded.prng_salt, saved.prng_salt);

    {
        QSettings raw(path, QSettings::IniFormat);
        raw.setValue(QStringLiteral("WinX"), QStringLiteral("left"));
        raw.setValue(QStringLiteral("ComBaud"), 19200);
        raw.setValue(QStringLiteral("PrngSalt"), QStringLiteral("not binary"));
        raw.setValue(QStringLiteral("ComName"), QStringLiteral("COM\u4e00"));
    }
    QtSettingsStore again(path);
    Settings s;
    load_settings(again, s);
    EXPECT_EQ(s.win_x, default_position);
    EXPECT_EQ(s.com_baud, 19200);
    EXPECT_FALSE(s.prng_salt.has_value());
    EXPECT_TRUE(s.com_name.empty());
}

} // namespace
} // namespace vornex
