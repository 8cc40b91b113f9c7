#include "Account/Vault.h"

#include <gtest/gtest.h>

using namespace mivora;

namespace {

const QDateTime t0(QDate(2025, 3, 1), QTime(8, 0), Qt::UTC);

Memory memory(const QString& id, const QString& value, const QDateTime& modified) {
    return Memory{
        .id = id, .title = id, .type = "信息", .value = value, .source = "手动添加", .savedAt = modified};
}

QStringList values(const Vault::Payload& p) {
    QStringList out;
    for (const Memory& m : p.items)
        out << m.id + "=" + m.value;
    return out;
}

Vault::Payload payload(QList<Memory> items, QMap<QString, QDateTime> deleted = {}) {
    return {.v = 1, .items = std::move(items), .deleted = std::move(deleted)};
}

} // namespace

TEST(VaultMerge, LocalRecordsFirstThenTheServersAndTheFirstOfEachId) {
    const Vault::Payload local = payload({memory("L1", "l", t0), memory("S", "local", t0),
                                          memory("S", "second local", t0), memory("L2", "l", t0)});
    Vault::Payload remote =
        payload({memory("R1", "r", t0), memory("S", "remote", t0), memory("R2", "first", t0),
                 memory("S", "second remote", t0), memory("R2", "second", t0)});
    remote.v = 3;
    const Vault::Payload merged = Vault::merge(local, remote, t0);
    // Both local copies of S meet the first remote one (a tie goes to the remote record); one result stays.
    EXPECT_EQ(values(merged), QStringList({"L1=l", "S=remote", "L2=l", "R1=r", "R2=first"}));
    EXPECT_EQ(merged.v, 1);
}

TEST(VaultMerge, TheLaterEditWinsAndUseIsAddedUpFromBoth) {
    Memory mine = memory("A", "mine", t0.addSecs(1));
    mine.useCount = 2;
    Memory theirs = memory("A", "theirs", t0);
    theirs.updatedAt = t0;
    theirs.savedAt = t0.addDays(-10); // the edit time counts, not the creation time
    theirs.useCount = 5;
    theirs.lastUsedAt = t0.addDays(-1);
    theirs.pinOrder = 4;

    const Memory later = Vault::merge(payload({mine}), payload({theirs}), t0).items.at(0);
    EXPECT_EQ(later.value, "mine");
    EXPECT_FALSE(later.pinOrder); // every other field comes from the winner, absent ones too
    EXPECT_EQ(later.useCount, 5);
    EXPECT_EQ(later.lastUsedAt, t0.addDays(-1)); // the only last use there is, whoever wins

    mine.savedAt = t0;
    mine.lastUsedAt = t0;
    const Memory tie = Vault::merge(payload({mine}), payload({theirs}), t0).items.at(0);
    EXPECT_EQ(tie.value, "theirs");
    EXPECT_EQ(tie.pinOrder, 4);
    EXPECT_EQ(tie.useCount, 5);
    EXPECT_EQ(tie.lastUsedAt, t0); // the later of the two
}

TEST(VaultMerge, TombstonesRemoveWhatIsNotNewerUntilTheyExpire) {
    const QDateTime now = t0.addDays(10);
    const Vault::Payload local =
        payload({memory("Same", "v", t0), memory("Newer", "v", t0.addSecs(1)),
                 memory("OnDevice", "v", t0.addSecs(3)), memory("Both", "v", t0.addSecs(3600))},
                {{"Same", t0}, {"Newer", t0}, {"OnServer", t0}, {"Both", t0}});
    const Vault::Payload remote =
        payload({memory("OnServer", "v", t0)}, {{"OnDevice", t0.addSecs(5)}, {"Both", t0.addDays(1)}});
    const Vault::Payload merged = Vault::merge(local, remote, t0.addDays(10));
    // A tombstone at the edit time removes, one a second older does not; a tombstone on one side removes the
    // record the other side still holds; of two tombstones the later one counts.
    EXPECT_EQ(values(merged), QStringList({"Newer=v"}));
    const QMap<QString, QDateTime> kept{
        {"Same", t0}, {"Newer", t0}, {"OnServer", t0}, {"Both", t0.addDays(1)}, {"OnDevice", t0.addSecs(5)}};
    EXPECT_EQ(merged.deleted, kept);

    // Exactly 90 days old a tombstone stays and still removes; one second later it is gone and removes
    // nothing.
    const Vault::Payload withTombstone = payload({memory("Old", "v", t0)}, {{"Old", t0}});
    EXPECT_EQ(Vault::merge(withTombstone, payload({}), t0.addDays(90)), payload({}, {{"Old", t0}}));
    EXPECT_EQ(Vault::merge(payload({}), withTombstone, t0.addDays(90).addSecs(1)),
              payload({memory("Old", "v", t0)}));
}
