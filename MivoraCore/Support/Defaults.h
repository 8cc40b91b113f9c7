#pragma once

#include "Support/AtomicFile.h"

#include <QMap>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QObject;

namespace mivora {

// The user-defaults store: settings and counters by key. Absent keys read as an invalid QVariant.
class Defaults {
public:
    virtual ~Defaults() = default;
    virtual QVariant value(const QString& key) const = 0;
    virtual void setValue(const QString& key, const QVariant& value) = 0;
    virtual void remove(const QString& key) = 0;
    bool contains(const QString& key) const { return value(key).isValid(); }

    // Why the last write of the changes did not reach the disk; `none` for a store that keeps no file.
    virtual AtomicFile::Failure saveFailure() const { return AtomicFile::Failure::none; }
    // Called when `saveFailure` changes (the settings page says so).
    std::function<void()> saveFailureChanged;
};

// The settings file of the user, INI as QSettings keeps it ($XDG_CONFIG_HOME/Mivora/Mivora.ini). Values are
// kept in memory; the changes are written at the next turn of the event loop, and when the store goes, as
// one whole new file (see AtomicFile) merged over what the file holds then, so another copy of the program
// that wrote a key in between keeps it; a lock beside the file keeps two processes' saves from overlapping.
// Every value set is written, even one equal to the value held here. A write the disk does not take (a full
// disk), a file that is there but cannot be read or that the user made read-only, as its folder (neither is
// ever written), or a lock held too long by another process leave the file as it was, keep the changes, are
// logged and published (`saveFailure`), and are tried again with the next write. The folder, when the store
// makes it, is the user's alone.
class SettingsDefaults final : public Defaults {
public:
    // Whether changes reach the file: a run that must leave the user's settings as they are (the self-test)
    // reads them and keeps its changes in memory.
    enum class Saving { toFile, inMemoryOnly };

    explicit SettingsDefaults(Saving saving = Saving::toFile);
    explicit SettingsDefaults(const QString& file, Saving saving = Saving::toFile);
    ~SettingsDefaults() override;

    QVariant value(const QString& key) const override;
    void setValue(const QString& key, const QVariant& value) override;
    void remove(const QString& key) override;

    // Writes the changes now rather than at the next turn of the event loop.
    void save();
    const QString& file() const { return file_; }
    // Why the last write left the file behind the store, or `none` once a write has taken every change.
    AtomicFile::Failure saveFailure() const override { return saveFailure_; }
    // How the file is written: `AtomicFile::write` unless a test stands in a failing one.
    void setWriter(AtomicFile::Writer writer) { writer_ = std::move(writer); }

private:
    void changed(const QString& key, std::optional<QVariant> value);
    // Merges the changes over the file and writes it; the result, and the log line (with "%1" for the
    // reason) for when it failed.
    std::pair<AtomicFile::Result, QString> writeChanges();

    QString file_;
    Saving saving_;
    QMap<QString, QVariant> values_;
    // The system-wide and organisation files' values under the user's own (read, never written).
    QMap<QString, QVariant> fallback_;
    // The keys set (a value) or removed (nothing) since the file last took the changes.
    QMap<QString, std::optional<QVariant>> pending_;
    AtomicFile::Writer writer_ = AtomicFile::write;
    AtomicFile::Failure saveFailure_ = AtomicFile::Failure::none;
    QString saveReason_;
    std::unique_ptr<QObject> context_; // receives the queued write
    bool queued_ = false;
};

} // namespace mivora
