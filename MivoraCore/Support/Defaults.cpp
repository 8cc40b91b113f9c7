#include "Support/Defaults.h"

#include "Support/AppLog.h"
#include "Support/FileLock.h"
#include "Support/PrivateFiles.h"
#include "Support/SettingsIni.h"

#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QSettings>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace mivora {

namespace {

QString standardFile() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "Mivora", "Mivora").fileName();
}

// How long a save waits for another process's save of the same file: far above what one takes.
constexpr int lockWaitMs = 10000;

// A full disk or quota is said as such whichever step ran into it.
AtomicFile::Failure failureOf(int error) {
    return error == ENOSPC || error == EDQUOT ? AtomicFile::Failure::diskFull : AtomicFile::Failure::other;
}

// What of the settings file and its folder is there without its owner's write right: how the log names it.
std::optional<QString> readOnlyPart(const QFileInfo& file) {
    const auto readOnly = [](const QString& path) {
        struct stat st {};
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 && !(st.st_mode & S_IWUSR);
    };
    if (readOnly(file.absolutePath())) return QStringLiteral("设置文件夹");
    if (readOnly(file.absoluteFilePath())) return QStringLiteral("设置文件");
    return std::nullopt;
}

} // namespace

SettingsDefaults::SettingsDefaults(Saving saving) : SettingsDefaults(standardFile(), saving) {
    const QSettings scoped(QSettings::IniFormat, QSettings::UserScope, "Mivora", "Mivora");
    for (const QString& key : scoped.allKeys())
        if (!values_.contains(key)) fallback_.insert(key, scoped.value(key));
}

SettingsDefaults::SettingsDefaults(const QString& file, Saving saving)
    : file_(file), saving_(saving), values_(SettingsIni::read(file)), context_(std::make_unique<QObject>()) {
    // Side files of writes that a killed process left half-way.
    if (saving_ == Saving::toFile) AtomicFile::removeStale(QFileInfo(file_).absolutePath());
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
    // A value equal to the one held here still goes to the file: another process may have written another
    // one there since this store last read it.
    const auto it = pending_.constFind(key);
    if (it != pending_.cend() && *it && (*it)->typeId() == value.typeId() && **it == value) return;
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
    if (saving_ == Saving::inMemoryOnly) return;
    pending_.insert(key, std::move(value));
    if (queued_) return;
    queued_ = true;
    QMetaObject::invokeMethod(
        context_.get(), [this] { save(); }, Qt::QueuedConnection);
}

void SettingsDefaults::save() {
    queued_ = false;
    if (pending_.isEmpty()) return;
    const auto [result, message] = writeChanges();
    if (result) pending_.clear();
    if (result.failure == saveFailure_ && result.reason == saveReason_) return;
    if (result)
        AppLog::write(QStringLiteral("之前没存上的设置已经存好"));
    else
        AppLog::write(message.arg(result.reason));
    saveReason_ = result.reason;
    if (result.failure == saveFailure_) return;
    saveFailure_ = result.failure;
    if (saveFailureChanged) saveFailureChanged();
}

std::pair<AtomicFile::Result, QString> SettingsDefaults::writeChanges() {
    const QString kept = QStringLiteral("设置文件保持原样，这次改的设置还在，下次保存或退出时再试");
    const auto said = [&](AtomicFile::Failure failure, const QString& what) {
        return (failure == AtomicFile::Failure::diskFull ? QStringLiteral("磁盘满了，设置没存上，%1：%2")
                                                         : what + QStringLiteral("，设置没存上，%1：%2"))
            .arg(kept);
    };
    const QFileInfo info(file_);
    if (const int error = PrivateFiles::makeFolder(info.absolutePath()))
        return {{failureOf(error), QString::fromLocal8Bit(std::strerror(error))},
                said(failureOf(error), QStringLiteral("设置文件夹建不了"))};
    // A folder or file the user made read-only is theirs to keep as it is (not even a lock file goes in).
    if (const auto readOnly = readOnlyPart(info))
        return {{AtomicFile::Failure::other, QString::fromLocal8Bit(std::strerror(EACCES))},
                QStringLiteral("%1是只读的，没有写它，%2：%3").arg(*readOnly, kept)};
    // From reading the file to moving the new one in place, a save in another process (another copy of the
    // program, a command-line run) waits, and this one waits for it: neither writes over what the other
    // wrote in between.
    const FileLock lock(file_ + QStringLiteral(".mivora-lock"), lockWaitMs);
    if (!lock.locked())
        return {{failureOf(lock.errorNumber()), lock.error()},
                said(failureOf(lock.errorNumber()), QStringLiteral("设置文件锁不上"))};
    // What the file holds now, with this store's changes over it. A file that is there but cannot be read
    // is not taken for an empty one: writing would replace every setting in it with this run's changes.
    QString unreadable;
    QMap<QString, QVariant> merged = SettingsIni::read(file_, &unreadable);
    if (!unreadable.isEmpty())
        return {{AtomicFile::Failure::other, unreadable},
                QStringLiteral("设置文件读不了，没有写它，%1：%2").arg(kept)};
    for (auto it = pending_.cbegin(); it != pending_.cend(); ++it)
        if (*it)
            merged.insert(it.key(), **it);
        else
            merged.remove(it.key());

    const AtomicFile::Result result = writer_(file_, SettingsIni::write(merged));
    if (result) values_ = std::move(merged);
    return {result, said(result.failure, QStringLiteral("设置文件写不了"))};
}

} // namespace mivora
