#pragma once

#include "Memories/Memory.h"
#include "Memories/MemoryPayload.h"
#include "Support/AtomicFile.h"
#include "Support/Clock.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace mivora {

// The user's memories and the tombstones of deleted ones, kept in "memories.json" and "deleted.json" in
// one folder. Main thread only. The list changes first; file problems never reach the caller as an error.
// A file that exists but cannot be read is set aside (renamed with a time stamp) before the first save
// instead of being overwritten. A save that cannot be written (a full disk) leaves both files as they were
// and is published (`saveFailure`); the store keeps its state and writes it with the next save, or when it
// goes.
class MemoryStore : public QObject {
    Q_OBJECT
public:
    // Loads both files when `file` is given; an absent file makes an in-memory store that never touches
    // the disk. `initial` stands when the memories file is missing or unreadable.
    MemoryStore(std::optional<QString> file, QList<Memory> initial, const Clock& clock,
                QObject* parent = nullptr);
    // Writes what a failed save could not.
    ~MemoryStore() override;

    // An in-memory store holding the eleven sample memories, saved relative to now.
    static std::unique_ptr<MemoryStore> samples(const Clock& clock);
    // An empty in-memory store.
    static std::unique_ptr<MemoryStore> scratch(const Clock& clock);
    // "memories.json" in the application data folder, fixed at first use for the life of the process.
    static QString defaultFile();

    // The two files' contents: what their bytes hold, or nothing when they are not exactly a JSON array of
    // memory records ("memories.json") or an object of id to date ("deleted.json"); and the bytes to write.
    static std::optional<QList<Memory>> readMemories(const QByteArray& bytes);
    static std::optional<QMap<QString, QDateTime>> readDeleted(const QByteArray& bytes);
    static QByteArray writeMemories(const QList<Memory>& memories);
    static QByteArray writeDeleted(const QMap<QString, QDateTime>& deleted);

    const QList<Memory>& memories() const { return memories_; }
    const QMap<QString, QDateTime>& deleted() const { return deleted_; }
    const std::optional<QString>& file() const { return file_; }

    // Why the last save left the files behind the store, or `none` once a save has written both.
    AtomicFile::Failure saveFailure() const { return saveFailure_; }
    // How files are written: `AtomicFile::write` unless a test stands in a failing one.
    void setWriter(AtomicFile::Writer writer) { writer_ = std::move(writer); }

    qsizetype count() const { return memories_.size(); }
    // Titles in stored order.
    QStringList orderedTitles() const;
    // Titles of all memories (expired ones too), most used first; equal counts keep stored order.
    QStringList titles() const;
    // Recognition hints: the alive memories most used first, all their titles, then all their aliases.
    QStringList vocabulary() const;

    // Arguments are taken by value: callers may pass a field of a memory this store holds.

    // Stores one memory: replaces the first with its id in place, or puts it in front. A memory that
    // differs from the stored one (or is new) gets `updatedAt` now.
    void upsert(Memory memory);
    // Stores what the memory editor edits - title, value, aliases and the sensitive flag - onto the first
    // memory with the edited one's id, every other field as stored, so a use or a sync that arrived while
    // the editor was open stays. A memory that is not stored (a new one) is stored whole, as by `upsert`.
    void saveEdit(Memory edited);
    // Removes every memory with this id and records its tombstone now (also for an unknown id).
    void deleteMemory(QString id);
    // One more use of the first memory with this id: `useCount` + 1, `lastUsedAt` now. Unknown: nothing.
    void markUsed(QString id);
    // A new "信息" memory added by hand, put in front.
    void add(const QString& title, const QString& value);
    // Deletes the first memory with exactly this title; nothing when there is none.
    void remove(QString title);
    // Adopts a sync result (its items and tombstones) unless it equals the store; announced as `synced`.
    void applySynced(const MemoryPayload& payload);

    // Where a change came from: the sync engine asks for another pass after `local` changes only.
    enum class Change { local, synced };
    Q_ENUM(Change)

signals:
    // Around every change: before `memories()` changes, and after it and the tombstones changed but before
    // anything is written.
    void memoriesWillChange();
    void memoriesChanged(mivora::MemoryStore::Change change);
    void saveFailureChanged();

private:
    // Replaces the list, tells the observers, then saves both files.
    void commit(QList<Memory> memories, Change change);
    QDateTime now() const;
    void save();
    // Renames an unreadable file found at start-up out of the way; false when it is still in the way.
    bool setAside(const QString& path, bool& pending);
    QString deletedFile() const;
    // Writes one file (setting a bad one aside first); false when it still holds older content.
    bool writeFile(const QString& path, bool& bad, const QByteArray& data, AtomicFile::Result& result);

    QList<Memory> memories_;
    QMap<QString, QDateTime> deleted_;
    std::optional<QString> file_;
    const Clock& clock_;
    bool badMemoriesFile_ = false;
    bool badDeletedFile_ = false;
    AtomicFile::Writer writer_ = AtomicFile::write;
    AtomicFile::Failure saveFailure_ = AtomicFile::Failure::none;
};

} // namespace mivora
