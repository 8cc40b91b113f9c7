#include "Memories/MemoryStore.h"

#include "Memories/Recall.h"
#include "Memories/Seed.h"
#include "Support/AppLog.h"
#include "Support/IsoDate.h"
#include "Support/JsonRead.h"
#include "Support/JsonWriter.h"
#include "Support/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>

namespace mivora {

namespace {

enum class Read { missing, bad, ok };

// The whole file as a JSON document; a file that exists but cannot be opened, read or parsed is bad.
Read readJson(const QString& path, QJsonDocument& out) {
    QFile f(path);
    if (!f.exists()) return Read::missing;
    if (!f.open(QIODevice::ReadOnly)) return Read::bad;
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) return Read::bad;
    QJsonParseError error;
    out = QJsonDocument::fromJson(bytes, &error);
    return error.error == QJsonParseError::NoError ? Read::ok : Read::bad;
}

std::optional<QList<Memory>> decodeList(const QJsonDocument& doc) {
    if (!doc.isArray()) return std::nullopt;
    const QJsonArray array = doc.array();
    QList<Memory> list;
    list.reserve(array.size());
    for (const QJsonValue& v : array) {
        auto m = Memory::decode(v);
        if (!m) return std::nullopt;
        list.append(std::move(*m));
    }
    return list;
}

void writeAtomically(const QString& path, const QByteArray& data) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return;
    if (f.write(data) != data.size()) {
        f.cancelWriting();
        return;
    }
    f.commit();
}

} // namespace

MemoryStore::MemoryStore(std::optional<QString> file, QList<Memory> initial, const Clock& clock,
                         QObject* parent)
    : QObject(parent), memories_(std::move(initial)), file_(std::move(file)), clock_(clock) {
    if (!file_) return;

    QJsonDocument doc;
    switch (readJson(*file_, doc)) {
    case Read::missing:
        break;
    case Read::bad:
        badMemoriesFile_ = true;
        break;
    case Read::ok:
        if (auto list = decodeList(doc))
            memories_ = std::move(*list);
        else
            badMemoriesFile_ = true;
    }

    switch (readJson(deletedFile(), doc)) {
    case Read::missing:
        break;
    case Read::bad:
        badDeletedFile_ = true;
        break;
    case Read::ok:
        if (auto map = JsonRead::dates(doc.isObject() ? QJsonValue(doc.object()) : QJsonValue()))
            deleted_ = std::move(*map);
        else
            badDeletedFile_ = true;
    }
}

std::unique_ptr<MemoryStore> MemoryStore::samples(const Clock& clock) {
    return std::make_unique<MemoryStore>(std::nullopt, Seed::samples(clock.now()), clock);
}

std::unique_ptr<MemoryStore> MemoryStore::scratch(const Clock& clock) {
    return std::make_unique<MemoryStore>(std::nullopt, QList<Memory>(), clock);
}

QString MemoryStore::defaultFile() {
    static const QString file = Paths::appData() + QStringLiteral("/memories.json");
    return file;
}

QString MemoryStore::deletedFile() const {
    return QFileInfo(*file_).dir().filePath(QStringLiteral("deleted.json"));
}

QDateTime MemoryStore::now() const {
    // Files and sync keep whole seconds; a time kept finer would never equal its own saved copy.
    return IsoDate::wholeSeconds(clock_.now());
}

QStringList MemoryStore::orderedTitles() const {
    QStringList out;
    out.reserve(memories_.size());
    for (const Memory& m : memories_)
        out.append(m.title);
    return out;
}

namespace {
QList<Memory> byUse(QList<Memory> list) {
    std::stable_sort(list.begin(), list.end(),
                     [](const Memory& a, const Memory& b) { return a.useCount > b.useCount; });
    return list;
}
} // namespace

QStringList MemoryStore::titles() const {
    QStringList out;
    for (const Memory& m : byUse(memories_))
        out.append(m.title);
    return out;
}

