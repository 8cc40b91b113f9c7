#pragma once

#include "Support/Clock.h"
#include "Support/Scheduler.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace mivora::test {

// A clock that only moves when told to. Uptime is monotonic: setting the wall time never moves it, and
// time never runs backwards.
class FakeClock final : public Clock {
public:
    QDateTime now() const override { return wall_.addMSecs(std::llround((uptime_ - wallSetAt_) * 1000.0)); }
    double uptime() const override { return uptime_; }

    // Sets the wall time (from now on it moves with uptime); uptime is left alone.
    void setNow(const QDateTime& wall) { wall_ = wall, wallSetAt_ = uptime_; }
    void advance(double seconds) { moveTo(uptime_ + seconds); }

private:
    void moveTo(double uptime) { uptime_ = std::max(uptime_, uptime); }

    QDateTime wall_ = QDateTime(QDate(2025, 3, 7), QTime(9, 0), Qt::UTC);
    double uptime_ = 1000.0, wallSetAt_ = 1000.0;
    friend class FakeScheduler;
};

// Timers that fire when the test advances time, in due order (ties in the order they were made), with the
// clock set to each timer's moment.
class FakeScheduler final : public Scheduler {
public:
    explicit FakeScheduler(FakeClock& clock) : clock_(clock) {}

    TimerId after(double seconds, std::function<void()> action) override {
        return add(std::max(0.0, seconds), 0, std::move(action));
    }
    TimerId every(double seconds, std::function<void()> action) override {
        const double interval = std::max(seconds, 1e-6);
        return add(interval, interval, std::move(action));
    }
    void cancel(TimerId id) override { timers_.erase(id); }

    // Moves the clock forward, firing every timer that falls due on the way.
    void advance(double seconds) {
        const double end = clock_.uptime() + seconds;
        for (;;) {
            // The first of the earliest: the map keeps the order timers were made in.
            const auto next = std::min_element(timers_.begin(), timers_.end(),
                                               [](auto& a, auto& b) { return a.second.due < b.second.due; });
            if (next == timers_.end() || next->second.due > end + 1e-9) break;
            clock_.moveTo(next->second.due);
            const auto action = next->second.action;
            if (next->second.interval > 0)
                next->second.due += next->second.interval;
            else
                timers_.erase(next);
            action();
        }
        clock_.moveTo(end);
    }
    // Number of timers still pending.
    size_t pending() const { return timers_.size(); }

private:
    struct Timer {
        double due;
        double interval; // 0 for one-shot
        std::function<void()> action;
    };
    TimerId add(double delay, double interval, std::function<void()> action) {
        timers_[next_] = Timer{clock_.uptime() + delay, interval, std::move(action)};
        return next_++;
    }
    FakeClock& clock_;
    std::map<TimerId, Timer> timers_;
    TimerId next_ = 1;
};

} // namespace mivora::test
