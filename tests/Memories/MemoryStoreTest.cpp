#include "Memories/MemoryStore.h"

#include "Dictation/AppLog.h"
#include "Support/Paths.h"
#include "support/FakeScheduler.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace mivora;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

Memory named(const char* title, qint64 useCount = 0) {
    return Memory{.title = QString::fromUtf8(title),
                  .type = QStringLiteral("信息"),
                  .aliases = {QString::fromUtf8(title) + QStringLiteral("别名")},
                  .value = QStringLiteral("值"),
                  .source = QStringLiteral("手动添加"),
                  .savedAt = QDateTime(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC),
                  .useCount = useCount};
}

class Store : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        // A clock between two seconds: what the store records must still survive its own files.
        clock.setNow(QDateTime(QDate(2025, 3, 7), QTime(9, 0, 0, 750), Qt::UTC));
    }

    std::unique_ptr<MemoryStore> open(QList<Memory> initial = {}) {
        auto s = std::make_unique<MemoryStore>(file, std::move(initial), clock);
        s->onChange = [this, raw = s.get()] {
            ++changes;
            // Nothing is on disk yet when the callback runs.
            writtenBeforeChange = readAll(file) == memoriesJson(*raw);
        };
        return s;
    }

    QByteArray memoriesJson(const MemoryStore& s) {
        JsonWriter w(false, true);
        w.beginArray();
        for (const Memory& m : s.memories())
            m.encode(w);
        w.endArray();
        return w.data();
    }

    QDateTime whole() const { return IsoDate::wholeSeconds(clock.now()); }
    QStringList entries() const { return QDir(folder).entryList(QDir::Files, QDir::Name); }

    QTemporaryDir dir;
    QString folder = dir.path() + "/data/Mivora";
    QString file = folder + "/memories.json";
    QString tombstones = folder + "/deleted.json";
    test::FakeClock clock;
    int changes = 0;
    bool writtenBeforeChange = false;
};

} // namespace

TEST_F(Store, FirstStartCreatesTheFolderAndBothFilesOnTheFirstChange) {
    auto s = open();
    EXPECT_EQ(s->count(), 0);
    EXPECT_FALSE(QFileInfo::exists(folder));

    s->upsert(named("家庭地址"));
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(writtenBeforeChange);
    EXPECT_EQ(s->memories()[0].updatedAt, whole());
    const QByteArray text = readAll(file);
    EXPECT_TRUE(text.startsWith("[\n  {\n    \"id\" : \"")) << text.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(text).array().size(), 1);
    EXPECT_EQ(readAll(tombstones), "{}");
    EXPECT_EQ(entries(), (QStringList{"deleted.json", "memories.json"}));

    // Everything the store set comes back equal from its own files.
    MemoryStore again(file, {}, clock);
    EXPECT_EQ(again.memories(), s->memories());
}

TEST_F(Store, UpsertPutsNewMemoriesInFrontAndReplacesInPlace) {
    auto s = open();
    for (const char* t : {"D", "C", "B", "A"})
        s->upsert(named(t));
    EXPECT_EQ(s->orderedTitles(), (QStringList{"A", "B", "C", "D"}));

    clock.advance(60);
    Memory d = s->memories()[3];
    const auto before = d.updatedAt;
    s->upsert(d);
    EXPECT_EQ(s->memories()[3].updatedAt, before) << "an unchanged memory keeps its time";
    EXPECT_EQ(changes, 5);

    d.value = QStringLiteral("新的值");
    s->upsert(d);
    EXPECT_EQ(s->orderedTitles(), (QStringList{"A", "B", "C", "D"}));
    EXPECT_EQ(s->memories()[3].value, "新的值");
    EXPECT_EQ(s->memories()[3].updatedAt, whole());
    EXPECT_EQ(MemoryStore(file, {}, clock).memories(), s->memories());
}

TEST_F(Store, ObserversHearAboutEveryChangeAroundIt) {
    auto s = open();
    QStringList heard;
    QObject::connect(s.get(), &MemoryStore::memoriesWillChange,
                     [&] { heard << QStringLiteral("will %1").arg(s->count()); });
    QObject::connect(s.get(), &MemoryStore::memoriesChanged,
                     [&] { heard << QStringLiteral("did %1").arg(s->count()); });
    s->upsert(named("A"));
    EXPECT_EQ(heard, (QStringList{"will 0", "did 1"}));
}

