#include "shell/settings.h"

#include "base/text.h"

#include <algorithm>

namespace vornex {

namespace {

// Wide strings are limited in UTF-16 units, as the registry stores them.
std::size_t utf16_length(const std::string& utf8) {
    std::size_t units = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) {
            units += byte >= 0xF0 ? 2 : 1;
        }
    }
    return units;
}

std::string path_utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {reinterpret_cast<const char*>(text.data()), text.size()};
}

std::filesystem::path utf8_path(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

class Reader {
public:
    explicit Reader(SettingsStore& store) : store_(store) {}

    void number(const char* name, int& target) {
        if (const auto value = store_.read(name, SettingKind::number)) {
            target = value->number;
        }
    }
    void text(const char* name, std::size_t limit, std::string& target) {
        if (const auto value = store_.read(name, SettingKind::text);
            value && value->bytes.size() <= limit) {
            target = value->bytes;
        }
    }
    void wide_path(const char* name, std::filesystem::path& target) {
        if (const auto value = store_.read(name, SettingKind::wide_text);
            value && utf16_length(value->bytes) <= path_max_length) {
            target = utf8_path(value->bytes);
        }
    }
    void key(const char* name, std::optional<PrngKey>& target) {
        // Only a whole key is taken: a shorter value would leave part of the key unset.
        if (const auto value = store_.read(name, SettingKind::binary);
            value && value->bytes.size() == PrngKey{}.size()) {
            PrngKey key{};
            std::copy(value->bytes.begin(), value->bytes.end(), key.begin());
            target = key;
        }
    }

private:
    SettingsStore& store_;
};

SettingValue number_value(int number) {
    return {SettingKind::number, number, {}};
}

SettingValue text_value(const std::string& text) {
    return {SettingKind::text, 0, text};
}

SettingValue wide_value(const std::filesystem::path& path) {
    return {SettingKind::wide_text, 0, path_utf8(path)};
}

} // namespace

std::optional<SettingValue> MemorySettingsStore::read(const std::string& name, SettingKind kind) {
    const auto found = values.find(name);
    if (!exists || found == values.end() || found->second.kind != kind) {
        return std::nullopt;
    }
    return found->second;
}

bool MemorySettingsStore::open_for_write() {
    if (writable) {
        exists = true;
    }
    return writable;
}

void MemorySettingsStore::write(const std::string& name, const SettingValue& value) {
    values[name] = value;
}

void load_settings(SettingsStore& store, Settings& settings) {
    settings.current_device_file.clear();
    settings.current_comment_file.clear();
    settings.ftc_mode = 0;
    settings.ftc_root_dir.clear();
    settings.ftc_remote_host.clear();
    settings.ftc_sftp_username.clear();
    settings.ftc_sftp_password.clear();
    if (!store.key_exists()) {
        return;
    }
    Reader read(store);
    read.wide_path("RecentDeviceFile", settings.current_device_file);
    read.number("WinX", settings.win_x);
    read.number("WinY", settings.win_y);
    read.number("ChassisX", settings.chassis_x);
    read.number("ChassisY", settings.chassis_y);
    read.number("ShowChassis", settings.show_chassis);
    read.number("LargeFont", settings.large_font);
    read.text("ComName", setting_com_name_limit, settings.com_name);
    read.number("ComBaud", settings.com_baud);
    read.key("PrngSalt", settings.prng_salt);
    read.wide_path("RecentCommentFile", settings.current_comment_file);
    read.number("FtcMode", settings.ftc_mode);
    read.wide_path("FtcRootDir", settings.ftc_root_dir);
    read.text("FtcRemoteHost", setting_remote_host_limit, settings.ftc_remote_host);
    read.text("FtcSftpUsername", setting_username_limit, settings.ftc_sftp_username);
    read.number("MapEndpointId", settings.map_endpoint_id);
    if (settings.ftc_mode < 0 || settings.ftc_mode >= ftc_mode_count) {
        settings.ftc_mode = 0;
    }
}

void save_recent_files(SettingsStore& store, const Settings& settings) {
    if (!store.open_for_write()) {
        return;
    }
    store.write("RecentDeviceFile", wide_value(settings.current_device_file));
    store.write("RecentCommentFile", wide_value(settings.current_comment_file));
    store.close();
}

void save_settings(SettingsStore& store, Settings& settings,
                   const std::optional<WindowCorner>& main_window, PrngState& prng) {
    if (!store.open_for_write()) {
        return;
    }
    if (main_window) {
        settings.win_x = main_window->x;
        settings.win_y = main_window->y;
        store.write("WinX", number_value(settings.win_x));
        store.write("WinY", number_value(settings.win_y));
    }
    store.write("ChassisX", number_value(settings.chassis_x));
    store.write("ChassisY", number_value(settings.chassis_y));
    store.write("ShowChassis", number_value(settings.show_chassis));
    store.write("ComName", text_value(settings.com_name));
    store.write("ComBaud", number_value(settings.com_baud));
    store.write("LargeFont", number_value(settings.large_font));
    // Each run hands the next one a key of its own generator's making.
    if (const auto salt = prng_refresh_salt(prng)) {
        settings.prng_salt = *salt;
    }
    if (settings.prng_salt) {
        store.write("PrngSalt",
                    {SettingKind::binary, 0,
                     std::string(settings.prng_salt->begin(), settings.prng_salt->end())});
    }
    store.write("FtcMode", number_value(settings.ftc_mode));
    store.write("FtcRootDir", wide_value(settings.ftc_root_dir));
    store.write("FtcRemoteHost", text_value(settings.ftc_remote_host));
    store.write("FtcSftpUsername", text_value(settings.ftc_sftp_username));
    store.write("MapEndpointId", number_value(settings.map_endpoint_id));
    store.close();
}

bool stored_position_usable(int x, int y, int screen_width, int screen_height) {
    constexpr int margin = 34;
    return x >= 0 && x < screen_width - margin && y >= 0 && y < screen_height - margin;
}

} // namespace vornex
