#include "Support/Scheduler.h"

#include "support/FakeScheduler.h"

#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <coroutine>
#include <vector>

using namespace mivora;
using mivora::test::FakeClock;
using mivora::test::FakeScheduler;

namespace {

// Runs the event loop for `ms` milliseconds.
void spin(int ms) {
    QTest::qWait(ms);
}

// The smallest coroutine that can await a Scheduler::Sleep: starts at once, stays suspended at its end,
// and is destroyed with the object.
struct Sleeper {
    struct promise_type {
        Sleeper get_return_object() {
            return Sleeper{std::coroutine_handle<promise_type>::from_promise(*this)};
        }
        std::suspend_never initial_suspend() noexcept { return {}; }
        std::suspend_always final_suspend() noexcept { return {}; }
        void return_void() {}
        void unhandled_exception() { std::terminate(); }
    };
    explicit Sleeper(std::coroutine_handle<promise_type> h) : handle(h) {}
    Sleeper(Sleeper&& o) noexcept : handle(std::exchange(o.handle, {})) {}
    ~Sleeper() {
        if (handle) handle.destroy();
    }
    std::coroutine_handle<promise_type> handle;
};

Sleeper sleepThenMark(Scheduler& s, double seconds, bool& done) {
    co_await s.sleep(seconds);
    done = true;
}

} // namespace

TEST(QtScheduler, OneShotFiresOnceAfterItsDelay) {
    QtScheduler s;
    int fired = 0;
    QElapsedTimer since;
    since.start();
    qint64 at = -1;
    s.after(0.03, [&] {
        ++fired;
        at = since.elapsed();
    });
    spin(5);
    EXPECT_EQ(fired, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return fired > 0; }, 2000));
    EXPECT_GE(at, 29);
    spin(60);
    EXPECT_EQ(fired, 1);
}

TEST(QtScheduler, RepeatsUntilCancelled) {
    QtScheduler s;
    int ticks = 0;
    const auto id = s.every(0.005, [&] { ++ticks; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 2000));
    s.cancel(id);
    const int stopped = ticks;
    spin(40);
    EXPECT_EQ(ticks, stopped);
}

TEST(QtScheduler, ActionsMayCancelTimersFromInside) {
    QtScheduler s;
    int ticks = 0;
    Scheduler::TimerId self = 0;
    self = s.every(0.005, [&] {
        if (++ticks == 2) s.cancel(self);
    });
    bool oneShotDone = false;
    Scheduler::TimerId oneShot = 0;
    oneShot = s.after(0.005, [&] {
        s.cancel(oneShot); // already finished: nothing happens
        oneShotDone = true;
    });
    // A one-shot that cancels another timer before it fires.
    bool victim = false;
    const auto victimId = s.after(0.05, [&] { victim = true; });
    s.after(0.01, [&] { s.cancel(victimId); });

    s.cancel(987654); // unknown ids are ignored

    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 2 && oneShotDone; }, 2000));
    spin(80);
    EXPECT_EQ(ticks, 2);
    EXPECT_FALSE(victim);
}

TEST(QtScheduler, DestroyingTheSchedulerDropsPendingTimers) {
    bool fired = false;
    {
        QtScheduler s;
        s.after(0.01, [&] { fired = true; });
        const auto id = s.every(0.01, [&] { fired = true; });
        s.cancel(id); // leaves an entry waiting for deletion on the loop
    }
    spin(40);
    EXPECT_FALSE(fired);
}

TEST(QtScheduler, SleepResumesTheCoroutine) {
    QtScheduler s;
    bool done = false;
    Sleeper c = sleepThenMark(s, 0.01, done);
    EXPECT_FALSE(done);
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 2000));
}

