#include "Support/Defaults.h"

#include "Support/AppLog.h"
#include "Support/SettingsIni.h"

#include <QDir>
#include <QFileInfo>
#include <QObject>
#include <QSettings>

namespace mivora {

namespace {

QString standardFile() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "Mivora", "Mivora").fileName();
}

} // namespace

SettingsDefaults::SettingsDefaults() : SettingsDefaults(standardFile()) {
    const QSettings scoped(QSettings::IniFormat, QSettings::UserScope, "Mivora", "Mivora");
    for (const QString& key : scoped.allKeys())
        if (!values_.contains(key)) fallback_.insert(key, scoped.value(key));
}

SettingsDefaults::SettingsDefaults(const QString& file)
    : file_(file), values_(SettingsIni::read(file)), context_(std::make_unique<QObject>()) {
    // Side files of writes that a killed process left half-way.
    AtomicFile::removeStale(QFileInfo(file_).absolutePath());
}

SettingsDefaults::~SettingsDefaults() {
    save();
    if (saveFailure_ != AtomicFile::Failure::none)
        AppLog::write(QStringLiteral("退出时设置仍然没存上，这次改的设置没有留下（设置文件保持原样）"));
}

QVariant SettingsDefaults::value(const QString& key) const {
    const auto it = values_.constFind(key);
    return it != values_.cend() ? *it : fallback_.value(key);
}

void SettingsDefaults::setValue(const QString& key, const QVariant& value) {
    const auto it = values_.constFind(key);
    if (it != values_.cend() && it->typeId() == value.typeId() && *it == value) return;
    values_.insert(key, value);
    changed(key, value);
}

void SettingsDefaults::remove(const QString& key) {
    // As QSettings: a key takes the keys of its group with it.
    const QString group = key + u'/';
    for (const QString& k : values_.keys())
        if (k == key || k.startsWith(group) || key.isEmpty()) {
            values_.remove(k);
            changed(k, std::nullopt);
        }
}

void SettingsDefaults::changed(const QString& key, std::optional<QVariant> value) {
    pending_.insert(key, std::move(value));
    if (queued_) return;
    queued_ = true;
    QMetaObject::invokeMethod(
        context_.get(), [this] { save(); }, Qt::QueuedConnection);
}

void SettingsDefaults::save() {
    queued_ = false;
    if (pending_.isEmpty()) return;
    // What the file holds now (another copy of the program may have written it), with this store's changes
    // over it. A file that is there but cannot be read is not taken for an empty one.
    const QFileInfo info(file_);
    QMap<QString, QVariant> merged = info.exists() && !info.isReadable() ? values_ : SettingsIni::read(file_);
    for (auto it = pending_.cbegin(); it != pending_.cend(); ++it)
        if (*it)
            merged.insert(it.key(), **it);
        else
            merged.remove(it.key());

    QDir().mkpath(info.absolutePath());
    const AtomicFile::Result result = writer_(file_, SettingsIni::write(merged));
    if (result) {
        values_ = std::move(merged);
        pending_.clear();
    }
    if (result.failure == saveFailure_) return;
    if (result)
        AppLog::write(QStringLiteral("之前没存上的设置已经存好"));
    else if (result.failure == AtomicFile::Failure::diskFull)
        AppLog::write(QStringLiteral("磁盘满了，设置没存上，设置文件保持原样，下次保存或退出时再试：%1")
                          .arg(result.reason));
    else
        AppLog::write(
            QStringLiteral("设置没存上，设置文件保持原样，下次保存或退出时再试：%1").arg(result.reason));
    saveFailure_ = result.failure;
    if (saveFailureChanged) saveFailureChanged();
}

} // namespace mivora
