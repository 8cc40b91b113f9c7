#include "support/FakeScheduler.h"

namespace mivora::test {

void FakeScheduler::advance(double seconds) {
    const double end = clock_.uptime() + seconds;
    for (;;) {
        // The earliest due timer; ties fire in the order they were made.
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it)
            if (it->second.due <= end + 1e-9 && (next == timers_.end() || it->second.due < next->second.due))
                next = it;
        if (next == timers_.end()) break;
        // The action sees the clock at exactly its due moment.
        clock_.moveTo(next->second.due);
        auto action = next->second.action;
        if (next->second.interval > 0)
            next->second.due += next->second.interval;
        else
            timers_.erase(next);
        action();
    }
    clock_.moveTo(end);
}

} // namespace mivora::test
