#pragma once
// The per-user preferences kept between runs: the recent files, window corners, view
// options, the serial console port, the file transfer method and the generator's key.
// They are read once before the main window is made and written at two moments: the
// recent files when a device is connected, everything else when the main window goes.
// The store behind them is a seam: QSettings in the program, memory in tests.

#include "config/prng.h"

#include <climits>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace vornex {

// A window corner that lets the window manager place the window.
inline constexpr int default_position = INT_MIN;

struct Settings {
    std::filesystem::path current_device_file;  // RecentDeviceFile
    std::filesystem::path current_comment_file; // RecentCommentFile
    int win_x = default_position;
    int win_y = default_position;
    int chassis_x = default_position;
    int chassis_y = default_position;
    int show_chassis = 1;
    int large_font = 0;
    std::string com_name;
    int com_baud = 9600;
    std::optional<PrngKey> prng_salt; // none: the generator's built-in key
    int ftc_mode = 0;
    std::filesystem::path ftc_root_dir;
    std::string ftc_remote_host;
    std::string ftc_sftp_username;
    std::string ftc_sftp_password; // asked for each run, never stored
    int map_endpoint_id = 0;
};

// Longest values taken back from the store (a longer one is not taken).
inline constexpr std::size_t setting_com_name_limit = 259;
inline constexpr std::size_t setting_remote_host_limit = 41;
inline constexpr std::size_t setting_username_limit = 35;
inline constexpr int ftc_mode_count = 5; // 0..4

enum class SettingKind { number, text, wide_text, binary };

// One stored value. `bytes` holds 8-bit text, wide text as UTF-8, or the binary bytes.
struct SettingValue {
    SettingKind kind = SettingKind::number;
    std::int32_t number = 0;
    std::string bytes;
    friend bool operator==(const SettingValue&, const SettingValue&) = default;
};

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // Whether anything was ever saved; without it reading takes every default.
    virtual bool key_exists() = 0;
    // The value read as `kind`; nullopt when it is missing or cannot be read as that kind.
    virtual std::optional<SettingValue> read(const std::string& name, SettingKind kind) = 0;
    // Makes the key ready for writing; false when it cannot be created (the save is lost).
    virtual bool open_for_write() = 0;
    virtual void write(const std::string& name, const SettingValue& value) = 0;
    // Ends a save; the values are on disk afterwards.
    virtual void close() {}
};

// The store of tests and of runs that must not touch the operator's settings.
class MemorySettingsStore : public SettingsStore {
public:
    std::map<std::string, SettingValue> values;
    bool exists = false;
    bool writable = true;

    bool key_exists() override { return exists; }
    std::optional<SettingValue> read(const std::string& name, SettingKind kind) override;
    bool open_for_write() override;
    void write(const std::string& name, const SettingValue& value) override;
};

// Fills `settings` from the store; every value missing, of another kind or too long keeps
// the default, and an FtcMode outside 0..4 is taken as 0. The SFTP password is emptied.
void load_settings(SettingsStore& store, Settings& settings);

// Writes RecentDeviceFile and RecentCommentFile (after a configuration was read or saved).
void save_recent_files(SettingsStore& store, const Settings& settings);

struct WindowCorner {
    int x = 0;
    int y = 0;
};

// Writes everything but the recent files. The main window's corner is written when known.
// A new generator key is drawn from `prng` for the next run and kept in `settings` too.
void save_settings(SettingsStore& store, Settings& settings,
                   const std::optional<WindowCorner>& main_window, PrngState& prng);

// A stored corner is used only when it lies at least 34 pixels inside the screen.
bool stored_position_usable(int x, int y, int screen_width, int screen_height);

} // namespace vornex
