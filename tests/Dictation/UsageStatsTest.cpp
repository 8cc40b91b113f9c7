#include "Dictation/UsageStats.h"

#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"
#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

using namespace mivora;

namespace {

// (today, total, chars, recalls, typed fills)
std::tuple<qint64, qint64, qint64, qint64, qint64> counters(const UsageStats& s) {
    return {s.today(), s.total(), s.chars(), s.recalls(), s.typedFills()};
}

} // namespace

TEST(UsageStats, CountsEveryInsertionAndStartsANewDayAtLocalMidnight) {
    test::ScopedEnv tz("TZ", "CST-8"); // eight hours east of UTC, so local and UTC days differ
    test::FakeClock clock;
    test::MemoryDefaults defaults;
    clock.setNow(QDateTime(QDate(2025, 3, 7), QTime(15, 59), Qt::UTC)); // 23:59 local
    test::FakeScheduler scheduler(clock);
    UsageStats stats(defaults, clock, scheduler);
    stats.record(0, false); // an empty take that was still inserted counts
    stats.record(12, true);
    stats.recordTyped(5);
    EXPECT_EQ(counters(stats), std::tuple(3, 3, 17, 1, 1));
    EXPECT_FALSE(defaults.contains("stats.total")); // written after the paste is over, not during it

    clock.advance(120);          // 00:01 local, still 7 March in UTC
    EXPECT_EQ(stats.today(), 3); // nothing changes until the next insertion
    stats.record(4, false);
    EXPECT_EQ(counters(stats), std::tuple(1, 4, 21, 1, 1));
    scheduler.advance(stats.saveDelay);
    EXPECT_EQ(defaults.value("stats.day").toString(), "2025-3-8");

    // What the next start reads back: today only on the same local day.
    EXPECT_EQ(counters(UsageStats(defaults, clock, scheduler)), std::tuple(1, 4, 21, 1, 1));
    clock.advance(86400);
    EXPECT_EQ(counters(UsageStats(defaults, clock, scheduler)), std::tuple(0, 4, 21, 1, 1));

    // A count still due when the program quits is written on the way out.
    {
        UsageStats last(defaults, clock, scheduler);
        last.record(2, false);
    }
    EXPECT_EQ(defaults.value("stats.total").toLongLong(), 5);
}

// A count that changes is stored whatever its value: a damaged -1 that one more fill or recall brings to 0
// does not come back at the next start.
TEST(UsageStats, ACountThatComesBackToZeroIsStored) {
    test::FakeClock clock;
    test::MemoryDefaults defaults;
    test::FakeScheduler scheduler(clock);
    defaults.setValue("stats.recalls", -1);
    defaults.setValue("stats.typed", -1);
    {
        UsageStats stats(defaults, clock, scheduler);
        stats.record(3, true);
        stats.recordTyped(2);
    }
    const UsageStats again(defaults, clock, scheduler);
    EXPECT_EQ(std::pair(again.recalls(), again.typedFills()), std::pair(qint64(0), qint64(0)));
}

// Counters at the largest value they can hold stay there, in memory and in the store, rather than turning
// into the smallest negative one.
TEST(UsageStats, ACounterAtItsLargestValueStaysThere) {
    constexpr qint64 most = std::numeric_limits<qint64>::max();
    test::FakeClock clock;
    test::MemoryDefaults defaults;
    test::FakeScheduler scheduler(clock);
    defaults.setValue("stats.day", UsageStats::dayKey(clock.now()));
    for (const char* key : {"stats.today", "stats.total", "stats.recalls", "stats.typed"})
        defaults.setValue(key, most);
    defaults.setValue("stats.chars", most - 3);
    {
        UsageStats stats(defaults, clock, scheduler);
        stats.record(5, true);
        stats.recordTyped(2);
        EXPECT_EQ(counters(stats), std::tuple(most, most, most, most, most));
    }
    EXPECT_EQ(counters(UsageStats(defaults, clock, scheduler)), std::tuple(most, most, most, most, most));
}