QStringList MemoryStore::vocabulary() const {
    const QList<Memory> list = byUse(Recall::alive(memories_, clock_.now()));
    QStringList out;
    for (const Memory& m : list)
        out.append(m.title);
    for (const Memory& m : list)
        out.append(m.aliases);
    return out;
}

void MemoryStore::setMemories(QList<Memory> memories) {
    emit memoriesWillChange();
    memories_ = std::move(memories);
    emit memoriesChanged();
}

void MemoryStore::upsert(Memory memory) {
    QList<Memory> list = memories_;
    const auto it =
        std::find_if(list.begin(), list.end(), [&](const Memory& m) { return m.id == memory.id; });
    if (it == list.end()) {
        memory.updatedAt = now();
        list.prepend(std::move(memory));
    } else {
        if (!(*it == memory)) memory.updatedAt = now();
        *it = std::move(memory);
    }
    setMemories(std::move(list));
    save(true);
}

void MemoryStore::deleteMemory(QString id) {
    QList<Memory> list = memories_;
    list.removeIf([&](const Memory& m) { return m.id == id; });
    setMemories(std::move(list));
    deleted_.insert(id, now());
    save(true);
}

void MemoryStore::markUsed(QString id) {
    const auto it =
        std::find_if(memories_.cbegin(), memories_.cend(), [&](const Memory& m) { return m.id == id; });
    if (it == memories_.cend()) return;
    QList<Memory> list = memories_;
    Memory& m = list[it - memories_.cbegin()];
    m.useCount += 1;
    m.lastUsedAt = now();
    setMemories(std::move(list));
    save(true);
}

void MemoryStore::add(const QString& title, const QString& value) {
    upsert(Memory{.id = Memory::newId(),
                  .title = title,
                  .type = QStringLiteral("信息"),
                  .aliases = {},
                  .value = value,
                  .source = QStringLiteral("手动添加"),
                  .savedAt = now(),
                  .useCount = 0,
                  .pinned = false,
                  .sensitive = false});
}

void MemoryStore::remove(QString title) {
    const auto it =
        std::find_if(memories_.cbegin(), memories_.cend(), [&](const Memory& m) { return m.title == title; });
    if (it == memories_.cend()) return;
    deleteMemory(it->id);
}

void MemoryStore::applySynced(const MemoryPayload& payload) {
    if (payload.items == memories_ && payload.deleted == deleted_) return;
    setMemories(payload.items);
    deleted_ = payload.deleted;
    save(false);
}

bool MemoryStore::setAside(const QString& path, bool& pending) {
    if (!pending) return true;
    if (!QFile::exists(path)) {
        pending = false;
        return true;
    }
    const QString stamp = clock_.now().toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString aside = path + QStringLiteral(".bad-") + stamp;
    for (int n = 2; QFile::exists(aside); ++n)
        aside = path + QStringLiteral(".bad-") + stamp + QLatin1Char('-') + QString::number(n);
    if (!QFile::rename(path, aside)) return false;
    pending = false;
    AppLog::write(QStringLiteral("无法读取的记忆文件已另存为 %1").arg(QFileInfo(aside).fileName()));
    return true;
}

void MemoryStore::save(bool notify) {
    if (notify && onChange) onChange();
    if (!file_) return;

    QDir().mkpath(QFileInfo(*file_).absolutePath());

    // A file that could not be read at start-up still holds the user's data: keep it under another name.
    // When it cannot be moved, it is left alone rather than overwritten.
    if (setAside(*file_, badMemoriesFile_)) {
        JsonWriter w(/*sortedKeys=*/false, /*prettyPrinted=*/true);
        w.beginArray();
        for (const Memory& m : memories_)
            m.encode(w);
        w.endArray();
        writeAtomically(*file_, w.data());
    }

    const QString tombstones = deletedFile();
    if (setAside(tombstones, badDeletedFile_)) {
        JsonWriter w = MemoryPayload::encoder();
        w.beginObject();
        for (auto it = deleted_.cbegin(); it != deleted_.cend(); ++it) {
            w.key(it.key());
            w.date(it.value());
        }
        w.endObject();
        writeAtomically(tombstones, w.data());
    }
}

} // namespace mivora
