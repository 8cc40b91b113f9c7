#include "Support/Scheduler.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

namespace mivora {

struct QtScheduler::Entry {
    QTimer timer;
    std::function<void()> action;
    bool repeat = false;
};

QtScheduler::QtScheduler(QObject* parent) : QObject(parent) {}
QtScheduler::~QtScheduler() = default;

Scheduler::TimerId QtScheduler::after(double seconds, std::function<void()> action) {
    return start(seconds, false, std::move(action));
}

Scheduler::TimerId QtScheduler::every(double seconds, std::function<void()> action) {
    return start(seconds, true, std::move(action));
}

Scheduler::TimerId QtScheduler::start(double seconds, bool repeat, std::function<void()> action) {
    const TimerId id = next_++;
    auto entry = std::make_unique<Entry>();
    entry->action = std::move(action);
    entry->repeat = repeat;
    entry->timer.setTimerType(Qt::PreciseTimer);
    entry->timer.setSingleShot(!repeat);
    // QTimer counts in int milliseconds; a delay beyond that range must not wrap around to a short one.
    const double ms = std::min(std::max(0.0, seconds) * 1000.0, double(std::numeric_limits<int>::max()));
    entry->timer.setInterval(int(std::lround(ms)));
    QObject::connect(&entry->timer, &QTimer::timeout, this, [this, id] {
        auto it = timers_.find(id);
        if (it == timers_.end()) return;
        if (it->second->repeat) {
            auto action = it->second->action; // the action may cancel its own timer
            action();
            return;
        }
        auto action = std::move(it->second->action);
        retire(it);
        action();
    });
    entry->timer.start();
    timers_.emplace(id, std::move(entry));
    return id;
}

void QtScheduler::cancel(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    retire(it);
}

void QtScheduler::retire(Timers::iterator it) {
    it->second->timer.stop();
    // The timer may be the one whose timeout is running right now: free it once control is back in the
    // loop. Entries still waiting for that go with the scheduler, so none leaks.
    retired_.push_back(std::move(it->second));
    timers_.erase(it);
    if (retired_.size() == 1)
        QMetaObject::invokeMethod(
            this, [this] { retired_.clear(); }, Qt::QueuedConnection);
}

} // namespace mivora
