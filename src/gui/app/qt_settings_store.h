#pragma once
// The settings store of the program: QSettings under "Orlique"/"Vornex" (on Windows the
// registry key HKEY_CURRENT_USER\Software\Orlique\Vornex, elsewhere the user's
// configuration folder).

#include "shell/settings.h"

#include <QSettings>
#include <QString>
#include <memory>

namespace vornex {

class QtSettingsStore : public SettingsStore {
public:
    QtSettingsStore();
    // A store in the INI file `path` (tests keep away from the operator's settings).
    explicit QtSettingsStore(const QString& path);

    bool key_exists() override;
    std::optional<SettingValue> read(const std::string& name, SettingKind kind) override;
    bool open_for_write() override;
    void write(const std::string& name, const SettingValue& value) override;
    void close() override;

private:
    std::unique_ptr<QSettings> settings_;
};

} // namespace vornex
