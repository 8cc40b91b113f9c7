#include "Support/Defaults.h"

#include <QSettings>

namespace mivora {

SettingsDefaults::SettingsDefaults()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Mivora", "Mivora")) {
}

SettingsDefaults::SettingsDefaults(const QString& file)
    : settings_(std::make_unique<QSettings>(file, QSettings::IniFormat)) {}

SettingsDefaults::~SettingsDefaults() = default;

QVariant SettingsDefaults::value(const QString& key) const {
    return settings_->value(key);
}

void SettingsDefaults::setValue(const QString& key, const QVariant& value) {
    settings_->setValue(key, value);
}

void SettingsDefaults::remove(const QString& key) {
    settings_->remove(key);
}

} // namespace mivora
