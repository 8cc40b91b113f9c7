#include "Memories/Seed.h"
#include "Memories/MemoryTemplate.h"
#include "Memories/Recall.h"
#include "support/FakeScheduler.h"

#include <gtest/gtest.h>

using namespace mivora;

TEST(Seed, ElevenFreshRecordsAgedInWholeDays) {
    const QDateTime now(QDate(2025, 3, 7), QTime(9, 0), Qt::UTC);
    const QList<Memory> one = Seed::samples(now), two = Seed::samples(now);
    ASSERT_EQ(one.size(), 11);
    for (qsizetype i = 0; i < one.size(); ++i) {
        EXPECT_NE(one[i].id, two[i].id);
        Memory same = two[i];
        same.id = one[i].id;
        EXPECT_EQ(same, one[i]);
        EXPECT_EQ(one[i].useCount, 0);
        EXPECT_FALSE(one[i].updatedAt || one[i].lastUsedAt || one[i].pinOrder || one[i].expiresAt);
        EXPECT_EQ(one[i].savedAt.secsTo(now) % 86400, 0);
        EXPECT_EQ(one[i].sensitive, i == 6) << i;
    }
    EXPECT_EQ(one[0].savedAt.daysTo(now), 90);
    EXPECT_EQ(one[10].savedAt.daysTo(now), 3);
    EXPECT_EQ(one[0].value.split('\n').value(1), QStringLiteral("收件人：沈若溪\u3000电话：138 0000 0000"));
    EXPECT_EQ(one[6].value.split('\n').value(1).mid(3).size(), 14);
    EXPECT_EQ(Recall::norm(one[6].aliases[0]), Recall::norm(one[6].aliases[1]));
}

TEST(MemoryTemplate, FreshMemoriesWithOnlyWifiSensitive) {
    test::FakeClock clock;
    const auto all = MemoryTemplate::allCases();
    ASSERT_EQ(all.size(), 6);
    EXPECT_EQ(all.first(), MemoryTemplate::home);
    for (const MemoryTemplate t : all) {
        const Memory m = t.memory(clock);
        EXPECT_EQ(m.sensitive, t == MemoryTemplate::wifi);
        EXPECT_TRUE(m.value.isEmpty());
        EXPECT_EQ(m.source, QStringLiteral("手动添加"));
        EXPECT_EQ(m.savedAt, clock.now());
        EXPECT_NE(m.id, t.memory(clock).id);
    }
    const Memory wifi = MemoryTemplate(MemoryTemplate::wifi).memory(clock);
    EXPECT_EQ(wifi.type, QStringLiteral("信息"));
    EXPECT_EQ(Recall::norm(wifi.title), QStringLiteral("wi-fi密码").remove('-'));
}
