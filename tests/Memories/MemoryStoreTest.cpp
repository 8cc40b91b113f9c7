#include "Memories/MemoryStore.h"

#include "Account/Vault.h"
#include "Memories/Seed.h"
#include "support/FakeScheduler.h"
#include "support/ScopedUmask.h"
#include "support/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace mivora;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

Memory named(const char* title, qint64 useCount = 0) {
    return {.title = title, .aliases = {QString(title) + "别名"}, .useCount = useCount};
}

class Store : public ::testing::Test {
protected:
    // A clock between two seconds: what the store records must still equal its own files.
    void SetUp() override { clock.setNow(QDateTime(QDate(2025, 3, 7), QTime(9, 0, 0, 750), Qt::UTC)); }

    std::unique_ptr<MemoryStore> open(QList<Memory> initial = {}) {
        auto s = std::make_unique<MemoryStore>(file, std::move(initial), clock);
        // What the file held at each local change.
        QObject::connect(s.get(), &MemoryStore::memoriesChanged, [this] { atChange << readAll(file); });
        return s;
    }
    MemoryStore reopened() const { return MemoryStore(file, {}, clock); }
    QDateTime whole() const { return IsoDate::wholeSeconds(clock.now()); }
    void writeAll(const QString& path, const QByteArray& bytes) {
        QDir().mkpath(folder);
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    }

    QTemporaryDir dir;
    QString folder = dir.path() + "/data/Mivora";
    QString file = folder + "/memories.json", tombstones = folder + "/deleted.json";
    test::FakeClock clock;
    QByteArrayList atChange;
};

} // namespace

// Unreadable files are set aside before the first save, not overwritten: a file that does not parse, and
// dates that read as instants outside the years 1 to 9999 (kept, one save would leave a file no later start
// can read, and every memory or every tombstone would be gone).
TEST_F(Store, UnreadableFilesAreSetAsideBeforeTheFirstSaveNotOverwritten) {
    const QByteArray early = R"([{"id":"A","title":"t","type":"信息","aliases":[],"value":"v","source":"s",)"
                             R"("savedAt":"0001-01-01T00:30:00+01:00","useCount":0,"pinned":false,)"
                             R"("sensitive":false}])";
    const std::pair<QByteArray, QByteArray> cases[] = {
        {R"([{"id":"A","title":"t"}])", R"({"A":"2025-03-01T08:00:00.5Z"})"},
        {early, R"({"A":"9999-12-31T23:30:00-01:00"})"}};
    const QString aside = ".bad-20250307T090000Z";
    for (const auto& [memories, deleted] : cases) {
        for (const QString& path : {file, tombstones, file + aside, tombstones + aside})
            QFile::remove(path);
        writeAll(file, memories);
        writeAll(tombstones, deleted);
        auto s = open({named("起始")});
        EXPECT_EQ(s->orderedTitles(), QStringList{"起始"});
        EXPECT_TRUE(s->deleted().isEmpty());
        s->upsert(named("新"));
        s->upsert(named("再"));
        EXPECT_EQ(readAll(file + aside), memories);
        EXPECT_EQ(readAll(tombstones + aside), deleted);
        EXPECT_EQ(reopened().memories(), s->memories());
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 4);

    // Another bad file in the same second does not replace the first one set aside.
    writeAll(file, "not json");
    open()->upsert(named("B"));
    EXPECT_EQ(readAll(file + aside + "-2"), "not json");
    EXPECT_EQ(readAll(file + aside), early);
}

TEST_F(Store, HintsOrderByUseAndSkipExpiredMemories) {
    Memory a = named("A", 1), b = named("B", 5), c = named("C", 5), d = named("D", 0);
    c.expiresAt = clock.now().addSecs(-1);
    d.expiresAt = clock.now().addSecs(3600);
    MemoryStore s(std::nullopt, {a, b, c, d}, clock);
    EXPECT_EQ(s.vocabulary(), (QStringList{"B", "A", "D", "B别名", "A别名", "D别名"}));
}

// A deletion leaves a tombstone (also for an id taken from the list it replaces); a synced change is saved.
TEST_F(Store, DeletionsLeaveTombstonesAndSyncedChangesAreSaved) {
    Memory a = named("A"), twin = named("A2");
    twin.id = a.id;
    auto s = open({a, named("B"), twin});
    s->deleteMemory(s->memories()[0].id);
    EXPECT_EQ(s->orderedTitles(), QStringList{"B"});
    EXPECT_EQ(readAll(tombstones), QStringLiteral("{\"%1\":\"2025-03-07T09:00:00Z\"}").arg(a.id).toUtf8());
    EXPECT_EQ(reopened().deleted(), s->deleted());

    const QList<Memory> items{named("X"), named("Y")};
    const QMap<QString, QDateTime> gone{{QStringLiteral("OLD"), whole()}};
    s->applySynced(MemoryPayload{.v = 1, .items = items, .deleted = gone});
    EXPECT_EQ(reopened().memories(), items);
    EXPECT_EQ(reopened().deleted(), gone);
}

