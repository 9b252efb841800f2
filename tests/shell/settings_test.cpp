#include "shell/settings.h"

#include <gtest/gtest.h>
#include <tuple>

namespace vornex {
namespace {

const auto number = [](int n) { return SettingValue{SettingKind::number, n, {}}; };
const auto text = [](const std::string& t) { return SettingValue{SettingKind::text, 0, t}; };
const auto wide = [](const std::string& t) { return SettingValue{SettingKind::wide_text, 0, t}; };
const auto binary = [](const std::string& b) { return SettingValue{SettingKind::binary, 0, b}; };

PrngState seeded_generator() {
    PrngState prng;
    EXPECT_TRUE(prng_seed(prng, std::nullopt));
    return prng;
}

TEST(LoadSettings, FirstRunKeepsNothingOfAnEarlierDevice) {
    MemorySettingsStore store; // no key yet
    Settings settings;
    settings.current_device_file = "left/over.lcf";
    settings.ftc_sftp_password = "secret";
    load_settings(store, settings);
    EXPECT_TRUE(settings.current_device_file.empty());
    EXPECT_TRUE(settings.ftc_sftp_password.empty());
}

TEST(Settings, EveryValueIsReadAndWrittenUnderItsName) {
    MemorySettingsStore store;
    store.exists = true;
    store.values = {{"RecentDeviceFile", wide("/home/op/r\xc3\xa9seau.lcf")},
                    {"RecentCommentFile", wide("/home/op/shared.mec")},
                    {"WinX", number(10)},
                    {"WinY", number(-20)},
                    {"ChassisX", number(300)},
                    {"ChassisY", number(400)},
                    {"ShowChassis", number(0)},
                    {"LargeFont", number(1)},
                    {"ComName", text("/dev/ttyS1")},
                    {"ComBaud", number(115200)},
                    {"PrngSalt", binary(std::string(16, '\x5a'))},
                    {"FtcMode", number(4)},
                    {"FtcRootDir", wide("/srv/tftp")},
                    {"FtcRemoteHost", text("10.0.0.9")},
                    {"FtcSftpUsername", text("operator")},
                    {"MapEndpointId", number(1)}};
    Settings s;
    load_settings(store, s);
    EXPECT_EQ(s.current_device_file, std::filesystem::path(u8"/home/op/réseau.lcf"));
    EXPECT_EQ((std::tuple{s.win_x, s.win_y, s.chassis_x, s.chassis_y, s.show_chassis, s.large_font,
                          s.com_baud, s.ftc_mode, s.map_endpoint_id}),
              (std::tuple{10, -20, 300, 400, 0, 1, 115200, 4, 1}));
    EXPECT_EQ((std::vector<std::string>{s.current_comment_file, s.com_name, s.ftc_root_dir,
                                        s.ftc_remote_host, s.ftc_sftp_username}),
              (std::vector<std::string>{"/home/op/shared.mec", "/dev/ttyS1", "/srv/tftp",
                                        "10.0.0.9", "operator"}));
    PrngKey salt;
    salt.fill(0x5a);
    EXPECT_EQ(s.prng_salt, salt);

    // Written back under the same names: the recent files only by save_recent_files, the
    // generator key a fresh one (below), the SFTP password never.
    s.ftc_sftp_password = "sftp-secret";
    MemorySettingsStore saved;
    PrngState prng = seeded_generator();
    save_settings(saved, s, WindowCorner{10, -20}, prng);
    EXPECT_EQ(saved.values.count("RecentDeviceFile") + saved.values.count("RecentCommentFile"), 0u);
    MemorySettingsStore recent;
    save_recent_files(recent, s);
    EXPECT_EQ(recent.values.size(), 2u);
    saved.values.insert(recent.values.begin(), recent.values.end());
    saved.values.erase("PrngSalt");
    store.values.erase("PrngSalt");
    EXPECT_EQ(saved.values, store.values);
}

TEST(LoadSettings, UnreadableValuesKeepTheirDefaults) {
    MemorySettingsStore store;
    store.exists = true;
    store.values = {
        {"WinX", text("12")},                              // another kind
        {"ComBaud", wide("19200")},                        // another kind
        {"FtcRemoteHost", text(std::string(42, 'h'))},     // one over 41
        {"FtcSftpUsername", text(std::string(35, 'u'))},   // exactly the limit
        {"RecentDeviceFile", wide(std::string(260, 'p'))}, // one over 259
        {"RecentCommentFile", wide(std::string(257, 'c') + "\xc3\xa9\xc3\xa9")}, // 259 units
        {"PrngSalt", binary(std::string(15, '\x01'))},                           // not a whole key
    };
    Settings s;
    load_settings(store, s);
    EXPECT_EQ(s.win_x, default_position);
    EXPECT_EQ(s.com_baud, 9600);
    EXPECT_TRUE(s.ftc_remote_host.empty());
    EXPECT_EQ(s.ftc_sftp_username.size(), 35u);
    EXPECT_TRUE(s.current_device_file.empty());
    EXPECT_FALSE(s.current_comment_file.empty());
    EXPECT_FALSE(s.prng_salt.has_value());
}

TEST(LoadSettings, TransferMethodOutsideItsRangeIsTheInternalServer) {
    for (const int stored : {7, 5, -1}) {
        MemorySettingsStore store;
        store.exists = true;
        store.values["FtcMode"] = number(stored);
        Settings s;
        load_settings(store, s);
        EXPECT_EQ(s.ftc_mode, 0) << stored;
    }
}

TEST(SaveSettings, EverySaveStoresAFreshGeneratorKey) {
    MemorySettingsStore store;
    Settings s;
    PrngState prng = seeded_generator();
    save_settings(store, s, std::nullopt, prng);
    const SettingValue first = store.values.at("PrngSalt");
    ASSERT_EQ(first.bytes.size(), 16u);
    EXPECT_EQ(std::string(prng.key_value.begin(), prng.key_value.end()), first.bytes);
    EXPECT_NE(first.bytes, std::string(prng_default_key.begin(), prng_default_key.end()));
    save_settings(store, s, std::nullopt, prng);
    EXPECT_NE(store.values.at("PrngSalt").bytes, first.bytes);
    // Without the main window's rectangle the corner is not written.
    EXPECT_EQ(store.values.count("WinX"), 0u);
}

TEST(SaveSettings, AStoreThatCannotBeOpenedLosesTheSaveSilently) {
    MemorySettingsStore store;
    store.writable = false;
    Settings s;
    PrngState prng = seeded_generator();
    save_settings(store, s, WindowCorner{1, 2}, prng);
    save_recent_files(store, s);
    EXPECT_TRUE(store.values.empty());
}

TEST(StoredPosition, UsedOnlyAtLeast34PixelsInsideTheScreen) {
    EXPECT_TRUE(stored_position_usable(0, 0, 800, 600));
    EXPECT_TRUE(stored_position_usable(765, 565, 800, 600));
    EXPECT_FALSE(stored_position_usable(766, 100, 800, 600));
    EXPECT_FALSE(stored_position_usable(100, 566, 800, 600));
    EXPECT_FALSE(stored_position_usable(-1, 100, 800, 600));
    EXPECT_FALSE(stored_position_usable(100, -1, 800, 600));
    EXPECT_FALSE(stored_position_usable(default_position, default_position, 800, 600));
}

} // namespace
} // namespace vornex
