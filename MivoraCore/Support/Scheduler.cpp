#include "Support/Scheduler.h"

#include <QCoreApplication>
#include <QTimer>

#include <cmath>

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
    entry->timer.setInterval(int(std::lround(std::max(0.0, seconds) * 1000.0)));
    QObject::connect(&entry->timer, &QTimer::timeout, this, [this, id] {
        auto it = timers_.find(id);
        if (it == timers_.end()) return;
        if (it->second->repeat) {
            auto action = it->second->action; // the action may cancel its own timer
            action();
            return;
        }
        auto action = std::move(it->second->action);
        timers_.erase(it);
        action();
    });
    entry->timer.start();
    timers_.emplace(id, std::move(entry));
    return id;
}

void QtScheduler::cancel(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    it->second->timer.stop();
    // Deleting a QTimer from inside its own timeout is safe in Qt 6, but keep the entry alive until
    // control returns to the loop to be certain nothing still references it.
    auto* entry = it->second.release();
    timers_.erase(it);
    QMetaObject::invokeMethod(
        this, [entry] { delete entry; }, Qt::QueuedConnection);
}

Scheduler& Scheduler::main() {
    static QtScheduler* scheduler = new QtScheduler(QCoreApplication::instance());
    return *scheduler;
}

} // namespace mivora