// Using a memory is the change the program makes: it counts and stamps the use, leaves the memory's own
// time alone, and is announced before it is written. An edit lands on the stored record: a use counted and a
// type changed elsewhere since the editor's copy was taken stay; the four edited fields and the change time
// are new.
TEST_F(Store, AUseChangesOnlyTheUseAndAnEditOnlyTheEditedFields) {
    auto s = open({named("A"), named("B")});
    Memory copy = s->memories()[1];
    s->markUsed(QStringLiteral("nobody"));
    EXPECT_FALSE(QFileInfo::exists(folder));
    clock.advance(90.5);
    s->markUsed(copy.id);
    EXPECT_EQ(atChange, QByteArrayList{""});
    EXPECT_EQ(s->memories()[1].useCount, 1);
    EXPECT_EQ(s->memories()[1].lastUsedAt, whole());
    EXPECT_FALSE(s->memories()[1].updatedAt);
    EXPECT_EQ(reopened().memories(), s->memories());

    Memory synced = s->memories()[1];
    synced.type = "电话";
    s->applySynced(MemoryPayload{.items = {s->memories()[0], synced}});
    clock.advance(60);
    copy.title = "B 改";
    copy.value = "新内容";
    copy.aliases = {"乙"};
    copy.sensitive = true;
    s->saveEdit(copy);
    const Memory& b = s->memories()[1];
    EXPECT_EQ(std::tuple(b.title, b.value, b.aliases, b.sensitive),
              std::tuple(QString("B 改"), QString("新内容"), QStringList{"乙"}, true));
    EXPECT_EQ(b.type, "电话");
    EXPECT_EQ(b.useCount, 1);
    EXPECT_EQ(b.lastUsedAt, whole().addSecs(-60));
    EXPECT_EQ(b.updatedAt, whole());
}

// Texts are kept character for character: a U+FEFF at the start of any of them, or of a tombstone's id, is
// no byte-order mark to drop when the files are read again.
TEST_F(Store, ALeadingByteOrderMarkSurvivesSavingAndReading) {
    const QString mark(QChar(0xFEFF));
    const Memory m{.id = mark + "id",
                   .title = mark + "标题",
                   .type = mark + "地址",
                   .aliases = {mark + "别名", mark},
                   .value = mark + "pass",
                   .source = mark + "手动添加",
                   .savedAt = whole()};
    open()->applySynced({1, {m}, {{mark + "gone", whole()}}});
    MemoryStore again = reopened();
    ASSERT_EQ(again.count(), 1);
    EXPECT_EQ(again.memories()[0], m);
    EXPECT_TRUE(again.deleted().contains(mark + "gone"));
}

// A deletion is written as two files, and the process may stop (or a write fail) after either. Whatever
// reached the disk, a restart does not list the memory again and a sync against a vault that still holds
// it does not bring it back; what did not reach the disk is written by the next save.
TEST_F(Store, NoStopBetweenTheTwoWritesBringsADeletionBack) {
    for (int landed : {0, 1}) {
        QDir(folder).removeRecursively();
        Memory x = named("X"), y = named("Y");
        x.savedAt = y.savedAt = whole();
        auto s = open({x, y});
        s->markUsed(y.id);
        const Vault::Payload vault{1, s->memories(), {}};
        int writes = 0;
        s->setWriter([&](const QString& path, const QByteArray& data) -> AtomicFile::Result {
            if (writes++ >= landed) return {AtomicFile::Failure::other, "stopped"};
            return AtomicFile::write(path, data);
        });
        clock.advance(5);
        s->deleteMemory(x.id);
        EXPECT_EQ(s->saveFailure(), AtomicFile::Failure::other);
        const MemoryStore after = reopened();
        const bool recorded = after.deleted().contains(x.id);
        EXPECT_EQ(recorded, landed > 0);
        EXPECT_EQ(after.count(), recorded ? 1 : 2);
        EXPECT_EQ(Vault::merge({1, after.memories(), after.deleted()}, vault, clock.now()).items.size(),
                  after.count());

        s->setWriter(AtomicFile::write);
        s->markUsed(y.id);
        EXPECT_EQ(s->saveFailure(), AtomicFile::Failure::none);
        EXPECT_EQ(reopened().orderedTitles(), QStringList{"Y"});
    }
}

// Memories may hold passwords: under the usual umask the first save makes their folders for the user alone.
TEST_F(Store, TheFirstSaveMakesTheFoldersForTheUserAlone) {
    const test::ScopedUmask umask(022);
    open()->upsert(named("密码"));
    EXPECT_EQ(test::modeOf(dir.filePath("data")), "700");
    EXPECT_EQ(test::modeOf(folder), "700");
}

// On a really full file system (a 64 KiB tmpfs with nothing left, or one page: less than the memories take)
// an edit and a deletion leave the memories file exactly as it was and the store says so, keeping both; once
// there is room, the next save or the store's end (the program quitting) writes them.
TEST_F(Store, AFullDiskKeepsTheFileAndTheChangesUntilThereIsRoom) {
    test::SmallDisk disk(dir.path());
    if (!disk.mounted()) GTEST_SKIP() << "no tmpfs could be mounted here: " << disk.error();
    for (qint64 spare : {0, 4096}) {
        QList<Memory> kept;
        {
            auto s = open(Seed::samples(whole()));
            s->markUsed(s->memories()[0].id);
            const QByteArray before = readAll(file);
            ASSERT_GT(before.size(), 4096);
            disk.fill(spare);
            Memory edited = s->memories()[0];
            edited.value += QString(400, u'改');
            s->saveEdit(edited);
            s->deleteMemory(s->memories().last().id);
            EXPECT_EQ(s->saveFailure(), AtomicFile::Failure::diskFull);
            EXPECT_TRUE(readAll(file) == before) << spare << ": " << readAll(file).size();
            EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden),
                      QStringList({"deleted.json", "memories.json"}));
            disk.empty();
            if (spare == 0) s->markUsed(edited.id);
            EXPECT_EQ(s->saveFailure(), spare ? AtomicFile::Failure::diskFull : AtomicFile::Failure::none);
            kept = s->memories();
        }
        EXPECT_EQ(reopened().memories(), kept);
    }
}
