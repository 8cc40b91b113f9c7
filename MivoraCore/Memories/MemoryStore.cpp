#include "Memories/MemoryStore.h"

#include "Memories/Recall.h"
#include "Memories/Seed.h"
#include "Support/AppLog.h"
#include "Support/IsoDate.h"
#include "Support/JsonRead.h"
#include "Support/JsonWriter.h"
#include "Support/Paths.h"
#include "Support/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace mivora {

namespace {

// The file's bytes as `read` makes them out; a file that exists but cannot be opened, read or decoded
// marks `bad`.
template <typename Read>
auto load(const QString& path, Read read, bool& bad) -> decltype(read(QByteArray())) {
    QFile f(path);
    if (!f.exists()) return std::nullopt;
    decltype(read(QByteArray())) value;
    if (f.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = f.readAll();
        if (f.error() == QFileDevice::NoError) value = read(bytes);
    }
    bad = !value;
    return value;
}

} // namespace

MemoryStore::MemoryStore(std::optional<QString> file, QList<Memory> initial, const Clock& clock,
                         QObject* parent)
    : QObject(parent), memories_(std::move(initial)), file_(std::move(file)), clock_(clock) {
    if (!file_) return;
    // Side files of saves that a killed process left half-way.
    AtomicFile::removeStale(QFileInfo(*file_).absolutePath());
    if (auto map = load(deletedFile(), readDeleted, badDeletedFile_)) deleted_ = std::move(*map);
    if (auto list = load(*file_, readMemories, badMemoriesFile_)) {
        memories_ = std::move(*list);
        // A deletion cut off between its two writes (see `save`) leaves the memory listed beside a tombstone
        // at or after its last change: it stays deleted, as the next sync would decide.
        memories_.removeIf([this](const Memory& m) {
            const auto gone = deleted_.constFind(m.id);
            return gone != deleted_.cend() && *gone >= (m.updatedAt ? *m.updatedAt : m.savedAt);
        });
    }
}

MemoryStore::~MemoryStore() {
    if (saveFailure_ != AtomicFile::Failure::none) save();
}

std::optional<QList<Memory>> MemoryStore::readMemories(const QByteArray& bytes) {
    QJsonParseError error;
    const QJsonDocument doc = JsonRead::document(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray()) return std::nullopt;
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

std::optional<QMap<QString, QDateTime>> MemoryStore::readDeleted(const QByteArray& bytes) {
    QJsonParseError error;
    const QJsonDocument doc = JsonRead::document(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
    return JsonRead::dates(doc.object());
}

QByteArray MemoryStore::writeMemories(const QList<Memory>& memories) {
    JsonWriter w(/*sortedKeys=*/false, /*prettyPrinted=*/true);
    w.beginArray();
    for (const Memory& m : memories)
        m.encode(w);
    w.endArray();
    return w.data();
}

QByteArray MemoryStore::writeDeleted(const QMap<QString, QDateTime>& deleted) {
    JsonWriter w = MemoryPayload::encoder();
    w.dates(deleted);
    return w.data();
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

void MemoryStore::commit(QList<Memory> memories, Change change) {
    emit memoriesWillChange();
    memories_ = std::move(memories);
    // Told before anything is written.
    emit memoriesChanged(change);
    save();
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
    commit(std::move(list), Change::local);
}

void MemoryStore::saveEdit(Memory edited) {
    const auto it = std::find_if(memories_.cbegin(), memories_.cend(),
                                 [&](const Memory& m) { return m.id == edited.id; });
    if (it == memories_.cend()) return upsert(std::move(edited));
    Memory m = *it;
    m.title = std::move(edited.title);
    m.value = std::move(edited.value);
    m.aliases = std::move(edited.aliases);
    m.sensitive = edited.sensitive;
    upsert(std::move(m));
}

void MemoryStore::deleteMemory(QString id) {
    QList<Memory> list = memories_;
    list.removeIf([&](const Memory& m) { return m.id == id; });
    // The tombstone first: whoever is told of the change may read both.
    deleted_.insert(id, now());
    commit(std::move(list), Change::local);
}

void MemoryStore::markUsed(QString id) {
    const auto it =
        std::find_if(memories_.cbegin(), memories_.cend(), [&](const Memory& m) { return m.id == id; });
    if (it == memories_.cend()) return;
    QList<Memory> list = memories_;
    Memory& m = list[it - memories_.cbegin()];
    m.useCount += 1;
    m.lastUsedAt = now();
    commit(std::move(list), Change::local);
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
    deleted_ = payload.deleted;
    commit(payload.items, Change::synced);
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

bool MemoryStore::writeFile(const QString& path, bool& bad, const QByteArray& data,
                            AtomicFile::Result& result) {
    // A file that could not be read at start-up still holds the user's data: keep it under another name.
    // When it cannot be moved, it is left alone rather than overwritten.
    if (!setAside(path, bad)) {
        result = {AtomicFile::Failure::other, QStringLiteral("%1 挪不开").arg(QFileInfo(path).fileName())};
        return false;
    }
    result = writer_(path, data);
    return bool(result);
}

void MemoryStore::save() {
    if (!file_) return;

    PrivateFiles::makeFolder(QFileInfo(*file_).absolutePath());

    // The tombstones first, the list only once they are written: a list saved without its tombstones would
    // let the next sync bring a deleted memory back from the vault, while a list left behind its tombstones
    // (a crash or a failure between the two) loses the deleted memory again at the next start and sync.
    AtomicFile::Result result;
    if (writeFile(deletedFile(), badDeletedFile_, writeDeleted(deleted_), result))
        writeFile(*file_, badMemoriesFile_, writeMemories(memories_), result);

    if (result.failure == saveFailure_) return;
    if (result)
        AppLog::write(QStringLiteral("之前没存上的记忆已经存好"));
    else
        AppLog::write(QStringLiteral("记忆没存上，文件保持原样，下次保存再试：%1").arg(result.reason));
    saveFailure_ = result.failure;
    emit saveFailureChanged();
}

} // namespace mivora
