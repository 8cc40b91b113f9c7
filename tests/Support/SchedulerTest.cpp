#include "Support/Scheduler.h"

#include "support/FakeScheduler.h"

#include <QTest>

#include <gtest/gtest.h>

#include <vector>

using namespace mivora;
using namespace mivora::test;

namespace {

// The smallest coroutine that awaits a sleep: starts at once, stays suspended at its end and is destroyed
// with the object (also while still asleep).
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
    ~Sleeper() { handle.destroy(); }
    std::coroutine_handle<promise_type> handle;
};

Sleeper sleepThenMark(Scheduler& s, double seconds, bool& done) {
    co_await s.sleep(seconds);
    done = true;
}

} // namespace

TEST(QtScheduler, ActionsMayCancelTimersFromInsideAndDestructionDropsThemAll) {
    QtScheduler s;
    int ticks = 0;
    bool victim = false, slept = false;
    Scheduler::TimerId self = 0, oneShot = 0;
    self = s.every(0.005, [&] {
        if (++ticks == 2) s.cancel(self);
    });
    oneShot = s.after(0.005, [&] { s.cancel(oneShot); }); // already finished: nothing happens
    const auto victimId = s.after(0.05, [&] { victim = true; });
    s.after(0.01, [&] { s.cancel(victimId); });
    Sleeper sleeper = sleepThenMark(s, 0.01, slept);
    {
        QtScheduler gone;
        gone.after(0.01, [&] { victim = true; });
        gone.cancel(gone.every(0.01, [&] { victim = true; })); // leaves an entry for deletion on the loop
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 2 && slept; }, 2000));
    QTest::qWait(80);
    EXPECT_EQ(ticks, 2);
    EXPECT_FALSE(victim);
}

// Timers in due order, ties in creation order; timers made or cancelled by actions, and sleeps, during the
// same advance.
TEST(FakeScheduler, FiresDueTimersInOrderAndHonoursChangesMadeByActions) {
    FakeClock clock;
    FakeScheduler s(clock);
    const double t0 = clock.uptime();
    QStringList log;
    auto note = [&](char c) {
        return [&, c] { log << QString("%1@%2").arg(c).arg(clock.uptime() - t0, 0, 'g', 6); };
    };
    Scheduler::TimerId later = 0, self = 0;
    int ticks = 0;
    s.after(0.6, note('b'));
    s.after(0.3, note('a'));
    s.after(0.6, note('c')); // same moment as b: creation order
    s.after(5.0, note('z'));
    self = s.every(0.25, [&, tick = note('r')] {
        tick();
        if (++ticks == 3) s.cancel(self);
    });
    s.after(1, [&] {
        s.after(0, note('n')); // due now: runs in the same advance
        s.cancel(later);
    });
    later = s.after(1.2, note('x'));
    bool slept = false, abandoned = false;
    Sleeper sleeper = sleepThenMark(s, 1.5, slept);
    sleepThenMark(s, 1.0, abandoned); // destroyed while asleep: its timer goes with it
    s.advance(10);
    EXPECT_EQ(log, (QStringList{"r@0.25", "a@0.3", "r@0.5", "b@0.6", "c@0.6", "r@0.75", "n@1", "z@5"}));
    EXPECT_TRUE(slept);
    EXPECT_FALSE(abandoned);
    EXPECT_EQ(s.pending(), 0u);
}