TEST_F(Store, DeleteRemovesEveryCopyAndKeepsATombstone) {
    Memory a = named("A");
    Memory twin = named("A2");
    twin.id = a.id;
    writeAll(file, [&] {
        JsonWriter w(false, true);
        w.beginArray();
        for (const Memory& m : {a, named("B"), twin})
            m.encode(w);
        w.endArray();
        return w.data();
    }());
    auto s = open();
    ASSERT_EQ(s->count(), 3);

    s->deleteMemory(a.id);
    EXPECT_EQ(s->orderedTitles(), QStringList{"B"});
    EXPECT_EQ(s->deleted().value(a.id), whole());

    clock.advance(5);
    s->deleteMemory(QStringLiteral("NOT-THERE"));
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(s->deleted().size(), 2);
    EXPECT_EQ(readAll(tombstones),
              QStringLiteral("{\"%1\":\"2025-03-07T09:00:00Z\",\"NOT-THERE\":\"2025-03-07T09:00:05Z\"}")
                  .arg(a.id)
                  .toUtf8());
    EXPECT_EQ(MemoryStore(file, {}, clock).deleted(), s->deleted());

    // A memory stored again under a deleted id leaves its tombstone alone.
    s->upsert(a);
    EXPECT_TRUE(s->deleted().contains(a.id));
}

TEST_F(Store, MarkUsedCountsUsesAndIgnoresUnknownIds) {
    auto s = open();
    s->upsert(named("A"));
    const QString id = s->memories()[0].id;
    const auto updated = s->memories()[0].updatedAt;
    clock.advance(90.5);
    s->markUsed(id);
    s->markUsed(id);
    EXPECT_EQ(s->memories()[0].useCount, 2);
    EXPECT_EQ(s->memories()[0].lastUsedAt, whole());
    EXPECT_EQ(s->memories()[0].updatedAt, updated);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(MemoryStore(file, {}, clock).memories(), s->memories());

    QFile::remove(file);
    s->markUsed(QStringLiteral("nobody"));
    s->remove(QStringLiteral("nobody"));
    EXPECT_EQ(changes, 3);
    EXPECT_FALSE(QFileInfo::exists(file));
}

TEST_F(Store, AddAndRemoveByTitle) {
    auto s = open();
    s->add(QStringLiteral("车牌"), QStringLiteral("沪A·D1234"));
    s->add(QStringLiteral("车牌"), QStringLiteral("另一辆"));
    ASSERT_EQ(s->count(), 2);
    const Memory& m = s->memories()[0];
    EXPECT_EQ(m.value, "另一辆");
    EXPECT_EQ(m.type, "信息");
    EXPECT_EQ(m.source, "手动添加");
    EXPECT_EQ(m.savedAt, whole());
    EXPECT_EQ(m.updatedAt, whole());
    EXPECT_FALSE(m.lastUsedAt || m.pinOrder || m.expiresAt || m.pinned || m.sensitive);

    const QString firstId = m.id;
    s->remove(QStringLiteral("车牌"));
    EXPECT_EQ(s->count(), 1);
    EXPECT_EQ(s->memories()[0].value, "沪A·D1234");
    EXPECT_TRUE(s->deleted().contains(firstId));
}

TEST_F(Store, ApplySyncedAdoptsOnlyRealChangesAndStaysQuiet) {
    auto s = open();
    s->upsert(named("A"));
    s->deleteMemory(QStringLiteral("OLD"));
    QFile::remove(file);
    QFile::remove(tombstones);
    int notices = 0;
    QObject::connect(s.get(), &MemoryStore::memoriesChanged, [&] { ++notices; });

    s->applySynced(Vault::Payload{.v = 7, .items = s->memories(), .deleted = s->deleted()});
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_EQ(notices, 0);

    const QList<Memory> items{named("X"), named("Y")};
    const QMap<QString, QDateTime> gone{{QStringLiteral("OLD"), whole()}, {QStringLiteral("Z"), whole()}};
    s->applySynced(Vault::Payload{.v = 1, .items = items, .deleted = gone});
    EXPECT_EQ(s->memories(), items);
    EXPECT_EQ(s->deleted(), gone);
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(changes, 2) << "adopting a sync result must not ask for another sync";
    MemoryStore again(file, {}, clock);
    EXPECT_EQ(again.memories(), items);
    EXPECT_EQ(again.deleted(), gone);
}