TEST(FakeScheduler, FiresDueTimersInOrderWithTheClockAtEachMoment) {
    FakeClock clock;
    FakeScheduler s(clock);
    const double t0 = clock.uptime();
    std::vector<std::pair<char, double>> log;
    auto note = [&](char c) { return [&, c] { log.emplace_back(c, clock.uptime() - t0); }; };
    s.after(0.6, note('b'));
    s.after(0.3, note('a'));
    s.after(0.6, note('c')); // same moment as b: creation order
    s.after(5.0, note('z'));
    const auto r = s.every(0.25, note('r'));
    s.advance(0.6);
    std::vector<std::pair<char, double>> expected = {
        {'r', 0.25}, {'a', 0.3}, {'r', 0.5}, {'b', 0.6}, {'c', 0.6}};
    ASSERT_EQ(log.size(), expected.size());
    for (size_t i = 0; i < log.size(); ++i) {
        EXPECT_EQ(log[i].first, expected[i].first) << i;
        EXPECT_NEAR(log[i].second, expected[i].second, 1e-9) << i;
    }
    EXPECT_NEAR(clock.uptime() - t0, 0.6, 1e-9);
    EXPECT_EQ(s.pending(), 2u);
    s.cancel(r);
    s.advance(10);
    EXPECT_EQ(log.back().first, 'z');
    EXPECT_EQ(s.pending(), 0u);
}

TEST(FakeScheduler, TimersMadeOrCancelledDuringAdvanceAreHonoured) {
    FakeClock clock;
    FakeScheduler s(clock);
    std::vector<int> fired;
    Scheduler::TimerId later = 0;
    s.after(1, [&] {
        fired.push_back(1);
        s.after(0, [&] { fired.push_back(2); }); // due now: runs in the same advance
        s.after(0.5, [&] { fired.push_back(3); });
        s.cancel(later);
    });
    later = s.after(1.2, [&] { fired.push_back(99); });
    Scheduler::TimerId self = 0;
    int ticks = 0;
    self = s.every(0.4, [&] {
        if (++ticks == 3) s.cancel(self);
    });
    s.advance(2);
    EXPECT_EQ(fired, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(s.pending(), 0u);
}

TEST(FakeScheduler, SleepResumesOnAdvanceAndIsCancelledWithItsCoroutine) {
    FakeClock clock;
    FakeScheduler s(clock);
    bool done = false;
    {
        Sleeper c = sleepThenMark(s, 1.5, done);
        s.advance(1.4);
        EXPECT_FALSE(done);
        s.advance(0.1);
        EXPECT_TRUE(done);
    }
    bool abandoned = false;
    {
        Sleeper c = sleepThenMark(s, 1.0, abandoned);
        EXPECT_EQ(s.pending(), 1u);
    } // destroyed while suspended: its timer goes with it
    EXPECT_EQ(s.pending(), 0u);
    s.advance(5);
    EXPECT_FALSE(abandoned);
}

TEST(FakeClock, WallTimeFollowsUptimeAndSettingItNeverMovesUptime) {
    FakeClock clock;
    const QDateTime start(QDate(2025, 3, 7), QTime(9, 0), Qt::UTC);
    EXPECT_EQ(clock.now(), start);
    for (int i = 0; i < 7; ++i)
        clock.advance(0.1);
    EXPECT_EQ(clock.now(), start.addMSecs(700)); // rounded, not truncated to 699
    const double up = clock.uptime();
    clock.setNow(start.addDays(1));
    EXPECT_EQ(clock.uptime(), up);
    EXPECT_EQ(clock.now(), start.addDays(1));
    clock.advance(-5); // time never runs backwards
    EXPECT_EQ(clock.uptime(), up);
    clock.advance(2);
    EXPECT_EQ(clock.now(), start.addDays(1).addSecs(2));

    // A timer keeps its uptime deadline when the wall time is changed.
    FakeScheduler s(clock);
    bool fired = false;
    s.after(1, [&] { fired = true; });
    clock.setNow(start);
    s.advance(1);
    EXPECT_TRUE(fired);
}
