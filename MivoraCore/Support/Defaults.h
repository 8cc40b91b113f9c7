#pragma once

#include <QString>
#include <QVariant>

#include <memory>

class QSettings;

namespace mivora {

// The user-defaults store: settings and counters by key. Absent keys read as an invalid QVariant.
class Defaults {
public:
    virtual ~Defaults() = default;
    virtual QVariant value(const QString& key) const = 0;
    virtual void setValue(const QString& key, const QVariant& value) = 0;
    virtual void remove(const QString& key) = 0;
    bool contains(const QString& key) const { return value(key).isValid(); }
};

class SettingsDefaults final : public Defaults {
public:
    // The standard store of the user (QSettings, INI format: $XDG_CONFIG_HOME/Mivora/Mivora.ini).
    SettingsDefaults();
    explicit SettingsDefaults(const QString& file);
    ~SettingsDefaults() override;

    QVariant value(const QString& key) const override;
    void setValue(const QString& key, const QVariant& value) override;
    void remove(const QString& key) override;

private:
    std::unique_ptr<QSettings> settings_;
};

} // namespace mivora