TEST_F(Store, UnreadableFilesAreSetAsideBeforeTheFirstSave) {
    const QByteArray oneBadRecord =
        R"([{"id":"A","title":"t","type":"信息","aliases":[],"source":"s",)"
        R"("savedAt":"2025-03-01T08:00:00Z","useCount":0,"pinned":false,"sensitive":false}])";
    const QByteArray badTombstones = R"({"A":"2025-03-01T08:00:00.5Z"})";
    writeAll(file, oneBadRecord);
    writeAll(tombstones, badTombstones);
    const QList<Memory> initial{named("起始")};
    auto s = open(initial);
    EXPECT_EQ(s->memories(), initial);
    EXPECT_TRUE(s->deleted().isEmpty());
    EXPECT_EQ(readAll(file), oneBadRecord) << "loading writes nothing";

    s->upsert(named("新"));
    EXPECT_EQ(entries(), (QStringList{"deleted.json", "deleted.json.bad-20250307T090000Z", "memories.json",
                                      "memories.json.bad-20250307T090000Z"}));
    EXPECT_EQ(readAll(file + ".bad-20250307T090000Z"), oneBadRecord);
    EXPECT_EQ(readAll(tombstones + ".bad-20250307T090000Z"), badTombstones);
    EXPECT_EQ(MemoryStore(file, {}, clock).count(), 2);

    // Later saves overwrite as usual; nothing more is set aside.
    s->upsert(named("再"));
    EXPECT_EQ(entries().size(), 4);
    AppLog::flush();
    const QString log = QString::fromUtf8(readAll(AppLog::file()));
    EXPECT_TRUE(log.contains("已另存为 memories.json.bad-20250307T090000Z")) << log.toStdString();
    EXPECT_TRUE(log.contains("已另存为 deleted.json.bad-20250307T090000Z"));
}

TEST_F(Store, AMissingFileIsNotSetAsideAndNotJsonIsBad) {
    writeAll(file, "not json");
    auto s = open();
    s->upsert(named("A"));
    EXPECT_EQ(entries(),
              (QStringList{"deleted.json", "memories.json", "memories.json.bad-20250307T090000Z"}));

    // A second bad file in the same second keeps the first one aside too.
    writeAll(file, "[1]");
    auto t = open();
    t->upsert(named("B"));
    EXPECT_EQ(readAll(file + ".bad-20250307T090000Z-2"), "[1]");
}

TEST_F(Store, QuestionsOrderByUseAndSkipExpiredHints) {
    Memory a = named("A", 1), b = named("B", 5), c = named("C", 5), d = named("D", 0);
    c.expiresAt = clock.now().addSecs(-1);
    d.expiresAt = clock.now().addSecs(3600);
    MemoryStore s(std::nullopt, {a, b, c, d}, clock);
    EXPECT_EQ(s.titles(), (QStringList{"B", "C", "A", "D"}));
    EXPECT_EQ(s.orderedTitles(), (QStringList{"A", "B", "C", "D"}));
    EXPECT_EQ(s.count(), 4);
    EXPECT_EQ(s.vocabulary(), (QStringList{"B", "A", "D", "B别名", "A别名", "D别名"}));
}

TEST_F(Store, InMemoryStoresNeverTouchTheDisk) {
    auto s = MemoryStore::samples(clock);
    EXPECT_EQ(s->count(), 11);
    EXPECT_FALSE(s->file());
    int calls = 0;
    s->onChange = [&] { ++calls; };
    // Ids taken straight from the list the store is about to replace.
    s->markUsed(s->memories()[0].id);
    s->deleteMemory(s->memories()[1].id);
    EXPECT_EQ(s->count(), 10);
    EXPECT_EQ(calls, 2);
    auto scratch = MemoryStore::scratch(clock);
    scratch->add(QStringLiteral("t"), QStringLiteral("v"));
    EXPECT_EQ(scratch->count(), 1);
    EXPECT_FALSE(QFileInfo::exists(Paths::appData()));
    EXPECT_EQ(MemoryStore::defaultFile(), Paths::appData() + "/memories.json");
}
