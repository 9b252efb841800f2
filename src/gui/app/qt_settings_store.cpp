#include "gui/app/qt_settings_store.h"

#include <QByteArray>
#include <QVariant>

namespace vornex {

QtSettingsStore::QtSettingsStore()
    : settings_(std::make_unique<QSettings>(QStringLiteral("Orlique"), QStringLiteral("Vornex"))) {}

QtSettingsStore::QtSettingsStore(const QString& path)
    : settings_(std::make_unique<QSettings>(path, QSettings::IniFormat)) {}

bool QtSettingsStore::key_exists() {
    return !settings_->allKeys().isEmpty();
}

std::optional<SettingValue> QtSettingsStore::read(const std::string& name, SettingKind kind) {
    const QVariant value = settings_->value(QString::fromStdString(name));
    if (!value.isValid()) {
        return std::nullopt;
    }
    SettingValue result;
    result.kind = kind;
    switch (kind) {
    case SettingKind::number: {
        bool ok = false;
        result.number = value.toInt(&ok);
        if (!ok) {
            return std::nullopt;
        }
        break;
    }
    case SettingKind::text: {
        const QString text = value.toString();
        // 8-bit text: a character outside Latin-1 cannot have been written by us.
        for (const QChar c : text) {
            if (c.unicode() > 0xFF) {
                return std::nullopt;
            }
        }
        result.bytes = text.toLatin1().toStdString();
        break;
    }
    case SettingKind::wide_text:
        if (value.typeId() == QMetaType::QByteArray) {
            return std::nullopt;
        }
        result.bytes = value.toString().toUtf8().toStdString();
        break;
    case SettingKind::binary:
        if (value.typeId() != QMetaType::QByteArray) {
            return std::nullopt;
        }
        result.bytes = value.toByteArray().toStdString();
        break;
    }
    return result;
}

bool QtSettingsStore::open_for_write() {
    return settings_->isWritable();
}

void QtSettingsStore::write(const std::string& name, const SettingValue& value) {
    const QString key = QString::fromStdString(name);
    switch (value.kind) {
    case SettingKind::number:
        settings_->setValue(key, static_cast<int>(value.number));
        break;
    case SettingKind::text:
        settings_->setValue(key, QString::fromLatin1(value.bytes.data(),
                                                     static_cast<qsizetype>(value.bytes.size())));
        break;
    case SettingKind::wide_text:
        settings_->setValue(
            key, QString::fromUtf8(value.bytes.data(), static_cast<qsizetype>(value.bytes.size())));
        break;
    case SettingKind::binary:
        settings_->setValue(
            key, QByteArray(value.bytes.data(), static_cast<qsizetype>(value.bytes.size())));
        break;
    }
}

void QtSettingsStore::close() {
    settings_->sync();
}

} // namespace vornex
