#include "Support/Scheduler.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace mivora;

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
    sleepThenMark(s, 0.01, victim); // destroyed while asleep: its timer goes with it
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
