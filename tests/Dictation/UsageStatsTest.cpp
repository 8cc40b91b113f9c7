#include "Dictation/UsageStats.h"

#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"
#include "support/ScopedEnv.h"

#include "Support/Defaults.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace mivora;
using mivora::test::FakeClock;
using mivora::test::MemoryDefaults;

namespace {

// Runs the test in a fixed local zone eight hours east of UTC, so local and UTC days differ.
class UsageStatsTest : public testing::Test {
protected:
    void SetUp() override { clock.setNow(utc(2025, 3, 7, 9, 0)); } // 17:00 local
    static QDateTime utc(int y, int mo, int d, int h, int mi) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi), Qt::UTC);
    }

    test::ScopedEnv tz{"TZ", "CST-8"};
    FakeClock clock;
    MemoryDefaults defaults;
};

} // namespace

TEST_F(UsageStatsTest, DayKeyIsTheLocalDayWithoutPadding) {
    EXPECT_EQ(UsageStats::dayKey(utc(2025, 3, 7, 9, 0)), "2025-3-7");
    EXPECT_EQ(UsageStats::dayKey(utc(2025, 3, 7, 16, 30)), "2025-3-8"); // 00:30 local
    EXPECT_EQ(UsageStats::dayKey(utc(2025, 12, 31, 15, 59)), "2025-12-31");
    EXPECT_EQ(UsageStats::dayKey(utc(2025, 12, 31, 16, 0)), "2026-1-1");
}

TEST_F(UsageStatsTest, StartsAtZeroWithoutWritingAndCountsEveryInsertion) {
    UsageStats stats(defaults, clock);
    EXPECT_EQ(stats.today(), 0);
    EXPECT_EQ(stats.total(), 0);
    EXPECT_FALSE(defaults.contains("stats.day"));
    EXPECT_FALSE(defaults.contains("stats.total"));

    QSignalSpy today(&stats, &UsageStats::todayChanged), chars(&stats, &UsageStats::charsChanged),
        recalls(&stats, &UsageStats::recallsChanged), typed(&stats, &UsageStats::typedFillsChanged);

    stats.record(0, false); // an empty take that was still inserted counts
    EXPECT_EQ(stats.today(), 1);
    EXPECT_EQ(stats.total(), 1);
    EXPECT_EQ(stats.chars(), 0);
    EXPECT_EQ(defaults.value("stats.day").toString(), "2025-3-7");

    stats.record(12, true); // a recall is an insertion too
    EXPECT_EQ(stats.today(), 2);
    EXPECT_EQ(stats.total(), 2);
    EXPECT_EQ(stats.chars(), 12);
    EXPECT_EQ(stats.recalls(), 1);

    stats.recordTyped(5);
    EXPECT_EQ(stats.today(), 3);
    EXPECT_EQ(stats.chars(), 17);
    EXPECT_EQ(stats.typedFills(), 1);
    EXPECT_EQ(stats.recalls(), 1);

    EXPECT_EQ(today.count(), 3);
    EXPECT_EQ(chars.count(), 2);
    EXPECT_EQ(recalls.count(), 1);
    EXPECT_EQ(typed.count(), 1);

    EXPECT_EQ(defaults.value("stats.today").toLongLong(), 3);
    EXPECT_EQ(defaults.value("stats.total").toLongLong(), 3);
    EXPECT_EQ(defaults.value("stats.chars").toLongLong(), 17);
    EXPECT_EQ(defaults.value("stats.recalls").toLongLong(), 1);
    EXPECT_EQ(defaults.value("stats.typed").toLongLong(), 1);
}

TEST_F(UsageStatsTest, TodayResetsOnTheFirstInsertionOfANewLocalDay) {
    clock.setNow(utc(2025, 3, 7, 15, 59)); // 23:59 local
    UsageStats stats(defaults, clock);
    stats.record(3, false);
    stats.record(3, false);
    EXPECT_EQ(stats.today(), 2);

    clock.advance(120);          // 00:01 local, still 7 March in UTC
    EXPECT_EQ(stats.today(), 2); // nothing changes until the next insertion
    stats.record(4, false);
    EXPECT_EQ(stats.today(), 1);
    EXPECT_EQ(stats.total(), 3);
    EXPECT_EQ(defaults.value("stats.day").toString(), "2025-3-8");
    EXPECT_EQ(defaults.value("stats.today").toLongLong(), 1);
}

TEST_F(UsageStatsTest, LoadsTodayOnlyForTheSameDay) {
    defaults.setValue("stats.day", "2025-3-7");
    defaults.setValue("stats.today", 4);
    defaults.setValue("stats.total", 40);
    defaults.setValue("stats.chars", 400);
    defaults.setValue("stats.recalls", 2);
    defaults.setValue("stats.typed", 3);
    {
        UsageStats same(defaults, clock);
        EXPECT_EQ(same.today(), 4);
        EXPECT_EQ(same.total(), 40);
        EXPECT_EQ(same.chars(), 400);
        EXPECT_EQ(same.recalls(), 2);
        EXPECT_EQ(same.typedFills(), 3);
    }
    clock.advance(86400);
    UsageStats later(defaults, clock);
    EXPECT_EQ(later.today(), 0);
    EXPECT_EQ(later.total(), 40);
    EXPECT_EQ(defaults.value("stats.day").toString(), "2025-3-7"); // loading writes nothing

    defaults.remove("stats.day");
    UsageStats noDay(defaults, clock);
    EXPECT_EQ(noDay.today(), 0);
}

TEST_F(UsageStatsTest, MinutesSavedAreWholeFortiesOfCharacters) {
    struct Case {
        qint64 chars, minutes;
    };
    for (const Case c : {Case{39, 0}, Case{40, 1}, Case{79, 1}, Case{80, 2}}) {
        MemoryDefaults d;
        UsageStats stats(d, clock);
        stats.record(c.chars, false);
        EXPECT_EQ(stats.minutesSaved(), c.minutes) << c.chars;
        EXPECT_EQ(stats.property("minutesSaved").toLongLong(), c.minutes);
    }
}

TEST_F(UsageStatsTest, SurvivesARoundTripThroughTheSettingsFile) {
    QTemporaryDir dir;
    const QString file = dir.filePath("stats.conf");
    {
        SettingsDefaults d(file);
        UsageStats stats(d, clock);
        stats.record(5'000'000'000LL, true); // beyond 32 bits
        stats.recordTyped(2);
    }
    SettingsDefaults d(file);
    UsageStats stats(d, clock);
    EXPECT_EQ(stats.today(), 2);
    EXPECT_EQ(stats.total(), 2);
    EXPECT_EQ(stats.chars(), 5'000'000'002LL);
    EXPECT_EQ(stats.recalls(), 1);
    EXPECT_EQ(stats.typedFills(), 1);
}
